#include "tests/win/support.h"

#include "app/hub.h"
#include "engine/engine.h"
#include "engine/state_format.h"
#include "ui/app_state.h"
#include "ui/tray.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cwchar>

std::wstring BesideTests(const std::wstring& name) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path(module);
    path.erase(path.find_last_of(L'\\') + 1);
    return path + name;
}

std::wstring VeltranoExePath() {
    return BesideTests(L"..\\veltrano.exe");
}

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    static unsigned counter = 0;
    for (;;) {
        path = std::wstring(temp) + L"vlt-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter) + L"\\";
        if (CreateDirectoryW(path.c_str(), nullptr)) break;
    }
}

TempFolder::~TempFolder() {
    std::wstring from = path;
    from.pop_back();
    from.push_back(L'\0'); // the shell wants a double-terminated list
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                        nullptr);
    return out;
}

void PrintTo(const WindowKey& key, std::ostream* out) {
    *out << "{\"" << Utf8(key.title) << "\" (" << key.title.size() << " units) | \"" << Utf8(key.processName)
         << "\"}";
}

void PrintTo(const SnapshotItem& item, std::ostream* out) {
    *out << "{" << item.hwnd << " \"" << Utf8(item.title) << "\"}";
}

namespace {

std::wstring Quote(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    for (wchar_t c : argument) {
        if (c == L'"') quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

} // namespace

Helper::Helper(const std::vector<std::wstring>& arguments)
    : Helper(arguments, BesideTests(L"vlt-test-windows.exe")) {}

Helper::Helper(const std::vector<std::wstring>& arguments, const std::wstring& exePath) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE childIn = nullptr;
    HANDLE childOut = nullptr;
    CreatePipe(&childIn, &commands, &inherit, 0);
    CreatePipe(&replies, &childOut, &inherit, 0);
    SetHandleInformation(commands, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(replies, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = Quote(exePath);
    for (const std::wstring& argument : arguments)
        commandLine += L" " + Quote(argument);
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    // Once in a few hundred starts a CI run saw Wine refuse to start the helper; it is tried once more, and
    // the refusal is still written to the log.
    if (!started) {
        std::fprintf(stderr, "the helper program did not start (error %lu), trying again\n", GetLastError());
        Sleep(200);
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &process);
    }
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!started) {
        ADD_FAILURE() << "the helper program did not start: error " << GetLastError();
        return;
    }
    for (;;) {
        const std::string line = ReadLine();
        if (line.empty() || line == "ready") break;
        const std::size_t space = line.find(' ');
        if (space != std::string::npos && line[0] >= '0' && line[0] <= '9') {
            windows.push_back(reinterpret_cast<HWND>(std::stoull(line.substr(space + 1), nullptr, 16)));
        } else {
            preamble.push_back(line);
        }
    }
}

Helper::~Helper() {
    if (commands) {
        DWORD written = 0;
        WriteFile(commands, "quit\n", 5, &written, nullptr);
        CloseHandle(commands);
    }
    if (process.hProcess) {
        if (WaitForSingleObject(process.hProcess, 3000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    if (replies) CloseHandle(replies);
}

std::string Helper::ReadLine() {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(replies, &c, 1, &got, nullptr) && got == 1) {
        if (c == '\n') break;
        if (c != '\r') line.push_back(c);
    }
    return line;
}

std::string Helper::Ask(const std::string& command) {
    const std::string line = command + "\n";
    DWORD written = 0;
    WriteFile(commands, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return ReadLine();
}

void Helper::Rename(int index, const std::wstring& title) {
    EXPECT_EQ(Ask("rename " + std::to_string(index) + " " + Utf8(title)), "ok");
}

void Helper::Close(int index) {
    EXPECT_EQ(Ask("close " + std::to_string(index)), "ok");
}

void Helper::Activate(int index) {
    EXPECT_EQ(Ask("activate " + std::to_string(index)), "ok");
}

std::vector<std::string> Helper::Events() {
    const std::string line = Ask("events");
    std::vector<std::string> events;
    if (line == "-") return events;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t space = line.find(' ', start);
        const std::size_t end = space == std::string::npos ? line.size() : space;
        if (end > start) events.push_back(line.substr(start, end - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    return events;
}

std::vector<std::string> WindowChanges(const std::vector<std::string>& events) {
    std::vector<std::string> changes;
    for (const std::string& event : events) {
        if (event.rfind("active:", 0) != 0 && event.rfind("inactive:", 0) != 0) changes.push_back(event);
    }
    return changes;
}

WindowState StateOf(HWND hwnd) {
    return {IsWindowVisible(hwnd) != FALSE, IsIconic(hwnd) != FALSE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE)};
}

Veltrano::Veltrano(const std::string& settings) {
    exe = folder.File(L"veltrano.exe");
    EXPECT_TRUE(CopyFileW(VeltranoExePath().c_str(), exe.c_str(), FALSE));
    if (!settings.empty()) WriteFileBytes(SettingsPath(), settings);
}

// Only the watchdogs of this run: another run still going would start a new one at once, and Wine can leave
// a process started just as its parent is killed stuck for good.
Veltrano::~Veltrano() {
    const DWORD id = process.dwProcessId;
    Kill();
    EndWatchdogs(id);
    // A watchdog still being started as its Veltrano was ended turns up a moment later; left running, it
    // would wait on whatever process gets that id next, and hold the test's output open.
    Sleep(100);
    EndWatchdogs(id);
}

// Named after the session, which the program and this test share.
std::wstring Veltrano::StatePath() const {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return folder.File(StateFileNameForSession(session));
}

bool Veltrano::Start(const std::wstring& arguments, bool waitForMain) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {sizeof(startup)};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.path.c_str(),
                        &startup, &process)) {
        return false;
    }
    if (!waitForMain) return true;
    return WaitFor(
        [&] {
            const auto windows = WindowsOfProcess(process.dwProcessId, L"VeltranoClass");
            mainWindow = windows.empty() ? nullptr : windows.front();
            return mainWindow && IsWindowVisible(mainWindow);
        },
        15000);
}

std::wstring Veltrano::Text(int id) const {
    return TitleOf(Control(id));
}

DWORD Veltrano::WaitExit(DWORD timeoutMs) {
    if (!process.hProcess) return 0;
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

void Veltrano::Kill() {
    if (!process.hProcess) return;
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
}

namespace {

struct ProcessWindows {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<ProcessWindows*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search.processId) return TRUE;
    if (search.className) {
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (std::wcscmp(name, search.className) != 0) return TRUE;
    }
    search.found.push_back(hwnd);
    return TRUE;
}

} // namespace

std::vector<HWND> WindowsOfProcess(DWORD processId, const wchar_t* className) {
    ProcessWindows search{processId, className, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TitleOf(HWND hwnd) {
    wchar_t text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

namespace {

// The command line a process was started with, read from its memory: Wine answers no query for it.
std::wstring CommandLineOf(DWORD processId) {
    std::wstring line;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return line;
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), nullptr)) {
        line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
        if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(),
                               parameters.CommandLine.Length, nullptr))
            line.clear();
    }
    CloseHandle(process);
    return line;
}

bool IsWatchdogOf(const RunningProcess& process, DWORD watchedId) {
    if (_wcsnicmp(process.exeName.c_str(), L"vlt-guard", 9) != 0) return false;
    const std::wstring line = CommandLineOf(process.id);
    // The copy that starts the watchdog carries the watchdog's arguments too, for the moment it runs.
    if (line.find(L" --watchdog-start ") != std::wstring::npos) return false;
    return watchedId == 0 ||
           line.find(L" --watchdog " + std::to_wstring(watchedId) + L" ") != std::wstring::npos;
}

} // namespace

