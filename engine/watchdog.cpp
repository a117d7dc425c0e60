#include "engine/watchdog.h"

#include "base/paths.h"
#include "engine/admin_folder.h"
#include "engine/engine.h"
#include "engine/program_answers.h"
#include "engine/state_file.h"
#include "engine/watchdog_args.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// The watchdog that runs now, the copy under way that starts the next one, and what the status line has said.
struct Watchdog {
    UniqueHandle process;
    // The starter, and the copy it runs from: an elevated run's copy is held until the starter has started the
    // watchdog from it, so both run the file that was written and checked. The starter's end is waited for by
    // the host's message loop, like the watchdog's: the main window stays free meanwhile.
    HeldPlace starterCopy;
    UniqueHandle starter;
    DWORD starterId = 0;
    ULONGLONG starterDeadline = 0;
    // After failed starts: the wait before the next try. What the status line has said, once.
    unsigned retryMs = 0;
    bool failureShown = false;
    bool inJobShown = false;
    bool leftoversDeleted = false;
};
Watchdog watchdog;

std::wstring TemporaryDirectory() {
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, path);
    return path;
}

// When none could start, a timer tries again, each time later.
void RetryByTimer(unsigned periodMs) {
    if (engine.host.window) SetTimer(engine.host.window, TIMER_WATCHDOG, periodMs, nullptr);
}

// Out of the job where the job lets the process go, otherwise inside it. Of this process's handles only
// `inherited`, where given, is handed down.
bool StartProcess(std::wstring& commandLine, HANDLE inherited, PROCESS_INFORMATION& process) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> buffer(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return false;
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof(startup);
    startup.lpAttributeList = attributes;
    const auto start = [&](DWORD flags) {
        return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherited != nullptr,
                              CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT | flags, nullptr, nullptr,
                              &startup.StartupInfo, &process) != FALSE;
    };
    bool started = !inherited || UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                           &inherited, sizeof(inherited), nullptr, nullptr);
    if (started && !start(CREATE_BREAKAWAY_FROM_JOB))
        started = GetLastError() == ERROR_ACCESS_DENIED && start(0);
    DeleteProcThreadAttributeList(attributes);
    return started;
}

// How long the process that starts the watchdog may take; a scanner may hold a new program a while.
constexpr DWORD kWatchdogStarterMs = 15000;

// Starts the copy of this program that starts the watchdog and ends at once, handing the watchdog's handle
// into this process: the process waited on is the one started, even where the watchdog ended in between and
// its id went to another process.
bool LaunchStarter(const std::wstring& copy) {
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         PROCESS_DUP_HANDLE | SYNCHRONIZE, TRUE, 0))
        return false;
    const UniqueHandle inherited(self);
    std::wstring commandLine =
        FormatWatchdogStartCommandLine(copy, HandleToULong(self), GetCurrentProcessId(), StateFilePath());
    PROCESS_INFORMATION process = {};
    if (!StartProcess(commandLine, self, process)) return false;
    CloseHandle(process.hThread);
    watchdog.starter.reset(process.hProcess);
    watchdog.starterId = process.dwProcessId;
    watchdog.starterDeadline = GetTickCount64() + kWatchdogStarterMs;
    return true;
}

