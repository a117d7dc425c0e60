// vlt-test-windows.exe: stands in for the user's programs in the tests. It opens the top-level windows
// described on its command line, prints "<index> <handle in hex>" for each and then "ready", and obeys lines
// on its standard input:
//   rename <index> <title>   close <index>   show <index>   minimize <index>   restore <index>   hide <index>
//   exstyle <index> <hex>    (sets the extended style)   visible-count -> how many of its windows are visible
//   query <index>            -> "<visible> <iconic> <exstyle hex> <is-window>"
//   foreground               -> "<handle in hex>" of the foreground window
//   activate <index>         (makes the window the foreground window) -> "ok"
//   hang <ms>                -> "ok", then the GUI thread reads no message for that long
//   shown-for <index>        -> how many ms the window stayed on the screen each time it was shown and then
//                               hidden, in order, separated by spaces; "-" when never
//   open-owned <index> <ms>  -> "ok"; after <ms> a new window "<title of index> reminder", owned by window
//                               <index>, is shown without activation (the helper's next window index)
//   hold-file <ms> <path>    -> "held 1" (or "held 0"): opens the file without sharing, as a scanner or an
//                               indexer may for a moment, and closes it <ms> later
//   events                   -> what happened to the windows since the last "events" (or since "ready"), in
//                               order, separated by spaces: "show:<index>", "hide:<index>" (WM_SHOWWINDOW),
//                               "exstyle:<index>:<new style hex>" (WM_STYLECHANGED), "frame:<index>" (a
//                               position change with SWP_FRAMECHANGED), "active:<index>" and
//                               "inactive:<index>" (WM_ACTIVATE), "mdown:<index>", "mup:<index>",
//                               "xdown:<index>" and "xup:<index>" (the middle and side buttons); "-" when
//                               nothing happened
//   quit
// and, about any window of any process (<window> is a handle in hex, <pid> a decimal process id):
//   find <class>             -> "<handle in hex>" of the first top-level window of that class, 0 when none
//   pid <window>             -> "<process id>" that owns the window, 0 when none
//   session                  -> the Windows session this helper runs in
//   child <window> <id>      -> "<handle in hex>" of its control with that id, 0 when none
//   state <window>           -> "<visible> <iconic> <exstyle hex> <is-window>", like query
//   text <window> [<id>]     -> the window's text (or its child control's with that id) in UTF-8
//   rect <window> [<id>]     -> "<left> <top> <right> <bottom>" in screen coordinates
//   input <window>           -> "<active> <focus>" handles in hex of the input state of the window's thread
//   rows <window> <id>       -> "<n>", then n lines "<ticked 0|1> <title>" of that list-view control
//   row-rect <window> <id> <row> -> "<left> <top> <right> <bottom>" of the row on the screen
//   items <window> <id>      -> "<n> <selected>", then n lines with the texts of that combo box
//   post <window> <message> <wparam> <lparam> (decimal or 0x-hex) -> "ok" or "error"
//   terminate <pid>...       -> "terminated <n>" (TerminateProcess with exit code 9, one right after another)
//   kill-tree <pid>          -> "killed <n>": ends the process and every process descended from it, by the
//                               parent ids of a process snapshot, as Task Manager's "End process tree" does
//   resources <pid>          -> "<handles> <gdi objects> <user objects> <working set bytes> <handles in the
//                               system table> <windows>" (Wine answers 0 for the first three)
//   spawn <command line>     -> "spawned <pid>" (0 when it did not start), the command line used as it is
//   spawn-in-job <command line> -> the same, the process put in a job of this helper that lets its processes
//                               break away, as launchers, terminals and IDEs do; end-job -> "ok" ends the job
//   exit-code <pid>          -> "exit <code>", "running", or "error" for a process not spawned here
//   processes <name prefix>  -> "<n>", then n lines "<pid> <exe name> <parent pid>" of the processes so named
//   windows <pid>            -> "<n>", then n lines "<handle in hex> <visible> <class>" in z-order
//   answers <window> <ms>    -> "<slowest answer in ms> <answers>": null messages sent one after the other
//                               for <ms>, each waited for at most 2 s
//   end-session <pid>...     -> "ended" or "cancelled": asks the processes in the order given whether the
//   session
//                               may end, as Windows does in the order of their shutdown levels (wineboot goes
//                               by process id), then tells every window asked whether it ends
// Window options, one argument each, every option applying to the window named before it:
//   --window <title>  --len <n> (pad the title with 'x' to n units)  --owner <index>  --tool  --appwindow
//   --minimized  --invisible  --notitle  --count <n> (n windows like it, titled "<title> 1" to "<title> n")
//   --corner (a window without frame, 120 x 120, in the top-left corner of the screen)
//   --refuse-hide (keeps itself on the screen when hidden)  --reshow <ms> (shows itself again, without
//   activation, <ms> after it was first hidden)  --front <ms> (shows itself and takes the foreground, as a
//   click on its tray icon would, <ms> after it was first hidden)  --retitle <ms> (adds " *" to its title
//   <ms> after it was first hidden)  --title-after <ms> <title> (takes that title <ms> after it was first
//   shown, as a browser's new window takes its page's)  --ask-save (asked whether the session may end, it
//   opens an owned question
//   "<title> 保存更改？" and says no, as a program with unsaved work does)
// Process options: --hold-hotkey <mods> <vk> (registers a global hotkey and prints "hotkey 1" or "hotkey 0"),
//   --lock-file <path> (opens the file without sharing until the end; may be given more than once),
//   --crash-remote <pid> (starts a thread at address 0 in that process, which faults there, prints "crashed
//   <0|1>" and exits).
// Never shipped: a test-only program.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT kCommandMessage = WM_APP + 7;
constexpr wchar_t kClassName[] = L"VltTestWindow";
constexpr wchar_t kCommandClassName[] = L"VltTestCommands";

