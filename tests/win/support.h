// What the Windows tests share: the helper program that owns "the user's windows", private folders, and a
// real veltrano.exe started in a folder of its own.
#pragma once
#include "catalogue/window_types.h"

#include <windows.h>
#include <shobjidl.h>

#include <ostream>
#include <string>
#include <vector>

// Full path of a file beside the running test executable.
std::wstring BesideTests(const std::wstring& name);
std::wstring VeltranoExePath();

// Polls `condition` every 10 ms until it holds or `timeoutMs` passes; returns whether it held.
template <typename Condition> bool WaitFor(Condition condition, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > end) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    }
    return true;
}

// A fresh folder under %TEMP%, removed with everything in it at the end.
struct TempFolder {
    std::wstring path; // ends with a backslash
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::wstring File(const std::wstring& name) const { return path + name; }
};

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
std::string Utf8(const std::wstring& text);

// Readable failure messages for the catalogue's values.
void PrintTo(const WindowKey& key, std::ostream* out);
void PrintTo(const SnapshotItem& item, std::ostream* out);

// vlt-test-windows.exe with a pipe to its commands. Arguments as documented in tests/helper/test_windows.cpp.
struct Helper {
    PROCESS_INFORMATION process{};
    HANDLE commands = nullptr;
    HANDLE replies = nullptr;
    std::vector<HWND> windows;
    std::vector<std::string> preamble; // lines printed before the window list ("hotkey 1", "locked 1")

    explicit Helper(const std::vector<std::wstring>& arguments);
    // Runs a copy of the helper program from `exePath`: under another file name it stands for another
    // program.
    Helper(const std::vector<std::wstring>& arguments, const std::wstring& exePath);
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    std::string ReadLine();
    std::string Ask(const std::string& command); // sends a line, returns the reply line
    void Rename(int index, const std::wstring& title);
    void Close(int index);
    void Activate(int index);
    // The helper's "events" since the last call: "show:1", "hide:0", "exstyle:2:80", "frame:0".
    std::vector<std::string> Events();
    DWORD ProcessId() const { return process.dwProcessId; }
};

// The events that changed a window (style, visibility, frame): activations, which the window manager makes
// too, are left out.
std::vector<std::string> WindowChanges(const std::vector<std::string>& events);

struct WindowState {
    bool visible = false;
    bool iconic = false;
    LONG_PTR exStyle = 0;
    bool operator==(const WindowState&) const = default;
};
WindowState StateOf(HWND hwnd);

// A veltrano.exe copied into a folder of its own (the settings and state files lie beside it).
struct Veltrano {
    TempFolder folder;
    std::wstring exe;
    PROCESS_INFORMATION process{};
    HWND mainWindow = nullptr;

    // Copies the exe; `settings` (UTF-8 text, may be empty for no file) is written as veltrano.ini first.
    explicit Veltrano(const std::string& settings = "[config]\r\nnoticeShown=1\r\n");
    ~Veltrano();
    Veltrano(const Veltrano&) = delete;
    Veltrano& operator=(const Veltrano&) = delete;

    // Starts the process with the given arguments; with `waitForMain`, until its main window exists and is
    // visible.
    bool Start(const std::wstring& arguments = L"", bool waitForMain = true);
    HWND Control(int id) const { return GetDlgItem(mainWindow, id); }
    std::wstring Text(int id) const;
    // Waits for the process to end; its exit code, or STILL_ACTIVE on time-out.
    DWORD WaitExit(DWORD timeoutMs = 10000);
    void Kill();
    std::wstring SettingsPath() const { return folder.File(L"veltrano.ini"); }
    std::wstring StatePath() const;
};

// Whether a global hotkey (RegisterHotKey modifier bits and key) is free: another process tries to register
// it and lets it go at once. False while some program, Veltrano included, holds it.
bool HotkeyIsFree(UINT modifiers, UINT vk);

// Whether the shell holds the program's notification-area icon (id 1 on its main window).
bool TrayIconExists(HWND mainWindow);

// One value of the [config] section of a settings file; `fallback` when the file or the key is missing.
int SettingsNumber(const std::wstring& path, const wchar_t* key, int fallback = -1);
std::wstring SettingsString(const std::wstring& path, const wchar_t* key);

// The main window created inside the test process by the program's own creation code, left hidden as start-up
// leaves it before the notice gate. The settings file beside the test executable is replaced by `settings`
// first (no file when empty); the recovery state file goes to a private folder. Destroyed at the end.
struct InProcessVeltrano {
    TempFolder folder;
    HWND mainWindow = nullptr;

    explicit InProcessVeltrano(const std::string& settings = "");
    ~InProcessVeltrano();
    InProcessVeltrano(const InProcessVeltrano&) = delete;
    InProcessVeltrano& operator=(const InProcessVeltrano&) = delete;

    static std::wstring SettingsPath();
    HWND Control(int id) const { return GetDlgItem(mainWindow, id); }
    std::wstring Text(int id) const;
    // Shows the window and brings it to the front, as start-up does once the notice is accepted.
    void Show();
};

// Every top-level window of a process with the given class, in z-order.
std::wstring ClassOf(HWND hwnd);

// One record line of the state file, as a main process writes it.
std::string StateRecordLine(HWND hwnd, DWORD processId, LONG_PTR style, int minimized = 0,
                            const char* ending = "\r\n");
// What a main process that died during a hide leaves behind: the window invisible in the hidden style.
// Returns the style it had before.
LONG_PTR HideByHand(HWND hwnd);

std::vector<HWND> WindowsOfProcess(DWORD processId, const wchar_t* className = nullptr);
std::wstring TitleOf(HWND hwnd);
// Ends every watchdog copy still running, or those that watch process `watchedId`, so the next test starts
// clean.
void EndWatchdogs(DWORD watchedId = 0);

struct RunningProcess {
    DWORD id = 0;
    DWORD parentId = 0;
    std::wstring exeName;
};
std::vector<RunningProcess> RunningProcesses();
// The running watchdog copies ("vlt-guard*.exe") that watch the given process. They are not its children:
// a copy that ended at once started them, so that ending Veltrano's process tree leaves them.
std::vector<RunningProcess> WatchdogsOf(DWORD watchedId);

// One row of another process's list view, read through that process's memory.
struct ListRow {
    HWND window = nullptr; // the row's item data
    std::wstring title;
    bool ticked = false; // the check box shows a tick (state image 2)
};
std::vector<ListRow> ListRowsOf(HWND list);

// Stands in for the shell's taskbar-list object and remembers every call, which the shell would not show.
class RecordingTaskbar final : public ITaskbarList {
  public:
    std::vector<std::pair<std::string, HWND>> calls;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ITaskbarList) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND hwnd) override {
        calls.emplace_back("add", hwnd);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND hwnd) override {
        calls.emplace_back("delete", hwnd);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }

    std::vector<HWND> Calls(const std::string& kind) const;
};