void EndWatchdogs(DWORD watchedId) {
    for (const RunningProcess& process : RunningProcesses()) {
        if (!IsWatchdogOf(process, watchedId)) continue;
        if (HANDLE watchdog = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.id)) {
            TerminateProcess(watchdog, 0);
            WaitForSingleObject(watchdog, 3000);
            CloseHandle(watchdog);
        }
    }
}

bool HotkeyIsFree(UINT modifiers, UINT vk) {
    Helper holder({L"--hold-hotkey", std::to_wstring(modifiers), std::to_wstring(vk)});
    return holder.preamble == std::vector<std::string>{"hotkey 1"};
}

bool TrayIconExists(HWND mainWindow) {
    // Changing nothing about an icon succeeds only when the icon exists.
    NOTIFYICONDATAW data = {sizeof(data)};
    data.hWnd = mainWindow;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

int SettingsNumber(const std::wstring& path, const wchar_t* key, int fallback) {
    return static_cast<int>(GetPrivateProfileIntW(L"config", key, fallback, path.c_str()));
}

std::wstring SettingsString(const std::wstring& path, const wchar_t* key) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(L"config", key, L"", value, 1024, path.c_str());
    return value;
}

InProcessVeltrano::InProcessVeltrano(const std::string& settings) {
    DeleteFileW(SettingsPath().c_str());
    if (!settings.empty()) WriteFileBytes(SettingsPath(), settings);
    app = AppState();
    app.instance = GetModuleHandleW(nullptr);
    engine.stateFileOverride = folder.File(L"veltrano.hidden");
    INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                     ICC_LISTVIEW_CLASSES | ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    mainWindow = CreateMainWindow();
    const DWORD error = GetLastError();
    EXPECT_TRUE(mainWindow) << "error " << error << (app.mainWindow ? " after" : " before") << " WM_CREATE";
    // The rest of the start, but for the watchdog: this process is no veltrano.exe to start one from.
    if (mainWindow) ShowTrayIcon();
}

