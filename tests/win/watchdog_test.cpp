// The promise that hidden windows always come back, kept by the real program: the watchdog after the main
// process is ended from outside, the crash filter, the end of the Windows session, and the user's hide list
// across a hide.
#include "engine/admin_folder.h"
#include "engine/engine.h"
#include "engine/watchdog.h"
#include "tests/win/support.h"
#include "triggers/hotkey.h"
#include "ui/ids.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr LONG_PTR kToolWindow = WS_EX_TOOLWINDOW;
constexpr DWORD kGenerous = 20000;

// Settings that tick the helper's windows with these titles; the notice was accepted in an earlier run.
std::string SettingsTicking(const std::vector<std::string>& titles) {
    std::string text = "[config]\r\nnoticeShown=1\r\nhideCount=" + std::to_string(titles.size()) + "\r\n";
    for (std::size_t i = 0; i < titles.size(); ++i)
        text += "hide" + std::to_string(i) + "=" + titles[i] + "|vlt-test-windows.exe\r\n";
    return text;
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kGenerous, &result) != 0;
}

bool Toggle(const Veltrano& veltrano) {
    return Send(veltrano.mainWindow, WM_COMMAND, IDC_TOGGLE);
}

bool AllHidden(const std::vector<HWND>& windows) {
    return std::none_of(windows.begin(), windows.end(), [](HWND hwnd) { return IsWindowVisible(hwnd); });
}

// Every window is visible again, minimised or not and with the extended style it had before the hide.
bool AllBackAsBefore(const std::vector<HWND>& windows, const std::vector<WindowState>& before) {
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const WindowState now = StateOf(windows[i]);
        if (!now.visible || now.iconic != before[i].iconic || now.exStyle != before[i].exStyle) return false;
    }
    return true;
}

std::vector<WindowState> StatesOf(const std::vector<HWND>& windows) {
    std::vector<WindowState> states;
    for (HWND hwnd : windows)
        states.push_back(StateOf(hwnd));
    return states;
}

bool ProcessRunning(const wchar_t* exeName) {
    const auto processes = RunningProcesses();
    return std::any_of(processes.begin(), processes.end(), [&](const RunningProcess& process) {
        return _wcsicmp(process.exeName.c_str(), exeName) == 0;
    });
}

bool ProcessIdRunning(DWORD id) {
    const auto processes = RunningProcesses();
    return std::any_of(processes.begin(), processes.end(),
                       [&](const RunningProcess& process) { return process.id == id; });
}

std::wstring TempDirectory() {
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, path);
    return path;
}

std::vector<std::wstring> SavedHideList(const std::wstring& settingsPath) {
    const UINT count = GetPrivateProfileIntW(L"config", L"hideCount", 0, settingsPath.c_str());
    std::vector<std::wstring> keys;
    for (UINT i = 0; i < count; ++i) {
        wchar_t value[1024] = {};
        GetPrivateProfileStringW(L"config", (L"hide" + std::to_wstring(i)).c_str(), L"", value, 1024,
                                 settingsPath.c_str());
        keys.push_back(value);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// The tick of the row showing `hwnd`: 1 ticked, 0 not, -1 not listed.
int TickOf(const Veltrano& veltrano, HWND hwnd) {
    for (const ListRow& row : ListRowsOf(veltrano.Control(IDC_WINDOW_LIST))) {
        if (row.window == hwnd) return row.ticked ? 1 : 0;
    }
    return -1;
}

std::vector<HANDLE> SuspendThreadsOf(DWORD processId) {
    std::vector<HANDLE> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return threads;
    THREADENTRY32 entry = {sizeof(entry)};
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
            CloseHandle(thread);
            continue;
        }
        threads.push_back(thread);
    }
    CloseHandle(snapshot);
    return threads;
}

void ResumeAndClose(const std::vector<HANDLE>& threads) {
    for (HANDLE thread : threads) {
        ResumeThread(thread);
        CloseHandle(thread);
    }
}

bool JudgedAdminOnly(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    const UniqueLocalMemory owned(descriptor);
    return descriptor && OnlyAdministratorsMayWrite(AccessOfDescriptor(descriptor));
}

