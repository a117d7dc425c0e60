#include "engine/watchdog.h"

#include "app/app_state.h"
#include "engine/program_answers.h"
#include "engine/state_file.h"
#include "engine/watchdog_args.h"

#include <string>

namespace {

std::wstring ExecutablePath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring TemporaryDirectory() {
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, path);
    return path;
}

// On a thread of the system's pool: the main window takes it from there.
void CALLBACK OnWatchdogProcessEnded(void* mainWindow, BOOLEAN) {
    PostMessageW(static_cast<HWND>(mainWindow), WM_WATCHDOG_ENDED, 0, 0);
}

// When no watchdog could be started, or the system cannot wait on it, a timer looks after it instead.
void WatchByTimer() {
    if (app.mainWindow) SetTimer(app.mainWindow, TIMER_WATCHDOG, kWatchdogPeriodMs, nullptr);
}

} // namespace

void StartWatchdog() {
    const std::wstring executable = ExecutablePath();
    const std::wstring directory = TemporaryDirectory();
    std::wstring copy = directory + L"vlt-guard.exe";
    if (!CopyFileW(executable.c_str(), copy.c_str(), FALSE)) {
        // The first copy is still running for another instance's watchdog, or locked by a scanner.
        copy = directory + L"vlt-guard-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        if (!CopyFileW(executable.c_str(), copy.c_str(), FALSE)) {
            WatchByTimer();
            return;
        }
    }
    std::wstring commandLine = FormatWatchdogCommandLine(copy, GetCurrentProcessId(), StateFilePath());
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        WatchByTimer();
        return;
    }
    CloseHandle(process.hThread);
    // The wait on the old watchdog goes before the handle it waits on.
    app.watchdogWait.reset();
    app.watchdogProcess.reset(process.hProcess);
    // Waited for by the system rather than looked at now and then: an idle program does not wake for it.
    HANDLE wait = nullptr;
    if (RegisterWaitForSingleObject(&wait, process.hProcess, OnWatchdogProcessEnded, app.mainWindow, INFINITE,
                                    WT_EXECUTEONLYONCE)) {
        app.watchdogWait.reset(wait);
    } else {
        WatchByTimer();
    }
}

void OnWatchdogEnded() {
    // Any program can post a timer message; none starts a watchdog before the notice is accepted.
    if (!app.settings.noticeShown) return;
    if (app.watchdogProcess && WaitForSingleObject(app.watchdogProcess.get(), 0) != WAIT_OBJECT_0) return;
    if (app.mainWindow) KillTimer(app.mainWindow, TIMER_WATCHDOG);
    StartWatchdog();
}

int RunWatchdog(std::wstring_view arguments) {
    const WatchdogArgs args = ParseWatchdogArgs(arguments);
    if (args.processId == 0) return 0;
    app.stateFileOverride = args.stateFileOverride;
    app.watchdogRole = true;
    if (HANDLE mainProcess = OpenProcess(SYNCHRONIZE, FALSE, args.processId)) {
        WaitForSingleObject(mainProcess, INFINITE);
        CloseHandle(mainProcess);
        Sleep(100);
    }
    RestoreFromStateFile();
    // A window whose program is hung has its show queued; its own style goes back when the program wakes,
    // which this process waits for as long as the window exists.
    while (!app.pendingUndo.empty()) {
        AwaitAnswers([] { return app.pendingUndo.empty(); }, GetTickCount64() + 1000);
        std::erase_if(app.pendingUndo,
                      [](const HiddenWindowRecord& record) { return !IsWindow(record.hwnd); });
    }
    return 0;
}