struct WindowSpec {
    std::wstring title;
    int owner = -1;
    bool tool = false;
    bool appWindow = false;
    bool minimized = false;
    bool invisible = false;
    bool corner = false;
    int count = 1;
    bool refuseHide = false;
    bool askSave = false;
    // What it does once, the given time after it was first hidden; 0: nothing.
    int reshowMs = 0;
    int frontMs = 0;
    int retitleMs = 0;
    int titleAfterMs = 0;
    std::wstring laterTitle;
};

std::vector<HWND> windows;
// Parallel to `windows`: how each behaves.
std::vector<WindowSpec> behaviours;
constexpr UINT_PTR kReshowTimer = 1;
constexpr UINT_PTR kFrontTimer = 2;
constexpr UINT_PTR kRetitleTimer = 3;
constexpr UINT_PTR kLaterTitleTimer = 4;
// On the command window: the end of a file's hold.
constexpr UINT_PTR kHoldTimer = 50;
HANDLE heldFile = INVALID_HANDLE_VALUE;
// Parallel to `windows`: when each was last shown (0: it is not), and how long it stayed each time.
std::vector<ULONGLONG> shownAt;
std::vector<std::string> shownFor;
// Windows to open later, by timer id on the command window: the index of their owner.
std::vector<std::pair<UINT_PTR, int>> ownedToOpen;
// Receives the command lines: a window, unlike the thread, still gets them while a modal loop runs (a system
// menu opened by a stray Alt+Space, for one).
HWND commandWindow = nullptr;
// Only the GUI thread touches it: the window procedure and the command execution both run there.
std::vector<std::string> events;

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string HexOf(HWND hwnd) {
    char text[32];
    std::snprintf(text, sizeof(text), "%llX",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return text;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

int IndexOf(HWND hwnd) {
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i] == hwnd) return static_cast<int>(i);
    }
    return -1;
}

std::wstring TitleOf(HWND hwnd) {
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    return title;
}

HWND OpenWindow(const WindowSpec& spec, HWND owner, int offset);