// As the system reads the folder back; one that is not there passes.
bool AbsentOrAdminOnly(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              nullptr, nullptr, &descriptor))
        return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    const UniqueLocalMemory owned(descriptor);
    return OnlyAdministratorsMayWrite(AccessOfDescriptor(descriptor));
}

class Watchdog : public ::testing::Test {
  protected:
    void SetUp() override { EndWatchdogs(); }
};

} // namespace

TEST_F(Watchdog, WindowsComeBackWithTheirStylesWhenTheMainProcessIsEndedFromOutside) {
    Helper helper({L"--window", L"Guarded plain", L"--window", L"Guarded app", L"--appwindow", L"--window",
                   L"Guarded iconic", L"--minimized"});
    ASSERT_EQ(helper.windows.size(), 3u);
    const std::vector<WindowState> before = StatesOf(helper.windows);
    Veltrano veltrano(SettingsTicking({"Guarded plain", "Guarded app", "Guarded iconic"}));
    ASSERT_TRUE(veltrano.Start());
    const DWORD pid = veltrano.process.dwProcessId;
    ASSERT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, kGenerous));
    ASSERT_TRUE(Toggle(veltrano));
    ASSERT_TRUE(WaitFor([&] { return AllHidden(helper.windows); }));
    ASSERT_TRUE(FileExists(veltrano.StatePath()));
    EXPECT_TRUE(StateOf(helper.windows[1]).exStyle & kToolWindow);

    veltrano.Kill();
    EXPECT_TRUE(WaitFor([&] { return AllBackAsBefore(helper.windows, before); }, kGenerous));
    EXPECT_TRUE(WaitFor([&] { return !FileExists(veltrano.StatePath()); }, kGenerous));
    EXPECT_TRUE(WaitFor([&] { return WatchdogsOf(pid).empty(); }, kGenerous)) << "the watchdog ends";
}

TEST_F(Watchdog, ANormalExitRestoresItselfAndLeavesTheWatchdogNothingToDo) {
    Helper helper({L"--window", L"Exit plain", L"--window", L"Exit app", L"--appwindow"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const std::vector<WindowState> before = StatesOf(helper.windows);
    Veltrano veltrano(SettingsTicking({"Exit plain", "Exit app"}));
    ASSERT_TRUE(veltrano.Start());
    const DWORD pid = veltrano.process.dwProcessId;
    ASSERT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, kGenerous));
    const std::vector<RunningProcess> watchdogs = WatchdogsOf(pid);
    ASSERT_EQ(watchdogs.size(), 1u);
    HANDLE watchdog = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, watchdogs[0].id);
    ASSERT_TRUE(watchdog);
    helper.Events();
    ASSERT_TRUE(Toggle(veltrano));
    ASSERT_TRUE(WaitFor([&] { return AllHidden(helper.windows); }));

    // The watchdog sleeps through the exit, so whatever is back by then the program put back itself.
    const std::vector<HANDLE> paused = SuspendThreadsOf(watchdogs[0].id);
    ASSERT_FALSE(paused.empty());
    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_EQ(veltrano.WaitExit(kGenerous), 0u);
    EXPECT_TRUE(AllBackAsBefore(helper.windows, before));
    EXPECT_FALSE(FileExists(veltrano.StatePath()));
    ResumeAndClose(paused);
    EXPECT_EQ(WaitForSingleObject(watchdog, kGenerous), WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(watchdog, &code);
    CloseHandle(watchdog);
    EXPECT_EQ(code, 0u);
    // One style write to hide each window and one to restore it: the watchdog wrote nothing more.
    const std::vector<std::string> events = helper.Events();
    for (const char* window : {"exstyle:0:", "exstyle:1:"}) {
        EXPECT_EQ(std::count_if(events.begin(), events.end(),
                                [&](const std::string& event) { return event.rfind(window, 0) == 0; }),
                  2)
            << window;
    }
}

