// The hide-and-restore engine's own state, and the small host through which it reports to the program above
// it. One engine per process: the window-event procedure, the answers of other programs and the exception
// filter carry no context, so they reach it through the global below.
#pragma once
#include "base/handles.h"
#include "engine/hide_outcome.h"
#include "engine/hide_plan.h"

#include <shobjidl.h>

#include <string>
#include <unordered_set>
#include <vector>

// Timers and messages the engine uses on its host's window.
// The next try to start a watchdog after one could not start.
inline constexpr unsigned TIMER_WATCHDOG = 3;
// While windows are hidden: the look a window event asks for, and the period of the looks at them.
inline constexpr unsigned TIMER_HIDDEN_WATCH_SOON = 5;
inline constexpr unsigned kHiddenWatchPeriodMs = 400;
inline constexpr unsigned kHiddenWatchSoonMs = 30;
inline constexpr unsigned WM_HIDDEN_SHOWN = 0x8003; // WM_APP + 3

// What the engine is given by the program that runs it. Each member may be empty (the watchdog has none).
struct EngineHost {
    // Receives the engine's timers and messages, and is hidden with the others while it is visible.
    HWND window = nullptr;
    // One line for the user: the outcome of a hide or restore, the watchdog's trouble.
    void (*say)(const std::wstring& text) = nullptr;
    // Windows were hidden, or all came back.
    void (*hiddenChanged)() = nullptr;
};

// How far the hide of one window has got.
enum class HideProgress {
    Asked,   // the hide is queued and its program has not answered since
    Hidden,  // off the screen, in the tool-window style, without its taskbar button
    Refused, // its program answered and kept the window on the screen
};

struct HiddenWindowRecord {
    HWND hwnd = nullptr;
    LONG_PTR savedExStyle = 0;
    bool wasMinimized = false;
    // Still in its own extended style: putting it back writes no style.
    bool ownStyle = false;
    HideProgress progress = HideProgress::Hidden;
    // Its program's thread and process as the hide found them (0: not known, asked when needed).
    DWORD threadId = 0;
    DWORD processId = 0;
    // The question to its program whose answer is awaited (0: none), and whether it came.
    unsigned question = 0;
    bool answered = false;
};

// Which outcome the status line shows, so that a program answering late can bring it up to date.
enum class ShownOutcome { None, Hide, Restore };

// The periodic look at the hidden windows runs on a thread of its own, which only reads these, under the
// lock, and tells the host's window when one of them is visible: a look costs less there than a wake of the
// GUI thread, which also reads its input and its display connection.
struct HiddenLook {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<HWND> windows;
    // Without the window events, every look lists the windows to find new ones.
    bool everyLook = false;
    UniqueHandle stop;
    UniqueHandle thread;
};

// A window made since the hide that the keys of the hide have not named: not shown yet (0), or shown at that
// time, and watched for a while since a program may give it its title only then.
struct NewWindow {
    HWND hwnd = nullptr;
    ULONGLONG shownAtMs = 0;
};

// While hidden: what keeps the hidden windows out of sight.
struct HiddenWatch {
    // The top-level windows seen so far, the not yet visible ones owned by hidden windows, and the others
    // made since the hide that the keys may still name.
    std::unordered_set<HWND> knownWindows;
    std::vector<HWND> dormantOwned;
    std::vector<NewWindow> newWindows;
    bool knownWindowsClassified = false;
    // Seen shown, and not in front, at the last look and at this one: the look after tells whether the user
    // brought them there.
    std::vector<HWND> shownLastLook;
    std::vector<HWND> shownThisLook;
    // The system's word of a new window, of a window shown, and, while a shown new window is watched, of a
    // window renamed (Wine sends only the first).
    UniqueWinEventHook createHook;
    UniqueWinEventHook showHook;
    UniqueWinEventHook nameHook;
    bool lookSoon = false;
    // Read at the start of each look: keyboard or mouse input came since the hide.
    bool userActed = false;
    HiddenLook look;
};

