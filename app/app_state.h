// The one process-wide state record of the GUI thread.
#pragma once
#include "base/handles.h"
#include "catalogue/window_types.h"
#include "engine/hide_plan.h"
#include "settings/app_settings.h"
#include "ui/ids.h"

#include <shobjidl.h>

#include <array>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

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

// The periodic look at the hidden windows runs on a thread of its own, which only reads these, under the
// lock, and tells the main window when one of them is visible: a look costs less there than a wake of the
// GUI thread, which also reads its input and its display connection.
struct HiddenLook {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<HWND> windows;
    // Without the window events, every look lists the windows to find new ones.
    bool everyLook = false;
    UniqueHandle stop;
    UniqueHandle thread;
};

// Which outcome the status line shows, so that a program answering late can bring it up to date.
enum class ShownOutcome { None, Hide, Restore, SessionRestore };

struct AppState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    int dpi = 96;
    AppSettings settings;

    // Indexed by control id - 1001; see ControlHandle.
    std::array<HWND, kControlCount> controls{};
    UniqueFont fontNormal;
    UniqueFont fontSmall;
    UniqueFont fontTitle;
    UniqueFont fontLabel;
    HBRUSH backgroundBrush = nullptr;
    UniqueImageList rowHeightImageList;

    bool hotkeyRegistered = false;
    bool settingHotkeyBox = false;
    bool trayIconAdded = false;

    std::vector<WindowEntry> listEntries;
    // The hide list's keys that no open window matched at the fill: their rows follow the open windows'.
    std::vector<WindowKey> rememberedKeys;
    // The saved target when no open window matched it at the fill: the drop-down offers it all the same.
    std::optional<WindowKey> rememberedTarget;
    WindowSnapshot listSnapshot;
    bool listFilling = false;

    bool windowsHidden = false;
    std::vector<HiddenWindowRecord> hiddenSet;
    HWND focusBeforeHide = nullptr;
    // The hide list as it stood when the hide began, with the windows its keys found. Hidden windows are not
    // candidates, so a commit made while they are hidden (or before the list has shown them again) would drop
    // their keys; commits add these back, under each window's title of the moment.
    std::vector<HiddenKey> hiddenKeys;
    HWND switchTarget = nullptr;
    // Windows put back whose programs did not answer in time: their shows are queued, and their own styles
    // and taskbar buttons go back when they answer. The state file lists them until then.
    std::vector<HiddenWindowRecord> pendingUndo;
    // The windows a restore is putting back, while it waits for their programs.
    std::vector<HiddenWindowRecord> puttingBack;
    std::size_t restoredCount = 0;
    ShownOutcome shownOutcome = ShownOutcome::None;
    unsigned lastQuestion = 0;
    std::size_t answersArrived = 0;
    // A hide or restore is waiting for answers; what arrives meanwhile must not start another.
    bool engineBusy = false;
    // How deep the engine is in changing windows, and whether the end of the session asked for a restore
    // meanwhile.
    int changingWindows = 0;
    bool sessionEndRestoreOwed = false;

    // While hidden: the top-level windows seen so far, the not yet visible ones owned by hidden windows, and
    // the others made since the hide that have not shown yet (the keys may name them once they do).
    std::unordered_set<HWND> knownWindows;
    std::vector<HWND> dormantOwned;
    std::vector<HWND> dormantNew;
    bool knownWindowsClassified = false;
    // The system's word of a new window, and of a window shown (Wine sends only the first).
    UniqueWinEventHook winEventHook;
    UniqueWinEventHook showEventHook;
    bool hiddenWatchSoon = false;
    HiddenLook hiddenLook;

    ComPtr<ITaskbarList> taskbarList;
    int noticeResult = 0;
    UniqueHandle watchdogProcess;
    // Declared after the process it waits on, so it goes first.
    UniqueRegisteredWait watchdogWait;
    // After failed starts: the wait before the next try. What the status line has said of the watchdog, once.
    unsigned watchdogRetryMs = 0;
    bool watchdogFailureShown = false;
    bool watchdogInJobShown = false;
    std::wstring stateFileOverride;
    bool watchdogRole = false;
};

extern AppState app;

inline HWND ControlHandle(int id) {
    const int index = id - kFirstControlId;
    return (index >= 0 && index < kControlCount) ? app.controls[static_cast<std::size_t>(index)] : nullptr;
}

// The control exists right now; code that does not own a control checks before using it.
inline HWND LiveControl(int id) {
    HWND control = ControlHandle(id);
    return (control && IsWindow(control)) ? control : nullptr;
}

void SetStatusText(const std::wstring& text);
// "设置未能保存：" and the system's words for the error, in the user's language.
std::wstring SettingsNotSavedText(DWORD error);
void ToggleHidden();