TEST_F(Watchdog, AProcessIdOfZeroRestoresNothingAndExitsWithZero) {
    Helper helper({L"--window", L"Zero id"});
    ASSERT_EQ(helper.windows.size(), 1u);
    Veltrano veltrano;
    const LONG_PTR style = HideByHand(helper.windows[0]);
    const std::string content =
        "VLT1\r\n1\r\n" + StateRecordLine(helper.windows[0], helper.ProcessId(), style);
    WriteFileBytes(veltrano.StatePath(), content);
    ASSERT_TRUE(veltrano.Start(L"--watchdog 0 \"" + veltrano.StatePath() + L"\"", false));
    EXPECT_EQ(veltrano.WaitExit(kGenerous), 0u);
    EXPECT_FALSE(IsWindowVisible(helper.windows[0]));
    EXPECT_EQ(ReadFileBytes(veltrano.StatePath()), content) << "the file is not even read";
    EXPECT_TRUE(WindowsOfProcess(veltrano.process.dwProcessId).empty());
}

TEST_F(Watchdog, AProcessIdThatNoLongerExistsRestoresAtOnce) {
    DWORD deadId = 0;
    {
        Helper gone({});
        deadId = gone.ProcessId();
    }
    ASSERT_NE(deadId, 0u);
    Helper helper({L"--window", L"Dead owner"});
    ASSERT_EQ(helper.windows.size(), 1u);
    const WindowState before = StateOf(helper.windows[0]);
    const LONG_PTR style = HideByHand(helper.windows[0]);
    // The state file lies elsewhere than beside the exe: the quoted path on the command line wins.
    TempFolder elsewhere;
    const std::wstring statePath = elsewhere.File(L"left behind.hidden");
    WriteFileBytes(statePath,
                   "VLT1\r\n1\r\n" + StateRecordLine(helper.windows[0], helper.ProcessId(), style));
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start(L"--watchdog " + std::to_wstring(deadId) + L" \"" + statePath + L"\"", false));
    EXPECT_EQ(veltrano.WaitExit(kGenerous), 0u);
    EXPECT_TRUE(AllBackAsBefore(helper.windows, {before}));
    EXPECT_FALSE(FileExists(statePath));
}

// Such a copy that an earlier run left is deleted at the next start, unless a process holds it.
TEST_F(Watchdog, ALockedFirstCopyMakesTheCopyNamedWithTheProcessIdBeUsed) {
    const std::wstring firstCopy = TempDirectory() + L"vlt-guard.exe";
    const std::wstring leftover = TempDirectory() + L"vlt-guard-4.exe";
    const std::wstring held = TempDirectory() + L"vlt-guard-8.exe";
    WriteFileBytes(leftover, "left");
    Helper locker({L"--lock-file", firstCopy, L"--lock-file", held});
    ASSERT_EQ(locker.preamble, (std::vector<std::string>{"locked 1", "locked 1"}));
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    const DWORD pid = veltrano.process.dwProcessId;
    ASSERT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, kGenerous));
    const std::vector<RunningProcess> watchdogs = WatchdogsOf(pid);
    ASSERT_EQ(watchdogs.size(), 1u);
    EXPECT_EQ(watchdogs[0].exeName, L"vlt-guard-" + std::to_wstring(pid) + L".exe");
    EXPECT_FALSE(FileExists(leftover));
    EXPECT_TRUE(FileExists(held));
}