// The test windows have no keyboard menu: a hotkey press that Wine hands to the window as plain keys would
// otherwise open the system menu, whose modal loop swallows every later key.
LRESULT CALLBACK RecordingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) return 0;
    const int index = IndexOf(hwnd);
    if (index >= 0) {
        WindowSpec& behaviour = behaviours[static_cast<std::size_t>(index)];
        if (message == WM_WINDOWPOSCHANGING && behaviour.refuseHide)
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_HIDEWINDOW);
        if (message == WM_SHOWWINDOW && !wParam) {
            for (auto [timer, ms] : {std::pair{kReshowTimer, &behaviour.reshowMs},
                                     {kFrontTimer, &behaviour.frontMs},
                                     {kRetitleTimer, &behaviour.retitleMs}}) {
                if (*ms > 0) SetTimer(hwnd, timer, static_cast<UINT>(*ms), nullptr);
                *ms = 0;
            }
        }
        if (message == WM_SHOWWINDOW && wParam && behaviour.titleAfterMs > 0) {
            SetTimer(hwnd, kLaterTitleTimer, static_cast<UINT>(behaviour.titleAfterMs), nullptr);
            behaviour.titleAfterMs = 0;
        }
        if (message == WM_TIMER && wParam >= kReshowTimer && wParam <= kLaterTitleTimer) {
            KillTimer(hwnd, wParam);
            if (wParam == kReshowTimer) ShowWindow(hwnd, SW_SHOWNA);
            if (wParam == kFrontTimer) {
                ShowWindow(hwnd, SW_SHOW);
                SetForegroundWindow(hwnd);
            }
            if (wParam == kRetitleTimer) SetWindowTextW(hwnd, (TitleOf(hwnd) + L" *").c_str());
            if (wParam == kLaterTitleTimer) SetWindowTextW(hwnd, behaviour.laterTitle.c_str());
        }
        if (message == WM_QUERYENDSESSION && behaviour.askSave) {
            ShowWindow(OpenWindow({TitleOf(hwnd) + L" 保存更改？"}, hwnd, 150), SW_SHOW);
            return FALSE;
        }
        const std::string name = std::to_string(index);
        if (message == WM_SHOWWINDOW) {
            events.push_back((wParam ? "show:" : "hide:") + name);
            const auto at = static_cast<std::size_t>(index);
            if (wParam) {
                shownAt[at] = GetTickCount64();
            } else if (shownAt[at] != 0) {
                std::string& spans = shownFor[at];
                if (!spans.empty()) spans.push_back(' ');
                spans.append(std::to_string(GetTickCount64() - shownAt[at]));
                shownAt[at] = 0;
            }
        }
        if (message == WM_ACTIVATE)
            events.push_back((LOWORD(wParam) != WA_INACTIVE ? "active:" : "inactive:") + name);
        for (const auto& [button, text] : {std::pair<UINT, const char*>{WM_MBUTTONDOWN, "mdown:"},
                                           {WM_MBUTTONUP, "mup:"},
                                           {WM_XBUTTONDOWN, "xdown:"},
                                           {WM_XBUTTONUP, "xup:"}}) {
            if (message == button) events.push_back(text + name);
        }
        if (message == WM_STYLECHANGED && static_cast<int>(wParam) == GWL_EXSTYLE) {
            char style[32];
            std::snprintf(style, sizeof(style), "%lX",
                          static_cast<unsigned long>(reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew));
            events.push_back("exstyle:" + name + ":" + style);
        }
        if (message == WM_WINDOWPOSCHANGED &&
            (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_FRAMECHANGED)) {
            events.push_back("frame:" + name);
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND WindowAt(const std::string& index) {
    const int i = std::atoi(index.c_str());
    return (i >= 0 && static_cast<std::size_t>(i) < windows.size()) ? windows[static_cast<std::size_t>(i)]
                                                                    : nullptr;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), bytes, nullptr,
                        nullptr);
    return narrow;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find(' ', at);
        if (end != at)
            words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return words;
}

unsigned long long Number(const std::string& text, int base = 0) {
    return std::strtoull(text.c_str(), nullptr, base);
}

HWND HandleArg(const std::string& text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(Number(text, 16)));
}

