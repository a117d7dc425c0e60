// vlt-test-windows.exe: stands in for the user's programs in the tests. It opens the top-level windows
// described on its command line, prints "<index> <handle in hex>" for each and then "ready", and obeys lines
// on its standard input:
//   rename <index> <title>   close <index>   show <index>   minimize <index>   restore <index>
//   query <index>            -> "<visible> <iconic> <exstyle hex> <is-window>"
//   foreground               -> "<handle in hex>" of the foreground window
//   activate <index>         (makes the window the foreground window) -> "ok"
//   events                   -> what happened to the windows since the last "events" (or since "ready"), in
//                               order, separated by spaces: "show:<index>", "hide:<index>" (WM_SHOWWINDOW),
//                               "exstyle:<index>:<new style hex>" (WM_STYLECHANGED), "frame:<index>" (a
//                               position change with SWP_FRAMECHANGED), "active:<index>" and
//                               "inactive:<index>" (WM_ACTIVATE); "-" when nothing happened
//   quit
// Window options, one argument each, every option applying to the window named before it:
//   --window <title>  --len <n> (pad the title with 'x' to n units)  --owner <index>  --tool  --appwindow
//   --minimized  --invisible  --notitle  --count <n> (n windows like it, titled "<title> 1" to "<title> n")
// Process options: --hold-hotkey <mods> <vk> (registers a global hotkey and prints "hotkey 1" or "hotkey 0"),
//   --lock-file <path> (opens the file without sharing until the end; may be given more than once),
//   --crash-remote <pid> (starts a thread at address 0 in that process, which faults there, prints "crashed
//   <0|1>" and exits).
// Never shipped: a test-only program.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT kCommandMessage = WM_APP + 7;
constexpr wchar_t kClassName[] = L"VltTestWindow";

struct WindowSpec {
    std::wstring title;
    int owner = -1;
    bool tool = false;
    bool appWindow = false;
    bool minimized = false;
    bool invisible = false;
    int count = 1;
};

std::vector<HWND> windows;
DWORD mainThread = 0;
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

LRESULT CALLBACK RecordingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = IndexOf(hwnd);
    if (index >= 0) {
        const std::string name = std::to_string(index);
        if (message == WM_SHOWWINDOW) events.push_back((wParam ? "show:" : "hide:") + name);
        if (message == WM_ACTIVATE)
            events.push_back((LOWORD(wParam) != WA_INACTIVE ? "active:" : "inactive:") + name);
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

// Runs on the GUI thread: the windows belong to it.
void Execute(const std::string& line) {
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
    } else if ((verb == "show" || verb == "minimize" || verb == "restore") && target) {
        ShowWindow(target, verb == "show" ? SW_SHOW : verb == "minimize" ? SW_MINIMIZE : SW_RESTORE);
        Say("ok");
    } else if (verb == "query") {
        char text[96];
        std::snprintf(text, sizeof(text), "%d %d %llX %d", target && IsWindowVisible(target) ? 1 : 0,
                      target && IsIconic(target) ? 1 : 0,
                      static_cast<unsigned long long>(target ? GetWindowLongPtrW(target, GWL_EXSTYLE) : 0),
                      target && IsWindow(target) ? 1 : 0);
        Say(text);
    } else if (verb == "foreground") {
        Say(HexOf(GetForegroundWindow()));
    } else if (verb == "activate" && target) {
        SetForegroundWindow(target);
        Say("ok");
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

DWORD WINAPI ReadCommands(void*) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof(buffer), stdin)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        PostThreadMessageW(mainThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string(line)));
    }
    PostThreadMessageW(mainThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
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
        } else if (option == L"--notitle") {
            specs.back().title.clear();
        } else if (option == L"--count" && hasValue) {
            specs.back().count = _wtoi(argv[++i]);
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
    mainThread = GetCurrentThreadId();
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
        DWORD exStyle = (spec.tool ? WS_EX_TOOLWINDOW : 0) | (spec.appWindow ? WS_EX_APPWINDOW : 0);
        const int offset = static_cast<int>(i % 10) * 30;
        HWND hwnd =
            CreateWindowExW(exStyle, kClassName, spec.title.c_str(), WS_OVERLAPPEDWINDOW, 820 + offset,
                            60 + offset, 360, 240, owner, nullptr, windowClass.hInstance, nullptr);
        windows.push_back(hwnd);
        if (!spec.invisible) ShowWindow(hwnd, spec.minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
        Say(std::to_string(i) + " " + HexOf(hwnd));
    }
    events.clear();
    Say("ready");
    CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == kCommandMessage) {
            auto* line = reinterpret_cast<std::string*>(message.lParam);
            Execute(*line);
            delete line;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    for (HANDLE lockedFile : lockedFiles)
        CloseHandle(lockedFile);
    return 0;
}