// The watchdog the starter handed over once it has ended (one past its time is ended); no handle where it
// handed none.
UniqueHandle TakeFromStarter() {
    const UniqueHandle starter = std::move(watchdog.starter);
    watchdog.starterCopy = {};
    DWORD code = 0;
    if (WaitForSingleObject(starter.get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(starter.get(), 0);
        return {};
    }
    if (!GetExitCodeProcess(starter.get(), &code)) return {};
    const std::uint32_t value = WatchdogHandleOfExitCode(code);
    if (value == 0) return {};
    // An exit code set by someone else could name one of this process's own handles, which is then left
    // alone: only a handle to a process other than the starter, this one and the old watchdog is taken.
    HANDLE handed = ULongToHandle(value);
    const DWORD id = GetProcessId(handed);
    if (id == 0 || id == watchdog.starterId || id == GetCurrentProcessId() ||
        (watchdog.process && id == GetProcessId(watchdog.process.get())))
        return {};
    return UniqueHandle(handed);
}

enum class WatchdogStart { Started, StartedInJob, Failed, UnderWay };

WatchdogStart FinishWatchdogStart() {
    UniqueHandle started = TakeFromStarter();
    if (!started) return WatchdogStart::Failed;
    // A job nested in another lets a process leave it and keeps it in the one around it: only the system can
    // tell where the watchdog ended up.
    BOOL inJob = FALSE;
    IsProcessInJob(started.get(), nullptr, &inJob);
    watchdog.process = std::move(started);
    return inJob ? WatchdogStart::StartedInJob : WatchdogStart::Started;
}

// Copies named with a process id that earlier runs left in `folder`: the system refuses to delete the ones a
// process runs from or holds.
void DeleteLeftoverCopies(const std::wstring& folder) {
    if (std::exchange(watchdog.leftoversDeleted, true)) return;
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileExW((folder + L"vlt-guard-*.exe").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (IsWatchdogCopyWithId(found.cFileName)) DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The copy the starter and the watchdog run from: "vlt-guard.exe", or, where that one is still running for
// another instance's watchdog or is locked by a scanner, the one named with this process's id.
HeldPlace MakeCopy() {
    const std::wstring withId = WatchdogCopyName(GetCurrentProcessId());
    if (TrustedPlacesOfThisProcess() == TrustedPlaces::AdminOnly) {
        const HeldPlace& folder = AdminOnlyFolder();
        if (!folder.handle) return {};
        DeleteLeftoverCopies(folder.path);
        HeldPlace copy = HoldCopyOfExecutable(folder, L"vlt-guard.exe");
        return copy.handle ? std::move(copy) : HoldCopyOfExecutable(folder, withId);
    }
    const std::wstring directory = TemporaryDirectory();
    DeleteLeftoverCopies(directory);
    const std::wstring executable = ExecutablePath();
    for (const std::wstring& name : {std::wstring(L"vlt-guard.exe"), withId}) {
        if (CopyFileW(executable.c_str(), (directory + name).c_str(), FALSE)) return {{}, directory + name};
    }
    return {};
}

WatchdogStart LaunchWatchdog() {
    HeldPlace copy = MakeCopy();
    if (copy.path.empty() || !LaunchStarter(copy.path)) return WatchdogStart::Failed;
    watchdog.starterCopy = std::move(copy);
    if (engine.host.window) return WatchdogStart::UnderWay;
    // No message loop waits on the starter: it is waited for here.
    WaitForSingleObject(watchdog.starter.get(), kWatchdogStarterMs);
    return FinishWatchdogStart();
}

void Report(WatchdogStart outcome) {
    switch (outcome) {
    case WatchdogStart::UnderWay: return;
    case WatchdogStart::Started: break;
    case WatchdogStart::StartedInJob:
        if (!std::exchange(watchdog.inJobShown, true))
            Say(L"看门狗只能留在 Veltrano 所在的作业里：两者一同被结束时，当时隐藏的窗口要到下次启动才能"
                L"恢复");
        break;
    case WatchdogStart::Failed:
        // A scanner or application control that blocks programs in the temporary folder blocks every copy:
        // the tries thin out instead of writing a copy every second.
        watchdog.retryMs = NextWatchdogRetryMs(watchdog.retryMs);
        RetryByTimer(watchdog.retryMs);
        if (!std::exchange(watchdog.failureShown, true))
            Say(L"看门狗无法启动（可能被安全软件拦截）：Veltrano 被强制结束时，隐藏的窗口要到下次启动才能"
                L"恢复");
        return;
    }
    watchdog.retryMs = 0;
    watchdog.failureShown = false;
}

} // namespace

void StartWatchdog() {
    Report(LaunchWatchdog());
}

WatchdogWait CurrentWatchdogWait() {
    if (watchdog.starter) {
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG left = watchdog.starterDeadline > now ? watchdog.starterDeadline - now : 0;
        return {watchdog.starter.get(), static_cast<DWORD>(left)};
    }
    return {watchdog.process.get(), INFINITE};
}

void OnWatchdogEnded() {
    if (watchdog.starter) {
        const bool ended = WaitForSingleObject(watchdog.starter.get(), 0) != WAIT_TIMEOUT;
        if (ended || GetTickCount64() >= watchdog.starterDeadline) Report(FinishWatchdogStart());
        return;
    }
    if (watchdog.process && WaitForSingleObject(watchdog.process.get(), 0) == WAIT_TIMEOUT) return;
    // Not waited on again while its replacement starts.
    watchdog.process.reset();
    if (engine.host.window) KillTimer(engine.host.window, TIMER_WATCHDOG);
    StartWatchdog();
}

int RunWatchdogStarter(std::wstring_view arguments) {
    const WatchdogStartArgs args = ParseWatchdogStartArgs(arguments);
    if (args.callerHandle == 0) return 0;
    std::wstring commandLine =
        FormatWatchdogCommandLine(ExecutablePath(), args.watchdog.processId, args.watchdog.stateFileOverride);
    PROCESS_INFORMATION process = {};
    if (!StartProcess(commandLine, nullptr, process)) return 0;
    CloseHandle(process.hThread);
    const UniqueHandle started(process.hProcess);
    HANDLE caller = ULongToHandle(args.callerHandle);
    HANDLE handed = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), started.get(), caller, &handed,
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0)) {
        // Veltrano ended meanwhile: the watchdog sees that and restores what it left hidden. Otherwise nobody
        // would wait on this one, so nobody would replace it when it ends, and Veltrano starts another; it
        // has done nothing yet.
        if (WaitForSingleObject(caller, 0) != WAIT_OBJECT_0) TerminateProcess(started.get(), 0);
        return 0;
    }
    return static_cast<int>(HandleToULong(handed));
}

int RunWatchdog(std::wstring_view arguments) {
    const WatchdogArgs args = ParseWatchdogArgs(arguments);
    if (args.processId == 0) return 0;
    engine.stateFileOverride = args.stateFileOverride;
    engine.watchdogRole = true;
    if (HANDLE mainProcess = OpenProcess(SYNCHRONIZE, FALSE, args.processId)) {
        WaitForSingleObject(mainProcess, INFINITE);
        CloseHandle(mainProcess);
        Sleep(100);
    }
    RestoreFromStateFile();
    // A window whose program is hung has its show queued; its own style goes back when the program wakes,
    // which this process waits for as long as the window exists.
    while (!engine.pendingUndo.empty()) {
        AwaitAnswers([] { return engine.pendingUndo.empty(); }, GetTickCount64() + 1000);
        std::erase_if(engine.pendingUndo,
                      [](const HiddenWindowRecord& record) { return !IsWindow(record.hwnd); });
    }
    return 0;
}