std::string RectText(RECT rect) {
    char text[96];
    std::snprintf(text, sizeof(text), "%ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
    return text;
}

// Another program's window or one of its controls; the control when an id follows the window.
HWND Addressed(const std::vector<std::string>& words) {
    HWND window = words.size() > 1 ? HandleArg(words[1]) : nullptr;
    if (window && words.size() > 2) window = GetDlgItem(window, static_cast<int>(Number(words[2])));
    return window;
}

// A message to a window of another process, never waiting long on a program that does not answer.
LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
    const auto length = static_cast<std::size_t>(SendTo(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto got = static_cast<std::size_t>(
        SendTo(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
    text.resize(got < length ? got : length);
    return text;
}

// Memory in the process that owns a window: list-view messages carry pointers that only mean something
// there.
struct RemoteMemory {
    HANDLE process = nullptr;
    char* base = nullptr;
    RemoteMemory(HWND window, std::size_t size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (process)
            base = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteMemory() {
        if (base) VirtualFreeEx(process, base, 0, MEM_RELEASE);
        if (process) CloseHandle(process);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    bool Put(std::size_t offset, const void* data, std::size_t size) const {
        return WriteProcessMemory(process, base + offset, data, size, nullptr) != FALSE;
    }
    bool Get(std::size_t offset, void* data, std::size_t size) const {
        return ReadProcessMemory(process, base + offset, data, size, nullptr) != FALSE;
    }
};

// The memory in the other process is released before anything is said: once the answer is out, the test may
// end that process, and freeing memory in a process that is being killed can hang under Wine.
std::vector<std::string> RowLines(HWND list) {
    const auto count = static_cast<int>(SendTo(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> lines = {std::to_string(count)};
    constexpr std::size_t kTextUnits = 1024;
    RemoteMemory memory(list, sizeof(LVITEMW) + kTextUnits * sizeof(wchar_t));
    for (int row = 0; row < count; ++row) {
        const auto state = static_cast<UINT>(SendTo(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        const bool ticked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
        wchar_t text[kTextUnits] = {};
        if (memory.base) {
            LVITEMW item = {};
            item.iSubItem = 0;
            item.cchTextMax = static_cast<int>(kTextUnits);
            item.pszText = reinterpret_cast<wchar_t*>(memory.base + sizeof(LVITEMW));
            memory.Put(0, &item, sizeof(item));
            memory.Put(sizeof(LVITEMW), text, sizeof(wchar_t));
            SendTo(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory.base));
            memory.Get(sizeof(LVITEMW), text, sizeof(text) - sizeof(wchar_t));
        }
        lines.push_back(std::string(ticked ? "1 " : "0 ") + Narrow(text));
    }
    return lines;
}

std::string RowRect(HWND list, int row) {
    RemoteMemory memory(list, sizeof(RECT));
    RECT rect = {};
    rect.left = LVIR_BOUNDS;
    if (!memory.base || !memory.Put(0, &rect, sizeof(rect)) ||
        !SendTo(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.base)) ||
        !memory.Get(0, &rect, sizeof(rect))) {
        return "error";
    }
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return RectText(rect);
}

void SayComboItems(HWND combo) {
    const auto count = static_cast<int>(SendTo(combo, CB_GETCOUNT, 0, 0));
    const auto selected = static_cast<int>(SendTo(combo, CB_GETCURSEL, 0, 0));
    Say(std::to_string(count) + " " + std::to_string(selected));
    for (int i = 0; i < count; ++i) {
        const auto length = static_cast<std::size_t>(SendTo(combo, CB_GETLBTEXTLEN, i, 0));
        std::wstring text(length + 1, L'\0');
        SendTo(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(length);
        Say(Narrow(text));
    }
}

// Counts the handles a process holds from the system-wide handle table, for systems where
// GetProcessHandleCount does not look into other processes.
std::size_t HandlesInSystemTable(DWORD processId) {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    struct Entry { // SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX
        void* object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT creatorBackTrace;
        USHORT typeIndex;
        ULONG attributes;
        ULONG reserved;
    };
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const LONG status =
            query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch && buffer.size() < (256u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status < 0) return 0;
        break;
    }
    const auto total = *reinterpret_cast<const ULONG_PTR*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    std::size_t count = 0;
    for (ULONG_PTR i = 0; i < total; ++i)
        count += entries[i].processId == processId ? 1 : 0;
    return count;
}

BOOL CALLBACK CountWindow(HWND, LPARAM param) {
    ++*reinterpret_cast<std::size_t*>(param);
    return TRUE;
}

struct WindowCount {
    DWORD processId;
    std::size_t count;
};

BOOL CALLBACK CountProcessWindows(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search.processId) return TRUE;
    ++search.count;
    EnumChildWindows(hwnd, CountWindow, reinterpret_cast<LPARAM>(&search.count));
    return TRUE;
}

// Windows are the USER objects that can be counted from outside on every system.
std::size_t WindowsOfProcess(DWORD processId) {
    WindowCount search{processId, 0};
    EnumWindows(CountProcessWindows, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

std::string Resources(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return "error";
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process, &memory, sizeof(memory));
    const std::string text =
        std::to_string(handles) + " " + std::to_string(GetGuiResources(process, GR_GDIOBJECTS)) + " " +
        std::to_string(GetGuiResources(process, GR_USEROBJECTS)) + " " +
        std::to_string(memory.WorkingSetSize) + " " + std::to_string(HandlesInSystemTable(processId)) + " " +
        std::to_string(WindowsOfProcess(processId));
    CloseHandle(process);
    return text;
}

struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<ProcessWindows*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search.processId) search.found.push_back(hwnd);
    return TRUE;
}

std::string EndSession(const std::vector<std::string>& words) {
    std::vector<HWND> asked;
    bool ending = true;
    for (std::size_t i = 1; i < words.size() && ending; ++i) {
        ProcessWindows search{static_cast<DWORD>(Number(words[i])), {}};
        EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
        for (HWND hwnd : search.found) {
            asked.push_back(hwnd);
            ending = SendTo(hwnd, WM_QUERYENDSESSION, 0, 0) && ending;
        }
    }
    for (HWND hwnd : asked)
        SendTo(hwnd, WM_ENDSESSION, ending, 0);
    return ending ? "ended" : "cancelled";
}

void SayWindowsOf(DWORD processId) {
    ProcessWindows search{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    Say(std::to_string(search.found.size()));
    for (HWND hwnd : search.found) {
        wchar_t name[128] = {};
        GetClassNameW(hwnd, name, 128);
        Say(HexOf(hwnd) + (IsWindowVisible(hwnd) ? " 1 " : " 0 ") + Narrow(name));
    }
}

std::string StateText(HWND target) {
    char text[96];
    std::snprintf(text, sizeof(text), "%d %d %llX %d", target && IsWindowVisible(target) ? 1 : 0,
                  target && IsIconic(target) ? 1 : 0,
                  static_cast<unsigned long long>(target ? GetWindowLongPtrW(target, GWL_EXSTYLE) : 0),
                  target && IsWindow(target) ? 1 : 0);
    return text;
}

// Processes started by "spawn", kept open so their exit codes can be read.
std::vector<HANDLE> spawned;
HANDLE job = nullptr;

DWORD Spawn(std::wstring commandLine, bool inJob) {
    if (inJob && !job) {
        job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_BREAKAWAY_OK | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, inJob ? CREATE_SUSPENDED : 0,
                        nullptr, nullptr, &startup, &process)) {
        return 0;
    }
    if (inJob) {
        AssignProcessToJobObject(job, process.hProcess);
        ResumeThread(process.hThread);
    }
    CloseHandle(process.hThread);
    spawned.push_back(process.hProcess);
    return process.dwProcessId;
}

std::size_t KillTree(DWORD root) {
    std::vector<DWORD> tree = {root};
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (std::size_t known = 0; known != tree.size();) {
        known = tree.size();
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (std::find(tree.begin(), tree.end(), entry.th32ParentProcessID) != tree.end() &&
                std::find(tree.begin(), tree.end(), entry.th32ProcessID) == tree.end())
                tree.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    std::size_t killed = 0;
    for (DWORD processId : tree) {
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId)) {
            killed += TerminateProcess(process, 9) ? 1 : 0;
            CloseHandle(process);
        }
    }
    return killed;
}

std::string ExitCodeText(DWORD processId) {
    for (HANDLE process : spawned) {
        if (GetProcessId(process) != processId) continue;
        DWORD code = 0;
        if (!GetExitCodeProcess(process, &code)) return "error";
        return code == STILL_ACTIVE ? "running" : "exit " + std::to_string(code);
    }
    return "error";
}

void SayProcesses(const std::wstring& namePrefix) {
    std::vector<std::string> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry = {sizeof(entry)};
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (_wcsnicmp(entry.szExeFile, namePrefix.c_str(), namePrefix.size()) == 0)
                found.push_back(std::to_string(entry.th32ProcessID) + " " + Narrow(entry.szExeFile) + " " +
                                std::to_string(entry.th32ParentProcessID));
        }
        CloseHandle(snapshot);
    }
    Say(std::to_string(found.size()));
    for (const std::string& line : found)
        Say(line);
}

// Questions about windows of other programs; false when the verb is not one of them.
bool ExecuteAboutOthers(const std::string& line) {
    const std::vector<std::string> words = Words(line);
    if (words.empty()) return false;
    const std::string& verb = words[0];
    if (verb == "find" && words.size() > 1) {
        Say(HexOf(FindWindowW(Widen(line.substr(5)).c_str(), nullptr)));
    } else if (verb == "session") {
        DWORD session = 0;
        ProcessIdToSessionId(GetCurrentProcessId(), &session);
        Say(std::to_string(session));
    } else if (verb == "pid" && words.size() > 1) {
        DWORD processId = 0;
        GetWindowThreadProcessId(HandleArg(words[1]), &processId);
        Say(std::to_string(processId));
    } else if (verb == "child" && words.size() > 2) {
        Say(HexOf(Addressed(words)));
    } else if (verb == "state" && words.size() > 1) {
        Say(StateText(HandleArg(words[1])));
    } else if (verb == "text" && words.size() > 1) {
        Say(Narrow(TextOf(Addressed(words))));
    } else if (verb == "rect" && words.size() > 1) {
        RECT rect = {};
        Say(GetWindowRect(Addressed(words), &rect) ? RectText(rect) : "error");
    } else if (verb == "input" && words.size() > 1) {
        GUITHREADINFO info = {sizeof(info)};
        const DWORD thread = GetWindowThreadProcessId(HandleArg(words[1]), nullptr);
        if (thread && GetGUIThreadInfo(thread, &info)) {
            Say(HexOf(info.hwndActive) + " " + HexOf(info.hwndFocus));
        } else {
            Say("error");
        }
    } else if (verb == "rows" && words.size() > 2) {
        for (const std::string& row : RowLines(Addressed(words)))
            Say(row);
    } else if (verb == "row-rect" && words.size() > 3) {
        Say(RowRect(Addressed(words), static_cast<int>(Number(words[3]))));
    } else if (verb == "items" && words.size() > 2) {
        SayComboItems(Addressed(words));
    } else if (verb == "post" && words.size() > 4) {
        Say(PostMessageW(HandleArg(words[1]), static_cast<UINT>(Number(words[2])),
                         static_cast<WPARAM>(Number(words[3])), static_cast<LPARAM>(Number(words[4])))
                ? "ok"
                : "error");
    } else if (verb == "terminate" && words.size() > 1) {
        int ended = 0;
        for (std::size_t i = 1; i < words.size(); ++i) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(Number(words[i])));
            ended += process && TerminateProcess(process, 9) ? 1 : 0;
            if (process) CloseHandle(process);
        }
        Say("terminated " + std::to_string(ended));
    } else if ((verb == "spawn" || verb == "spawn-in-job") && words.size() > 1) {
        Say("spawned " + std::to_string(Spawn(Widen(line.substr(verb.size() + 1)), verb == "spawn-in-job")));
    } else if (verb == "end-job") {
        Say(TerminateJobObject(job, 1) ? "ok" : "error");
    } else if (verb == "kill-tree" && words.size() > 1) {
        Say("killed " + std::to_string(KillTree(static_cast<DWORD>(Number(words[1])))));
    } else if (verb == "exit-code" && words.size() > 1) {
        Say(ExitCodeText(static_cast<DWORD>(Number(words[1]))));
    } else if (verb == "processes" && words.size() > 1) {
        SayProcesses(Widen(words[1]));
    } else if (verb == "resources" && words.size() > 1) {
        Say(Resources(static_cast<DWORD>(Number(words[1]))));
    } else if (verb == "end-session" && words.size() > 1) {
        Say(EndSession(words));
    } else if (verb == "windows" && words.size() > 1) {
        SayWindowsOf(static_cast<DWORD>(Number(words[1])));
    } else if (verb == "answers" && words.size() > 2) {
        const ULONGLONG end = GetTickCount64() + Number(words[2]);
        ULONGLONG slowest = 0;
        int answers = 0;
        while (GetTickCount64() < end) {
            const ULONGLONG sent = GetTickCount64();
            DWORD_PTR result = 0;
            answers +=
                SendMessageTimeoutW(HandleArg(words[1]), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) ? 1
                                                                                                         : 0;
            slowest = std::max(slowest, GetTickCount64() - sent);
        }
        Say(std::to_string(slowest) + " " + std::to_string(answers));
    } else {
        return false;
    }
    return true;
}

// Runs on the GUI thread: the windows belong to it.
void Execute(const std::string& line) {
    if (ExecuteAboutOthers(line)) return;
    const std::size_t space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    const std::size_t space2 = rest.find(' ');
    HWND target = WindowAt(rest.substr(0, space2));
    if (verb == "quit") {
        PostQuitMessage(0);
    } else if (verb == "rename" && target) {
        SetWindowTextW(target,
                       Widen(space2 == std::string::npos ? std::string() : rest.substr(space2 + 1)).c_str());
        Say("ok");
    } else if (verb == "close" && target) {
        DestroyWindow(target);
        Say("ok");
    } else if ((verb == "show" || verb == "minimize" || verb == "restore" || verb == "hide") && target) {
        ShowWindow(target, verb == "show"       ? SW_SHOW
                           : verb == "minimize" ? SW_MINIMIZE
                           : verb == "restore"  ? SW_RESTORE
                                                : SW_HIDE);
        Say("ok");
    } else if (verb == "exstyle" && target && space2 != std::string::npos) {
        SetWindowLongPtrW(target, GWL_EXSTYLE, static_cast<LONG_PTR>(Number(rest.substr(space2 + 1), 16)));
        SetWindowPos(target, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        Say("ok");
    } else if (verb == "visible-count") {
        int visible = 0;
        for (HWND hwnd : windows)
            visible += IsWindowVisible(hwnd) ? 1 : 0;
        Say(std::to_string(visible));
    } else if (verb == "query") {
        Say(StateText(target));
    } else if (verb == "foreground") {
        Say(HexOf(GetForegroundWindow()));
    } else if (verb == "activate" && target) {
        SetForegroundWindow(target);
        Say("ok");
    } else if (verb == "shown-for" && target) {
        const std::string& spans = shownFor[static_cast<std::size_t>(IndexOf(target))];
        Say(spans.empty() ? "-" : spans);
    } else if (verb == "hang") {
        Say("ok");
        Sleep(static_cast<DWORD>(Number(rest)));
    } else if (verb == "open-owned" && target && space2 != std::string::npos) {
        const UINT_PTR timer = 100 + ownedToOpen.size();
        ownedToOpen.emplace_back(timer, IndexOf(target));
        SetTimer(commandWindow, timer, static_cast<UINT>(Number(rest.substr(space2 + 1))), nullptr);
        Say("ok");
    } else if (verb == "hold-file" && space2 != std::string::npos && heldFile == INVALID_HANDLE_VALUE) {
        heldFile = CreateFileW(Widen(rest.substr(space2 + 1)).c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (heldFile != INVALID_HANDLE_VALUE)
            SetTimer(commandWindow, kHoldTimer, static_cast<UINT>(Number(rest.substr(0, space2))), nullptr);
        Say(heldFile != INVALID_HANDLE_VALUE ? "held 1" : "held 0");
    } else if (verb == "events") {
        std::string line;
        for (const std::string& event : events)
            line += (line.empty() ? "" : " ") + event;
        events.clear();
        Say(line.empty() ? "-" : line);
    } else {
        Say("error");
    }
}

HWND OpenWindow(const WindowSpec& spec, HWND owner, int offset) {
    const DWORD exStyle = (spec.tool ? WS_EX_TOOLWINDOW : 0) | (spec.appWindow ? WS_EX_APPWINDOW : 0);
    HWND hwnd = spec.corner ? CreateWindowExW(exStyle, kClassName, spec.title.c_str(), WS_POPUP, 0, 0, 120,
                                              120, owner, nullptr, GetModuleHandleW(nullptr), nullptr)
                            : CreateWindowExW(exStyle, kClassName, spec.title.c_str(), WS_OVERLAPPEDWINDOW,
                                              820 + offset, 60 + offset, 360, 240, owner, nullptr,
                                              GetModuleHandleW(nullptr), nullptr);
    windows.push_back(hwnd);
    behaviours.push_back(spec);
    shownAt.push_back(0);
    shownFor.emplace_back();
    return hwnd;
}

void OpenOwnedWindow(UINT_PTR timer) {
    KillTimer(commandWindow, timer);
    for (const auto& [id, ownerIndex] : ownedToOpen) {
        if (id != timer) continue;
        HWND owner = windows[static_cast<std::size_t>(ownerIndex)];
        ShowWindow(OpenWindow({TitleOf(owner) + L" reminder"}, owner, 150), SW_SHOWNA);
    }
}

LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kHoldTimer) {
        KillTimer(window, kHoldTimer);
        CloseHandle(std::exchange(heldFile, INVALID_HANDLE_VALUE));
        return 0;
    }
    if (message == WM_TIMER) {
        OpenOwnedWindow(wParam);
        return 0;
    }
    if (message != kCommandMessage) return DefWindowProcW(window, message, wParam, lParam);
    auto* line = reinterpret_cast<std::string*>(lParam);
    Execute(*line);
    delete line;
    return 0;
}

// Lines of any length: a command may carry a very long command line.
bool ReadLine(std::string& line) {
    line.clear();
    char buffer[4096];
    while (std::fgets(buffer, sizeof(buffer), stdin)) {
        line += buffer;
        if (line.back() == '\n') break;
    }
    if (line.empty()) return false;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return true;
}

DWORD WINAPI ReadCommands(void*) {
    std::string line;
    while (ReadLine(line))
        PostMessageW(commandWindow, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string(line)));
    PostMessageW(commandWindow, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
    return 0;
}

// A spec with a count stands for that many numbered copies of itself; the others are kept as they are.
std::vector<WindowSpec> Expanded(const std::vector<WindowSpec>& specs) {
    std::vector<WindowSpec> windows;
    for (const WindowSpec& spec : specs) {
        if (spec.count == 1) {
            windows.push_back(spec);
            continue;
        }
        for (int n = 1; n <= spec.count; ++n) {
            WindowSpec copy = spec;
            copy.title += L" " + std::to_wstring(n);
            copy.count = 1;
            windows.push_back(copy);
        }
    }
    return windows;
}

std::vector<WindowSpec> ParseWindows(int argc, wchar_t** argv) {
    std::vector<WindowSpec> specs;
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == L"--window" && hasValue) {
            specs.push_back({argv[++i]});
        } else if (specs.empty()) {
            continue;
        } else if (option == L"--len" && hasValue) {
            specs.back().title.resize(static_cast<std::size_t>(_wtoi(argv[++i])), L'x');
        } else if (option == L"--owner" && hasValue) {
            specs.back().owner = _wtoi(argv[++i]);
        } else if (option == L"--tool") {
            specs.back().tool = true;
        } else if (option == L"--appwindow") {
            specs.back().appWindow = true;
        } else if (option == L"--minimized") {
            specs.back().minimized = true;
        } else if (option == L"--invisible") {
            specs.back().invisible = true;
        } else if (option == L"--corner") {
            specs.back().corner = true;
        } else if (option == L"--notitle") {
            specs.back().title.clear();
        } else if (option == L"--count" && hasValue) {
            specs.back().count = _wtoi(argv[++i]);
        } else if (option == L"--refuse-hide") {
            specs.back().refuseHide = true;
        } else if (option == L"--reshow" && hasValue) {
            specs.back().reshowMs = _wtoi(argv[++i]);
        } else if (option == L"--front" && hasValue) {
            specs.back().frontMs = _wtoi(argv[++i]);
        } else if (option == L"--retitle" && hasValue) {
            specs.back().retitleMs = _wtoi(argv[++i]);
        } else if (option == L"--title-after" && i + 2 < argc) {
            specs.back().titleAfterMs = _wtoi(argv[++i]);
            specs.back().laterTitle = argv[++i];
        } else if (option == L"--ask-save") {
            specs.back().askSave = true;
        }
    }
    return Expanded(specs);
}