// Why a hide began: the user's press, or his absence; `note` then begins the status line.
struct HideReason {
    bool away = false;
    std::wstring note;
};

struct Engine {
    EngineHost host;
    bool windowsHidden = false;
    std::vector<HiddenWindowRecord> hiddenSet;
    HWND focusBeforeHide = nullptr;
    HideReason hideReason;
    ULONGLONG hiddenAtMs = 0;
    // The hide list as it stood when the hide began, with the windows its keys found. Hidden windows are not
    // candidates, so a commit made while they are hidden (or before the list has shown them again) would drop
    // their keys; commits keep them, under each window's title of the moment.
    std::vector<HiddenKey> hiddenKeys;
    HWND switchTarget = nullptr;
    // Windows put back whose programs did not answer in time: their shows are queued, and their own styles
    // and taskbar buttons go back when they answer. The state file lists them until then.
    std::vector<HiddenWindowRecord> pendingUndo;
    // The windows a restore is putting back, while it waits for their programs.
    std::vector<HiddenWindowRecord> puttingBack;
    std::size_t restoredCount = 0;
    ShownOutcome shownOutcome = ShownOutcome::None;
    // A hide or restore is waiting for answers; what arrives meanwhile must not start another.
    bool busy = false;
    // How deep the engine is in changing windows.
    int changingWindows = 0;
    // The session is ending and every window came back for it while windows were being changed: the waits
    // give up and nothing more is hidden, until the outermost change is done.
    bool sessionEnding = false;
    // Why the windows last came back all at once, for the status line a late answer brings up to date.
    RestoreReason restoreReason = RestoreReason::User;
    HiddenWatch watch;
    // Made at its first need or once the main window has painted (see ShellTaskbarList), never before: it
    // costs a library load the user would wait for at every start.
    ComPtr<ITaskbarList> taskbarList;
    bool taskbarListTried = false;
    // Where the state file is, when not beside the executable (the watchdog is told, the tests choose).
    std::wstring stateFileOverride;
    // This process is a watchdog: the state file may belong to a run started since.
    bool watchdogRole = false;
};

extern Engine engine;

// The shell's taskbar-list object, made on the first call on this thread (COM must be initialised there);
// null where the shell offers none.
ITaskbarList* ShellTaskbarList();

// The host's word to the user, and its word that the hidden state changed; nothing where it has none.
void Say(const std::wstring& text);
void TellHiddenChanged();

inline constexpr UINT kFrameRefreshFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

// While set, answers are only noted: whoever waits for them acts on them afterwards.
struct BusyGuard {
    BusyGuard() { engine.busy = true; }
    ~BusyGuard() { engine.busy = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
};

// While windows are being changed. Messages other programs send (the end of the session among them) arrive
// inside every wait for a program: what comes back for the end of the session must not be hidden again by
// what follows.
struct ChangingWindows {
    ChangingWindows() { ++engine.changingWindows; }
    ~ChangingWindows();
    ChangingWindows(const ChangingWindows&) = delete;
    ChangingWindows& operator=(const ChangingWindows&) = delete;
};

// Steps the engine's files share.
std::vector<HiddenWindowRecord>::iterator FindRecord(std::vector<HiddenWindowRecord>& records, HWND hwnd);
bool IsInHiddenSet(HWND hwnd);
bool AllAnswered(const std::vector<HiddenWindowRecord>& records);
// A question to a window's program, sent after the requests queued for that window: a thread takes what is
// sent to it in order, so the answer tells that it has taken them.
void Ask(HiddenWindowRecord& record);
void RefreshFrame(HWND hwnd);
// The hides whose programs have answered are finished: style, taskbar, state file.
void FinishAnsweredHides();
void ShowHideOutcome();
// The undos whose programs have answered since they were put back are finished.
void CompletePendingUndos();