// Veltrano ended while the starter handed the watchdog over: the watchdog stays and restores what it left.
TEST_F(Watchdog, AWatchdogHandedOverAfterVeltranoEndedStillRestores) {
    Helper helper({L"--window", L"Handed over"});
    ASSERT_EQ(helper.windows.size(), 1u);
    const WindowState before = StateOf(helper.windows[0]);
    HANDLE ended = nullptr;
    DWORD endedId = 0;
    {
        Helper gone({});
        endedId = gone.ProcessId();
        ended = OpenProcess(PROCESS_DUP_HANDLE | SYNCHRONIZE, TRUE, endedId);
    }
    ASSERT_TRUE(ended);
    TempFolder elsewhere;
    const std::wstring statePath = elsewhere.File(L"handed over.hidden");
    WriteFileBytes(statePath, "VLT1\r\n1\r\n" + StateRecordLine(helper.windows[0], helper.ProcessId(),
                                                                HideByHand(helper.windows[0])));
    Veltrano veltrano;
    std::wstring line = L"\"" + veltrano.exe + L"\" --watchdog-start " +
                        std::to_wstring(HandleToULong(ended)) + L" --watchdog " + std::to_wstring(endedId) +
                        L" \"" + statePath + L"\"";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION starter = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &starter));
    CloseHandle(starter.hThread);
    CloseHandle(starter.hProcess);
    CloseHandle(ended);
    EXPECT_TRUE(WaitFor([&] { return AllBackAsBefore(helper.windows, {before}); }, kGenerous));
    EXPECT_TRUE(WaitFor([&] { return !FileExists(statePath); }, kGenerous));
}

// As where a scanner blocks programs in the temporary folder: no copy can be started from there.
TEST_F(Watchdog, AWatchdogThatCannotStartIsReportedOnTheStatusLine) {
    wchar_t temp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", temp, MAX_PATH);
    Veltrano veltrano;
    SetEnvironmentVariableW(L"TMP", L"C:\\no such folder\\");
    const bool started = veltrano.Start();
    SetEnvironmentVariableW(L"TMP", temp[0] ? temp : nullptr);
    ASSERT_TRUE(started);
    const std::wstring blocked = L"看门狗无法启动";
    EXPECT_TRUE(
        WaitFor([&] { return veltrano.Text(IDC_STATUS).substr(0, blocked.size()) == blocked; }, kGenerous))
        << Utf8(veltrano.Text(IDC_STATUS));
    EXPECT_TRUE(WatchdogsOf(veltrano.process.dwProcessId).empty());
}

TEST_F(Watchdog, AKilledWatchdogIsReplacedAtOnceAndNoRunningProcessIsItsParent) {
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    const DWORD pid = veltrano.process.dwProcessId;
    ASSERT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, kGenerous));
    const RunningProcess started = WatchdogsOf(pid)[0];
    // Not Veltrano's child: its starter ended as soon as it had handed it over, so nothing links the two.
    EXPECT_TRUE(WaitFor([&] { return !ProcessIdRunning(started.parentId); }, kGenerous)) << started.parentId;
    const auto kill = [](DWORD id) {
        HANDLE watchdog = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        ASSERT_TRUE(watchdog);
        TerminateProcess(watchdog, 1);
        ASSERT_EQ(WaitForSingleObject(watchdog, kGenerous), WAIT_OBJECT_0);
        CloseHandle(watchdog);
    };
    kill(started.id);
    ASSERT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, 5000));

    // Killed while the help's message box runs its own loop: a press there sets a new one on its way before
    // it hides anything.
    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_HELP, 0);
    ASSERT_TRUE(WaitFor([&] { return WindowsOfProcess(pid, L"#32770").size() == 1; }, kGenerous));
    kill(WatchdogsOf(pid)[0].id);
    PostMessageW(veltrano.mainWindow, WM_HOTKEY, HOTKEY_ID_TOGGLE, 0);
    EXPECT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, 5000));
    PostMessageW(WindowsOfProcess(pid, L"#32770")[0], WM_COMMAND, IDOK, 0);
}

TEST_F(Watchdog, AWatchdogStartsOnlyOnceTheNoticeIsAcceptedAndNoneWhileOneRuns) {
    Veltrano veltrano("[config]\r\nnoticeShown=0\r\n");
    ASSERT_TRUE(veltrano.Start(L"", false));
    const DWORD pid = veltrano.process.dwProcessId;
    HWND main = nullptr;
    HWND notice = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto mains = WindowsOfProcess(pid, L"VeltranoClass");
            const auto notices = WindowsOfProcess(pid, L"VltNoticeWnd");
            main = mains.empty() ? nullptr : mains.front();
            notice = notices.empty() ? nullptr : notices.front();
            return main && notice && IsWindowVisible(notice);
        },
        kGenerous));
    ASSERT_TRUE(Send(main, WM_TIMER, TIMER_WATCHDOG));
    EXPECT_TRUE(WatchdogsOf(pid).empty());

    // Once the notice is accepted one starts.
    PostMessageW(notice, WM_COMMAND, IDC_NOTICE_AGREE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main); }, kGenerous));
    ASSERT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, kGenerous));
    // While that one runs, a tick leaves it alone and starts no second one.
    const DWORD running = WatchdogsOf(pid)[0].id;
    ASSERT_TRUE(Send(main, WM_TIMER, TIMER_WATCHDOG));
    const std::vector<RunningProcess> afterTick = WatchdogsOf(pid);
    ASSERT_EQ(afterTick.size(), 1u);
    EXPECT_EQ(afterTick[0].id, running);
}