int CrashRemote(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
    HANDLE thread = process
                        ? CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(0),
                                             nullptr, 0, nullptr)
                        : nullptr;
    Say(thread ? "crashed 1" : "crashed 0");
    if (thread) CloseHandle(thread);
    if (process) CloseHandle(process);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<HANDLE> lockedFiles;
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--crash-remote" && i + 1 < argc)
            return CrashRemote(static_cast<DWORD>(_wtoi(argv[i + 1])));
        if (option == L"--lock-file" && i + 1 < argc) {
            HANDLE lockedFile =
                CreateFileW(argv[++i], GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            Say(lockedFile != INVALID_HANDLE_VALUE ? "locked 1" : "locked 0");
            if (lockedFile != INVALID_HANDLE_VALUE) lockedFiles.push_back(lockedFile);
        }
        if (option == L"--hold-hotkey" && i + 2 < argc) {
            const bool held = RegisterHotKey(nullptr, 1, static_cast<UINT>(_wtoi(argv[i + 1])) | MOD_NOREPEAT,
                                             static_cast<UINT>(_wtoi(argv[i + 2]))) != FALSE;
            Say(held ? "hotkey 1" : "hotkey 0");
            i += 2;
        }
    }
    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.lpfnWndProc = RecordingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    const std::vector<WindowSpec> specs = ParseWindows(argc, argv);
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const WindowSpec& spec = specs[i];
        HWND owner = (spec.owner >= 0 && static_cast<std::size_t>(spec.owner) < windows.size())
                         ? windows[static_cast<std::size_t>(spec.owner)]
                         : nullptr;
        HWND hwnd = OpenWindow(spec, owner, static_cast<int>(i % 10) * 30);
        if (!spec.invisible) ShowWindow(hwnd, spec.minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
        Say(std::to_string(i) + " " + HexOf(hwnd));
    }
    WNDCLASSEXW commandClass = {sizeof(commandClass)};
    commandClass.lpfnWndProc = CommandWindowProc;
    commandClass.hInstance = windowClass.hInstance;
    commandClass.lpszClassName = kCommandClassName;
    RegisterClassExW(&commandClass);
    commandWindow = CreateWindowExW(0, kCommandClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr);
    events.clear();
    Say("ready");
    CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    for (HANDLE lockedFile : lockedFiles)
        CloseHandle(lockedFile);
    return 0;
}