InProcessVeltrano::~InProcessVeltrano() {
    if (mainWindow && IsWindow(mainWindow)) DestroyWindow(mainWindow);
    // The teardown posted the quit message meant for the program's loop.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) DispatchMessageW(&message);
    }
    DeleteFileW(SettingsPath().c_str());
}

std::wstring InProcessVeltrano::SettingsPath() {
    return BesideTests(L"veltrano.ini");
}

std::wstring InProcessVeltrano::Text(int id) const {
    return TitleOf(Control(id));
}

void InProcessVeltrano::Show() {
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);
    SetForegroundWindow(mainWindow);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == mainWindow; }));
}

std::vector<RunningProcess> RunningProcesses() {
    std::vector<RunningProcess> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return processes;
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return processes;
}

std::vector<RunningProcess> WatchdogsOf(DWORD watchedId) {
    std::vector<RunningProcess> watchdogs;
    for (const RunningProcess& process : RunningProcesses()) {
        if (!IsWatchdogOf(process, watchedId)) continue;
        // A process that has ended may still be listed while someone holds a handle to it.
        HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process.id);
        if (!handle) continue;
        if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) watchdogs.push_back(process);
        CloseHandle(handle);
    }
    return watchdogs;
}

std::vector<ListRow> ListRowsOf(HWND list) {
    std::vector<ListRow> rows;
    DWORD owner = 0;
    GetWindowThreadProcessId(list, &owner);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, owner);
    if (!process) return rows;
    constexpr int kTextUnits = 1024;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kTextUnits * 2,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (remote) {
        auto* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            LVITEMW item = {};
            item.mask = LVIF_PARAM | LVIF_TEXT;
            item.iItem = row;
            item.pszText = remoteText;
            item.cchTextMax = kTextUnits;
            SIZE_T moved = 0;
            WriteProcessMemory(process, remote, &item, sizeof(item), &moved);
            SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process, remote, &item, sizeof(item), &moved);
            wchar_t text[kTextUnits] = {};
            ReadProcessMemory(process, remoteText, text, sizeof(text), &moved);
            text[kTextUnits - 1] = L'\0';
            const auto state =
                static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
            rows.push_back(
                {reinterpret_cast<HWND>(item.lParam), text, ((state & LVIS_STATEIMAGEMASK) >> 12) == 2});
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return rows;
}

std::vector<HWND> RecordingTaskbar::Calls(const std::string& kind) const {
    std::vector<HWND> windows;
    for (const auto& [name, hwnd] : calls) {
        if (name == kind) windows.push_back(hwnd);
    }
    return windows;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::string StateRecordLine(HWND hwnd, DWORD processId, LONG_PTR style, int minimized, const char* ending) {
    char line[128];
    std::snprintf(line, sizeof(line), "%llX|%lu|%llX|%d%s",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
                  static_cast<unsigned long>(processId), static_cast<unsigned long long>(style), minimized,
                  ending);
    return line;
}

LONG_PTR HideByHand(HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, (style & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    ShowWindow(hwnd, SW_HIDE);
    return style;
}
