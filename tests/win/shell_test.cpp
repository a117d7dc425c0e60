// The application shell as a user meets it: start-up roles, single instance, the controls, the close box.
#include "app/command_pipe.h"
#include "tests/win/support.h"
#include "ui/ids.h"

#include <gtest/gtest.h>

#include <map>

namespace {

HWND MessageBoxOf(DWORD processId) {
    const auto boxes = WindowsOfProcess(processId, L"#32770");
    return boxes.empty() ? nullptr : boxes.front();
}

} // namespace

TEST(Shell, StartsInTheNormalRoleWithTheReadyStatus) {
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    EXPECT_EQ(TitleOf(veltrano.mainWindow), L"Veltrano");
    EXPECT_TRUE(WaitFor([&] { return veltrano.Text(IDC_STATUS) == L"就绪 · 快捷键 Ctrl+Alt+Space"; }))
        << Utf8(veltrano.Text(IDC_STATUS));
}

// Not the watchdog role: the normal role, whose box lists the switches before it ends.
TEST(Shell, AnUnknownSwitchOrTheWatchdogWordWithoutItsBlankOrAfterOtherTextEndsAfterABox) {
    for (const wchar_t* arguments : {L"--watchdog", L"x --watchdog 5 \"C:\\nowhere\"", L"--bogus"}) {
        Veltrano veltrano;
        ASSERT_TRUE(veltrano.Start(arguments, false));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor(
            [&] { return (box = MessageBoxOf(veltrano.process.dwProcessId)) && IsWindowVisible(box); },
            15000))
            << Utf8(arguments);
        EXPECT_EQ(TitleOf(box), L"Veltrano");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(veltrano.WaitExit(), 0u);
    }
}

TEST(Shell, ASecondInstanceSaysSoAndEndsWithZeroWhileTheFirstRuns) {
    Veltrano first;
    ASSERT_TRUE(first.Start());
    Veltrano second;
    ASSERT_TRUE(second.Start(L"", false));
    HWND box = nullptr;
    // The box gets its caption and text while it initialises, before it is shown: wait until it shows.
    ASSERT_TRUE(WaitFor(
        [&] {
            box = MessageBoxOf(second.process.dwProcessId);
            return box && IsWindowVisible(box);
        },
        15000));
    EXPECT_EQ(TitleOf(box), L"Veltrano");
    bool sawText = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (TitleOf(child) == L"Veltrano已经在运行。") sawText = true;
    }
    EXPECT_TRUE(sawText);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.WaitExit(), 0u);
    EXPECT_TRUE(IsWindow(first.mainWindow));
    EXPECT_EQ(first.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
}

// A start the system keeps from posting to an instance of higher integrity (Wine runs every program above
// medium, so each instance serves the pipe): the command reaches the instance that runs, and no other.
TEST(Shell, ACommandHandedOverThroughThePipeReachesOnlyTheRunningInstance) {
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    EXPECT_NE(HandOverThroughPipe(StartCommand::Exit, GetCurrentProcessId()), L"");
    EXPECT_TRUE(IsWindow(veltrano.mainWindow));
    EXPECT_EQ(HandOverThroughPipe(StartCommand::Exit, veltrano.process.dwProcessId), L"");
    EXPECT_EQ(veltrano.WaitExit(), 0u);
}

TEST(Shell, TheSixteenControlsExistWithTheirClassesAndTexts) {
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    const std::map<int, std::pair<std::wstring, std::wstring>> expected = {
        {IDC_TITLE, {L"Static", L"Veltrano"}},
        {IDC_INTRO,
         {L"Static",
          L"勾选要“藏起来”的窗口，并选择藏起后要顶到前面的窗口；按快捷键隐藏，再按一次全部恢复。"}},
        {IDC_HOTKEY_LABEL, {L"Static", L"快捷键"}},
        {IDC_HOTKEY, {L"msctls_hotkey32", L""}},
        {IDC_HOTKEY_HINT, {L"Static", L"点击后按下新组合键（需含 Ctrl / Alt / Shift），Esc 取消"}},
        {IDC_LIST_LABEL, {L"Static", L"要隐藏的窗口"}},
        {IDC_WINDOW_LIST, {L"SysListView32", L""}},
        {IDC_TARGET_LABEL, {L"Static", L"藏起后切到"}},
        {IDC_TARGET_COMBO, {L"ComboBox", L""}},
        {IDC_REFRESH, {L"Button", L"刷新列表"}},
        {IDC_SAVE, {L"Button", L"保存设置"}},
        {IDC_TOGGLE, {L"Button", L"隐藏 / 恢复"}},
        {IDC_TO_TRAY, {L"Button", L"最小化到托盘"}},
        {IDC_EXIT, {L"Button", L"退出"}},
        {IDC_HELP, {L"Button", L"帮助"}},
        {IDC_STATUS, {L"Static", L"就绪 · 快捷键 Ctrl+Alt+Space"}},
    };
    for (const auto& [id, classAndText] : expected) {
        HWND control = veltrano.Control(id);
        ASSERT_TRUE(control) << id;
        EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), classAndText.first.c_str()), 0) << id;
        if (id != IDC_HOTKEY && id != IDC_TARGET_COMBO) {
            EXPECT_EQ(veltrano.Text(id), classAndText.second) << id;
        }
    }
    EXPECT_TRUE(GetWindowLongW(veltrano.Control(IDC_TOGGLE), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_TRUE(GetWindowLongW(veltrano.Control(IDC_TARGET_COMBO), GWL_STYLE) & CBS_DROPDOWNLIST);
}

TEST(Shell, ControlsFollowTheLayoutAfterAResize) {
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    RECT frame = {0, 0, 804, 621};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(veltrano.mainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT client = {};
    ASSERT_TRUE(WaitFor([&] {
        GetClientRect(veltrano.mainWindow, &client);
        return client.right == 804 && client.bottom == 621;
    }));
    const auto placeOf = [&](int id) {
        RECT r = {};
        GetWindowRect(veltrano.Control(id), &r);
        MapWindowPoints(HWND_DESKTOP, veltrano.mainWindow, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    ASSERT_TRUE(WaitFor([&] { return placeOf(IDC_STATUS).top == 583; })) << placeOf(IDC_STATUS).top;
    EXPECT_EQ(placeOf(IDC_REFRESH).top, 539);
    EXPECT_EQ(placeOf(IDC_TARGET_LABEL).top, 471);
    EXPECT_EQ(placeOf(IDC_HOTKEY).top, 102);
    EXPECT_EQ(placeOf(IDC_AWAY_MINUTES).top, 176);
    EXPECT_EQ(placeOf(IDC_LIST_LABEL).top, 218);
    const RECT list = placeOf(IDC_WINDOW_LIST);
    EXPECT_EQ(list.top, 242);
    EXPECT_EQ(list.bottom - list.top, 215);
    EXPECT_EQ(list.right - list.left, 768);
}

TEST(Shell, TheCloseBoxOnlyHidesTheWindow) {
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    PostMessageW(veltrano.mainWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(veltrano.mainWindow); }));
    EXPECT_TRUE(IsWindow(veltrano.mainWindow));
    EXPECT_EQ(veltrano.WaitExit(500), static_cast<DWORD>(STILL_ACTIVE));
}