TEST_F(Watchdog, ACrashPutsTheWindowsBackAndEndsQuietly) {
    Helper helper({L"--window", L"Crash plain", L"--window", L"Crash app", L"--appwindow"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const std::vector<WindowState> before = StatesOf(helper.windows);
    Veltrano veltrano(SettingsTicking({"Crash plain", "Crash app"}));
    ASSERT_TRUE(veltrano.Start());
    const DWORD pid = veltrano.process.dwProcessId;
    ASSERT_TRUE(WaitFor([&] { return !WatchdogsOf(pid).empty(); }, kGenerous));
    ASSERT_TRUE(Toggle(veltrano));
    ASSERT_TRUE(WaitFor([&] { return AllHidden(helper.windows); }));

    // The watchdog finds an empty list, so only the crash filter itself can bring the windows back.
    WriteFileBytes(veltrano.StatePath(), "VLT1\r\n0\r\n");
    Helper crasher({L"--crash-remote", std::to_wstring(pid)});
    ASSERT_EQ(crasher.preamble, (std::vector<std::string>{"crashed 1"}));
    EXPECT_NE(veltrano.WaitExit(kGenerous), static_cast<DWORD>(STILL_ACTIVE));
    // The crash filter only queues the shows: the program takes them when it next reads its messages.
    EXPECT_TRUE(WaitFor([&] { return AllBackAsBefore(helper.windows, before); }, kGenerous));
    EXPECT_FALSE(FileExists(veltrano.StatePath()));
    EXPECT_FALSE(ProcessRunning(L"winedbg.exe")) << "no crash dialog";
}

TEST_F(Watchdog, TheEndOfTheSessionRestoresButACancelledEndChangesNothing) {
    Helper helper({L"--window", L"Session plain", L"--window", L"Session app", L"--appwindow"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const std::vector<WindowState> before = StatesOf(helper.windows);
    Veltrano veltrano(SettingsTicking({"Session plain", "Session app"}));
    ASSERT_TRUE(veltrano.Start());
    ASSERT_TRUE(Toggle(veltrano));
    ASSERT_TRUE(WaitFor([&] { return AllHidden(helper.windows); }));
    const std::string stateFile = ReadFileBytes(veltrano.StatePath());
    ASSERT_FALSE(stateFile.empty());
    helper.Events();

    ASSERT_TRUE(Send(veltrano.mainWindow, WM_ENDSESSION, 0));
    EXPECT_TRUE(AllHidden(helper.windows));
    EXPECT_EQ(ReadFileBytes(veltrano.StatePath()), stateFile);
    EXPECT_TRUE(WindowChanges(helper.Events()).empty());

    ASSERT_TRUE(Send(veltrano.mainWindow, WM_ENDSESSION, 1));
    EXPECT_TRUE(WaitFor([&] { return AllBackAsBefore(helper.windows, before); }));
    EXPECT_FALSE(FileExists(veltrano.StatePath()));
    // The hidden state is over: the next toggle hides again.
    ASSERT_TRUE(Toggle(veltrano));
    EXPECT_TRUE(WaitFor([&] { return AllHidden(helper.windows); }));

    // An installer or an update closing Veltrano through Restart Manager: nothing before the end is sure (the
    // install may be cancelled), then everything back, and Veltrano goes.
    ASSERT_TRUE(Send(veltrano.mainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
    ASSERT_TRUE(Send(veltrano.mainWindow, WM_ENDSESSION, 0, ENDSESSION_CLOSEAPP));
    EXPECT_TRUE(AllHidden(helper.windows));
    ASSERT_TRUE(Send(veltrano.mainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
    ASSERT_TRUE(Send(veltrano.mainWindow, WM_ENDSESSION, 1, ENDSESSION_CLOSEAPP));
    EXPECT_EQ(veltrano.WaitExit(), 0u);
    EXPECT_TRUE(WaitFor([&] { return AllBackAsBefore(helper.windows, before); }));
}

// The question comes while Veltrano waits for a program that does not answer: the wait gives up, and every
// window is back, or on its way for the program that sleeps, before the answer.
TEST_F(Watchdog, AQuestionInAWaitHasTheWindowsBackBeforeItIsAnswered) {
    Helper helper({L"--window", L"Asked plain"});
    Helper sleeper({L"--window", L"Asked sleeper"});
    const WindowState plain = StateOf(helper.windows.at(0));
    const WindowState sleeping = StateOf(sleeper.windows.at(0));
    Veltrano veltrano(SettingsTicking({"Asked plain", "Asked sleeper"}));
    ASSERT_TRUE(veltrano.Start());
    ASSERT_EQ(sleeper.Ask("hang 3000"), "ok");
    ASSERT_TRUE(PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_TOGGLE, 0));
    // The file is written just before the hides are queued and waited for.
    ASSERT_TRUE(WaitFor([&] { return FileExists(veltrano.StatePath()); }));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(veltrano.mainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK,
                                    5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    EXPECT_TRUE(StateOf(helper.windows.at(0)) == plain) << "a window is still hidden at the answer";
    EXPECT_EQ(veltrano.Text(IDC_STATUS),
              L"因注销，已恢复 2 个窗口，1 个未恢复：“Asked sleeper”无响应，待其响应后恢复");
    EXPECT_TRUE(WaitFor([&] { return StateOf(sleeper.windows.at(0)) == sleeping; }, 10000));
    EXPECT_TRUE(WaitFor([&] { return !FileExists(veltrano.StatePath()); }));
}

TEST_F(Watchdog, WindowsHiddenDuringARefreshAreTickedAgainAfterTheRestore) {
    Helper helper({L"--window", L"Ticked alpha", L"--window", L"Ticked beta", L"--window", L"Never ticked"});
    ASSERT_EQ(helper.windows.size(), 3u);
    Veltrano veltrano(SettingsTicking({"Ticked alpha", "Ticked beta"}));
    ASSERT_TRUE(veltrano.Start());
    ASSERT_TRUE(WaitFor([&] {
        return TickOf(veltrano, helper.windows[0]) == 1 && TickOf(veltrano, helper.windows[1]) == 1;
    }));
    ASSERT_TRUE(Toggle(veltrano));
    ASSERT_TRUE(WaitFor([&] { return AllHidden({helper.windows[0], helper.windows[1]}); }));
    // The user opens the settings from the tray while the windows are hidden; the list no longer shows them.
    PostMessageW(veltrano.mainWindow, WM_TRAYICON, kTrayIconId, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] {
        return IsWindowVisible(veltrano.mainWindow) && TickOf(veltrano, helper.windows[0]) == -1 &&
               TickOf(veltrano, helper.windows[2]) == 0;
    }));
    ASSERT_TRUE(Toggle(veltrano));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(helper.windows[0]); }));
    EXPECT_TRUE(WaitFor([&] {
        return TickOf(veltrano, helper.windows[0]) == 1 && TickOf(veltrano, helper.windows[1]) == 1;
    })) << "the restored windows are ticked again";
    EXPECT_EQ(TickOf(veltrano, helper.windows[2]), 0);
    ASSERT_TRUE(Send(veltrano.mainWindow, WM_COMMAND, IDC_SAVE));
    EXPECT_EQ(SavedHideList(veltrano.SettingsPath()),
              (std::vector<std::wstring>{L"Ticked alpha|vlt-test-windows.exe",
                                         L"Ticked beta|vlt-test-windows.exe"}));
}

TEST_F(Watchdog, AnExitDuringAHideAfterARefreshStillSavesTheHiddenWindowsKeys) {
    Helper helper({L"--window", L"Saved alpha", L"--window", L"Saved beta", L"--window", L"Not saved"});
    ASSERT_EQ(helper.windows.size(), 3u);
    Veltrano veltrano(SettingsTicking({"Saved alpha", "Saved beta"}));
    ASSERT_TRUE(veltrano.Start());
    ASSERT_TRUE(Toggle(veltrano));
    ASSERT_TRUE(WaitFor([&] { return AllHidden({helper.windows[0], helper.windows[1]}); }));
    PostMessageW(veltrano.mainWindow, WM_TRAYICON, kTrayIconId, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor(
        [&] { return IsWindowVisible(veltrano.mainWindow) && TickOf(veltrano, helper.windows[2]) == 0; }));
    ASSERT_TRUE(Send(veltrano.mainWindow, WM_COMMAND, IDC_REFRESH));
    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_EQ(veltrano.WaitExit(kGenerous), 0u);
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(IsWindowVisible(helper.windows[1]));
    EXPECT_EQ(
        SavedHideList(veltrano.SettingsPath()),
        (std::vector<std::wstring>{L"Saved alpha|vlt-test-windows.exe", L"Saved beta|vlt-test-windows.exe"}));
}

// Real descriptors: only the one the folder is made with passes, not one that lets others write or inherit.
TEST(AdminOnlyFolder, OnlyAFolderNoOneButAdministratorsMayWriteToPasses) {
    EXPECT_TRUE(JudgedAdminOnly(L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"));
    EXPECT_TRUE(JudgedAdminOnly(L"O:SYD:P(A;;FA;;;SY)(D;;FA;;;WD)"));
    for (const wchar_t* open : {L"O:BUD:P(A;OICI;FA;;;BA)", L"O:BAD:(A;OICI;FA;;;BA)", L"O:BA",
                                L"O:BAD:NO_ACCESS_CONTROL", L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;0x1200ab;;;BU)",
                                L"O:BAD:P(A;OICIIO;GA;;;CO)", L"O:BAD:P(A;;GW;;;AU)"})
        EXPECT_FALSE(JudgedAdminOnly(open)) << Utf8(open);
}

// Where every program of the user may write, as the system reads it back, is never a place for an elevated
// run.
TEST(AdminOnlyFolder, TheUsersTemporaryFolderAndWhatIsInItNeverQualify) {
    TempFolder temporary;
    const std::wstring file = temporary.File(L"veltrano-0.hidden");
    WriteFileBytes(file, "VLT1\r\n0\r\n");
    for (const std::wstring& path : {TempDirectory(), temporary.path, file}) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                        nullptr, nullptr, nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        const UniqueLocalMemory owned(descriptor);
        EXPECT_FALSE(OnlyAdministratorsMayWrite(AccessOfDescriptor(descriptor))) << Utf8(path);
    }
}

// One made by an unelevated program is never used: with files in it, it stays as it was; an empty one is
// replaced (or, where files keep no access control, as under Wine, removed).
TEST(AdminOnlyFolder, AFolderOthersMayWriteToIsNeverUsed) {
    TempFolder full;
    TempFolder empty;
    const std::wstring planted = full.File(L"vlt-guard-admin\\");
    ASSERT_TRUE(CreateDirectoryW(planted.c_str(), nullptr) &&
                CreateDirectoryW(empty.File(L"vlt-guard-admin").c_str(), nullptr));
    WriteFileBytes(planted + L"vlt-guard.exe", "planted");
    const HeldPlace held = HoldAdminOnlyFolder(full.path);
    EXPECT_TRUE(!held.handle || (held.path != planted && AbsentOrAdminOnly(held.path)));
    EXPECT_EQ(ReadFileBytes(planted + L"vlt-guard.exe"), "planted");
    HoldAdminOnlyFolder(empty.path);
    EXPECT_TRUE(AbsentOrAdminOnly(empty.File(L"vlt-guard-admin")));
}
