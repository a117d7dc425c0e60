// Hiding and restoring real windows of the helper program, in-process: what the windows, the focus, the
// taskbar calls and the recovery state file show before, during and after a hide.
#include "app/hub.h"
#include "engine/engine.h"
#include "engine/hidden_set.h"
#include "engine/state_file.h"
#include "tests/win/engine_fixture.h"
#include "tests/win/support.h"
#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/window_list.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr wchar_t kHelperExe[] = L"vlt-test-windows.exe";
constexpr LONG_PTR kToolWindow = WS_EX_TOOLWINDOW;
constexpr LONG_PTR kAppWindow = WS_EX_APPWINDOW;

WindowKey Key(const std::wstring& title, const std::wstring& process = kHelperExe) {
    return {title, process};
}

LONG_PTR HiddenStyleOf(LONG_PTR style) {
    return (style & ~kAppWindow) | kToolWindow;
}

std::vector<std::string> Only(const std::vector<std::string>& events, const std::string& prefix) {
    std::vector<std::string> kept;
    for (const std::string& event : events) {
        if (event.rfind(prefix, 0) == 0) kept.push_back(event);
    }
    return kept;
}

bool Has(const std::vector<std::string>& events, const std::string& event) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateOwnWindow(const wchar_t* title, bool visible) {
    static const ATOM windowClass = [] {
        WNDCLASSEXW description = {sizeof(description)};
        description.lpfnWndProc = PlainWindowProc;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = L"VltEngineTestHost";
        return RegisterClassExW(&description);
    }();
    HWND hwnd = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(windowClass)), title,
                                WS_OVERLAPPEDWINDOW, 40, 40, 820, 660, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (visible) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

class EngineTest : public FreshEngine {
  protected:
    // What the next press hides and where it moves the focus, as a commit of the list would give it.
    HideChoice choice;

    void Hide() {
        HideWindows({}, [this] { return choice; });
    }
};

std::vector<WindowKey> Sorted(std::vector<WindowKey> keys) {
    std::sort(keys.begin(), keys.end(),
              [](const WindowKey& a, const WindowKey& b) { return a.title < b.title; });
    return keys;
}

// Whether the helper window `index` is the one activated last since the previous look at its events. The
// windows themselves tell this: after an AttachThreadInput pair, Wine 8 no longer reports a foreground
// window.
testing::AssertionResult ActivatedLast(Helper& helper, int index, std::vector<std::string> events = {}) {
    const bool activated = WaitFor([&] {
        const std::vector<std::string> more = helper.Events();
        events.insert(events.end(), more.begin(), more.end());
        const std::vector<std::string> activations = Only(events, "active:");
        return !activations.empty() && activations.back() == "active:" + std::to_string(index);
    });
    if (activated) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "events: " << testing::PrintToString(events);
}

bool IsForeground(HWND hwnd) {
    return WaitFor([&] { return GetForegroundWindow() == hwnd; });
}

// The window manager focuses the helper's new windows a moment after they appear; once it has finished, the
// helper activates the window itself, as a user clicking into it would.
bool ActivateWhenSettled(Helper& helper, int index) {
    int quiet = 0;
    WaitFor([&] {
        quiet = helper.Events().empty() ? quiet + 1 : 0;
        return quiet >= 30;
    });
    helper.Activate(index);
    return IsForeground(helper.windows[static_cast<std::size_t>(index)]);
}

} // namespace

TEST_F(EngineTest, HidingWearsToolWindowStyleAndRestoringPutsTheExactStylesBack) {
    Helper helper({L"--window", L"Style plain", L"--window", L"Style app", L"--appwindow", L"--window",
                   L"Style palette", L"--owner", L"1", L"--tool", L"--window", L"Style dialog", L"--owner",
                   L"0"});
    ASSERT_EQ(helper.windows.size(), 4u);
    const HWND plain = helper.windows[0];
    const HWND appWindow = helper.windows[1];
    const HWND palette = helper.windows[2];
    const WindowState before[] = {StateOf(plain), StateOf(appWindow), StateOf(palette)};
    ASSERT_TRUE(before[1].exStyle & kAppWindow);
    ASSERT_TRUE(before[2].exStyle & kToolWindow);
    choice.hideList = {Key(L"Style plain"), Key(L"Style app")};

    Hide();
    ASSERT_TRUE(engine.windowsHidden);
    EXPECT_EQ(Status(), L"已隐藏 4 个窗口");
    for (HWND hwnd : {plain, appWindow, palette, helper.windows[3]})
        EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(StateOf(plain).exStyle, HiddenStyleOf(before[0].exStyle));
    EXPECT_EQ(StateOf(appWindow).exStyle, HiddenStyleOf(before[1].exStyle));
    EXPECT_FALSE(StateOf(appWindow).exStyle & kAppWindow);
    EXPECT_EQ(StateOf(palette).exStyle, before[2].exStyle);
    const std::vector<std::string> hiding = helper.Events();
    // The palette already was a tool window: its style is not written and its frame is not refreshed.
    EXPECT_TRUE(Only(hiding, "exstyle:2").empty());
    EXPECT_FALSE(Has(hiding, "frame:2"));
    EXPECT_TRUE(Has(hiding, "frame:0"));
    EXPECT_TRUE(Has(hiding, "frame:1"));
    // The listed windows go first; the owned ones follow in the stacking order, which Wine takes from X.
    std::vector<HWND> deleted = taskbar.Calls("delete");
    ASSERT_EQ(deleted.size(), 4u);
    std::sort(deleted.begin() + 2, deleted.end());
    std::vector<HWND> owned = {palette, helper.windows[3]};
    std::sort(owned.begin(), owned.end());
    EXPECT_EQ(deleted, (std::vector<HWND>{plain, appWindow, owned[0], owned[1]}));

    RestoreAllWindows();
    EXPECT_FALSE(engine.windowsHidden);
    EXPECT_EQ(Status(), L"已恢复全部窗口");
    const WindowState after[] = {StateOf(plain), StateOf(appWindow), StateOf(palette)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(after[i].visible) << i;
        EXPECT_EQ(after[i].exStyle, before[i].exStyle) << i;
        EXPECT_FALSE(after[i].iconic) << i;
    }
    const std::vector<std::string> restoring = helper.Events();
    // A style that was never changed is never written back either.
    EXPECT_TRUE(Only(restoring, "exstyle:2").empty());
    EXPECT_EQ(Only(restoring, "exstyle:0").size(), 1u);
    // No taskbar button comes back for the windows that never had one: a tool window, an owned dialog.
    EXPECT_TRUE(IsWindowVisible(helper.windows[3]));
    EXPECT_EQ(taskbar.Calls("add"), (std::vector<HWND>{appWindow, plain}));
    EXPECT_FALSE(FileExists(StatePath()));
}

TEST_F(EngineTest, AMinimisedWindowComesBackMinimisedAndANormalOneNormal) {
    Helper helper({L"--window", L"Iconic one", L"--minimized", L"--window", L"Normal one"});
    ASSERT_EQ(helper.windows.size(), 2u);
    ASSERT_TRUE(IsIconic(helper.windows[0]));
    choice.hideList = {Key(L"Iconic one"), Key(L"Normal one")};
    Hide();
    EXPECT_FALSE(IsWindowVisible(helper.windows[0]));
    EXPECT_FALSE(IsWindowVisible(helper.windows[1]));
    ASSERT_EQ(engine.hiddenSet.size(), 2u);
    EXPECT_TRUE(engine.hiddenSet[0].wasMinimized);
    EXPECT_FALSE(engine.hiddenSet[1].wasMinimized);
    RestoreAllWindows();
    const WindowState iconic = StateOf(helper.windows[0]);
    const WindowState normal = StateOf(helper.windows[1]);
    EXPECT_TRUE(iconic.visible);
    EXPECT_TRUE(iconic.iconic);
    EXPECT_TRUE(normal.visible);
    EXPECT_FALSE(normal.iconic);
}

TEST_F(EngineTest, WindowsComeBackInTheReverseOfTheOrderTheyWereHidden) {
    Helper helper({L"--window", L"Order first", L"--window", L"Order second", L"--window", L"Order third"});
    ASSERT_EQ(helper.windows.size(), 3u);
    // The hiding order follows the hide list, not the order of the windows on screen.
    choice.hideList = {Key(L"Order third"), Key(L"Order first"), Key(L"Order second")};
    Hide();
    EXPECT_EQ(Only(helper.Events(), "hide:"), (std::vector<std::string>{"hide:2", "hide:0", "hide:1"}));
    const std::string file = ReadFileBytes(StatePath());
    const std::size_t third =
        file.find(StateRecordLine(helper.windows[2], helper.ProcessId(), engine.hiddenSet[0].savedExStyle));
    const std::size_t first =
        file.find(StateRecordLine(helper.windows[0], helper.ProcessId(), engine.hiddenSet[1].savedExStyle));
    ASSERT_NE(third, std::string::npos) << file;
    ASSERT_NE(first, std::string::npos) << file;
    EXPECT_LT(third, first) << "the file lists the windows in hiding order";

    RestoreAllWindows();
    EXPECT_EQ(Only(helper.Events(), "show:"), (std::vector<std::string>{"show:1", "show:0", "show:2"}));
}

TEST_F(EngineTest, AnOwnedDialogAndTheWindowItOwnsGoAndComeBackWithTheirOwner) {
    Helper helper({L"--window", L"Chain owner", L"--window", L"Chain dialog", L"--owner", L"0", L"--window",
                   L"Chain palette", L"--owner", L"1", L"--tool", L"--window", L"Chain bystander"});
    ASSERT_EQ(helper.windows.size(), 4u);
    const WindowState palette = StateOf(helper.windows[2]);
    choice.hideList = {Key(L"Chain owner")};
    Hide();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(IsWindowVisible(helper.windows[static_cast<std::size_t>(i)])) << i;
    EXPECT_TRUE(IsWindowVisible(helper.windows[3]));
    ASSERT_EQ(engine.hiddenSet.size(), 3u);
    EXPECT_EQ(engine.hiddenSet[0].hwnd, helper.windows[0]);
    RestoreAllWindows();
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(IsWindowVisible(helper.windows[static_cast<std::size_t>(i)])) << i;
    EXPECT_EQ(StateOf(helper.windows[2]).exStyle, palette.exStyle);
}

TEST_F(EngineTest, BothWindowsWithTheTickedKeyHideAndADifferentTitleStays) {
    Helper helper({L"--window", L"Twin", L"--window", L"Twin", L"--window", L"Twin's neighbour"});
    ASSERT_EQ(helper.windows.size(), 3u);
    choice.hideList = {Key(L"twin")}; // letters match whatever their case
    Hide();
    EXPECT_FALSE(IsWindowVisible(helper.windows[0]));
    EXPECT_FALSE(IsWindowVisible(helper.windows[1]));
    EXPECT_TRUE(IsWindowVisible(helper.windows[2]));
    EXPECT_EQ(Status(), L"已隐藏 2 个窗口");
    RestoreAllWindows();
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(IsWindowVisible(helper.windows[1]));
}

TEST_F(EngineTest, ATickedWindowThatWasRenamedFallsBackToEveryWindowOfItsProgram) {
    const std::wstring otherProgram = folder.File(L"vlt-bystander.exe");
    ASSERT_TRUE(CopyFileW(BesideTests(kHelperExe).c_str(), otherProgram.c_str(), FALSE));
    Helper helper({L"--window", L"Report draft", L"--window", L"Helper sibling"});
    Helper bystander({L"--window", L"Other program"}, otherProgram);
    ASSERT_EQ(helper.windows.size(), 2u);
    ASSERT_EQ(bystander.windows.size(), 1u);
    choice.hideList = {Key(L"Report draft")};
    helper.Rename(0, L"Report final");
    Hide();
    EXPECT_FALSE(IsWindowVisible(helper.windows[0]));
    EXPECT_FALSE(IsWindowVisible(helper.windows[1]));
    EXPECT_TRUE(IsWindowVisible(bystander.windows[0]));
    RestoreAllWindows();
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(IsWindowVisible(helper.windows[1]));
}

TEST_F(EngineTest, TheSwitchTargetIsNeverHiddenAndReceivesTheFocus) {
    Helper helper({L"--window", L"Work", L"--window", L"Work", L"--window", L"Work notes"});
    ASSERT_EQ(helper.windows.size(), 3u);
    helper.Events();
    choice.hideList = {Key(L"Work")};
    choice.target = Key(L"Work");
    Hide();
    ASSERT_EQ(engine.hiddenSet.size(), 1u);
    const HWND hidden = engine.hiddenSet[0].hwnd;
    const HWND target = hidden == helper.windows[0] ? helper.windows[1] : helper.windows[0];
    EXPECT_TRUE(hidden == helper.windows[0] || hidden == helper.windows[1]);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_TRUE(IsWindowVisible(target));
    EXPECT_TRUE(ActivatedLast(helper, target == helper.windows[0] ? 0 : 1));
    EXPECT_TRUE(IsWindowVisible(helper.windows[2]));
}

TEST_F(EngineTest, AMinimisedTargetIsRestoredBeforeItGetsTheFocus) {
    Helper helper({L"--window", L"Hide for target", L"--window", L"Sleeping target", L"--minimized"});
    ASSERT_EQ(helper.windows.size(), 2u);
    ASSERT_TRUE(IsIconic(helper.windows[1]));
    choice.hideList = {Key(L"Hide for target")};
    choice.target = Key(L"Sleeping target");
    Hide();
    EXPECT_FALSE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(IsWindowVisible(helper.windows[1]));
    EXPECT_FALSE(IsIconic(helper.windows[1]));
    EXPECT_TRUE(ActivatedLast(helper, 1));
}

TEST_F(EngineTest, TheWindowThatHadTheFocusIsRememberedEvenWhenItIsHiddenAndIsActiveAfterTheRestore) {
    Helper helper({L"--window", L"Had the focus", L"--window", L"Focus target"});
    ASSERT_EQ(helper.windows.size(), 2u);
    ASSERT_TRUE(ActivateWhenSettled(helper, 0));
    choice.hideList = {Key(L"Had the focus")};
    choice.target = Key(L"Focus target");
    Hide();
    EXPECT_EQ(engine.focusBeforeHide, helper.windows[0]);
    EXPECT_TRUE(ActivatedLast(helper, 1));
    // Showing the window activates it as well, so here the return of the focus cannot be told apart; the
    // hide that only switched the focus shows it.
    RestoreAllWindows();
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(ActivatedLast(helper, 0));
    EXPECT_EQ(engine.focusBeforeHide, nullptr);
}

TEST_F(EngineTest, NothingConfiguredSaysSoAndChangesNothing) {
    Helper helper({L"--window", L"Left alone"});
    ASSERT_EQ(helper.windows.size(), 1u);
    const WindowState before = StateOf(helper.windows[0]);
    const std::string leftover = "VLT1\r\n0\r\n";
    WriteFileBytes(StatePath(), leftover);
    choice.hideList = {Key(L"No such window", L"no-such-program.exe")};
    choice.target = Key(L"No such target", L"no-such-program.exe");
    Hide();
    EXPECT_EQ(Status(), L"未配置窗口：先勾选要隐藏的窗口，再选切换目标");
    EXPECT_FALSE(engine.windowsHidden);
    EXPECT_TRUE(engine.hiddenSet.empty());
    EXPECT_EQ(ReadFileBytes(StatePath()), leftover);
    EXPECT_TRUE(WindowChanges(helper.Events()).empty());
    EXPECT_TRUE(taskbar.calls.empty());
    const WindowState after = StateOf(helper.windows[0]);
    EXPECT_TRUE(after.visible);
    EXPECT_EQ(after.exStyle, before.exStyle);
}

TEST_F(EngineTest, ATargetWithNothingTickedOnlySwitchesTheFocusDeletesTheStateFileAndGivesTheFocusBack) {
    Helper helper({L"--window", L"Was in front", L"--window", L"Only target"});
    ASSERT_EQ(helper.windows.size(), 2u);
    ASSERT_TRUE(ActivateWhenSettled(helper, 0));
    helper.Events();
    WriteFileBytes(StatePath(), "VLT1\r\n0\r\n");
    choice.target = Key(L"Only target");
    Hide();
    EXPECT_TRUE(engine.windowsHidden);
    EXPECT_TRUE(engine.hiddenSet.empty());
    EXPECT_FALSE(FileExists(StatePath()));
    EXPECT_EQ(Status(), L"已隐藏 0 个窗口");
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(ActivatedLast(helper, 1));
    // A hide in force is not started again.
    Hide();
    EXPECT_TRUE(WindowChanges(helper.Events()).empty());

    RestoreAllWindows();
    EXPECT_FALSE(engine.windowsHidden);
    EXPECT_TRUE(ActivatedLast(helper, 0));
    EXPECT_EQ(Status(), L"已恢复全部窗口");
}

TEST_F(EngineTest, AVisibleMainWindowIsHiddenWithTheOthersEvenWithNothingTicked) {
    Helper helper({L"--window", L"Not ticked"});
    engine.host.window = CreateOwnWindow(L"Veltrano", true);
    ASSERT_TRUE(IsWindowVisible(engine.host.window));
    Hide();
    ASSERT_TRUE(engine.windowsHidden);
    ASSERT_EQ(engine.hiddenSet.size(), 1u);
    EXPECT_EQ(engine.hiddenSet[0].hwnd, engine.host.window);
    EXPECT_FALSE(IsWindowVisible(engine.host.window));
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_EQ(Status(), L"已隐藏 1 个窗口");
    RestoreAllWindows();
    EXPECT_TRUE(IsWindowVisible(engine.host.window));
    DestroyWindow(engine.host.window);
    engine.host.window = nullptr;
}

TEST_F(EngineTest, TheStateFileListsEveryHiddenWindowWithItsProcessStyleAndFlag) {
    Helper helper({L"--window", L"Mirror plain", L"--window", L"Mirror app", L"--appwindow", L"--window",
                   L"Mirror iconic", L"--minimized"});
    ASSERT_EQ(helper.windows.size(), 3u);
    std::string expected = "VLT1\r\n3\r\n";
    for (HWND hwnd : helper.windows) {
        const WindowState before = StateOf(hwnd);
        expected += StateRecordLine(hwnd, helper.ProcessId(), before.exStyle, before.iconic ? 1 : 0);
    }
    choice.hideList = {Key(L"Mirror plain"), Key(L"Mirror app"), Key(L"Mirror iconic")};
    Hide();
    // A busy machine may keep the program from answering within the hide: its answer completes the file.
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(StatePath()) == expected; }))
        << ReadFileBytes(StatePath());
    ASSERT_EQ(engine.hiddenSet.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(engine.hiddenSet[i].hwnd, helper.windows[i]) << i;
    EXPECT_FALSE(FileExists(StatePath() + L".tmp"));
    RestoreAllWindows();
    EXPECT_FALSE(FileExists(StatePath()));
}

TEST_F(EngineTest, TheCrashRestoreBringsEverythingBackQuietlyAndDeletesTheFile) {
    Helper helper({L"--window", L"Crash one", L"--window", L"Crash two", L"--appwindow"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const WindowState before[] = {StateOf(helper.windows[0]), StateOf(helper.windows[1])};
    choice.hideList = {Key(L"Crash one"), Key(L"Crash two")};
    Hide();
    ASSERT_TRUE(FileExists(StatePath()));
    RestoreAllOnCrash();
    EXPECT_FALSE(engine.windowsHidden);
    EXPECT_TRUE(engine.hiddenSet.empty());
    EXPECT_FALSE(FileExists(StatePath()));
    for (int i = 0; i < 2; ++i) {
        const HWND hwnd = helper.windows[static_cast<std::size_t>(i)];
        // Its show is queued to its program, which takes it whenever it reads its messages, also after the
        // crashed process has gone.
        EXPECT_TRUE(WaitFor([&] { return StateOf(hwnd).visible; })) << i;
        EXPECT_EQ(StateOf(hwnd).exStyle, before[i].exStyle) << i;
    }
    // No user-interface work on the way down: the status line still tells of the hide.
    EXPECT_EQ(Status(), L"已隐藏 2 个窗口");
}

TEST_F(EngineTest, TheCrashRestoreWithAnEmptySetTouchesNothing) {
    Helper helper({L"--window", L"Crash target"});
    choice.target = Key(L"Crash target");
    Hide();
    ASSERT_TRUE(engine.windowsHidden);
    const std::string unrelated = "VLT1\r\n1\r\n1F4|788|100|0\r\n";
    WriteFileBytes(StatePath(), unrelated);
    RestoreAllOnCrash();
    EXPECT_TRUE(engine.windowsHidden);
    EXPECT_EQ(ReadFileBytes(StatePath()), unrelated);
    EXPECT_TRUE(WindowChanges(helper.Events()).empty());
}

// The hotkey hides what the list shows before reading anything else: a window changed since the list was
// filled still comes back as it was just before the hide, and a new title still names only its own window.
TEST_F(EngineTest, TheHideListSurvivesARefreshDuringAHideAndTheWindowsAreTickedAgainAfterwards) {
    Helper helper({L"--window", L"Kept alpha", L"--window", L"Kept beta", L"--window", L"Kept gamma"});
    ASSERT_EQ(helper.windows.size(), 3u);
    CreateFonts(statusHost);
    CreateControls(statusHost);
    app.settings.hideList = {Key(L"Kept alpha"), Key(L"Kept beta")};
    RefreshWindowList(false);
    const auto tickOf = [&](HWND hwnd) -> int {
        HWND list = ControlHandle(IDC_WINDOW_LIST);
        for (int row = 0; row < static_cast<int>(app.listEntries.size()); ++row) {
            if (app.listEntries[static_cast<std::size_t>(row)].hwnd == hwnd) return IsRowTicked(list, row);
        }
        return -1; // not listed
    };
    ASSERT_EQ(tickOf(helper.windows[0]), 1);
    ASSERT_EQ(tickOf(helper.windows[1]), 1);
    ASSERT_EQ(tickOf(helper.windows[2]), 0);
    ASSERT_EQ(helper.Ask("exstyle 0 40100"), "ok");
    ASSERT_EQ(helper.Ask("minimize 0"), "ok");
    const LONG_PTR changedStyle = GetWindowLongPtrW(helper.windows[0], GWL_EXSTYLE);
    helper.Rename(1, L"Kept beta renamed");

    ToggleHidden();
    ASSERT_TRUE(engine.windowsHidden);
    ASSERT_FALSE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(IsWindowVisible(helper.windows[2]));
    // The user opens the settings while the windows are hidden: they are no longer listed.
    RefreshWindowList(true);
    EXPECT_EQ(tickOf(helper.windows[0]), -1);
    EXPECT_EQ(tickOf(helper.windows[1]), -1);

    ToggleHidden();
    ASSERT_FALSE(engine.windowsHidden);
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]) && IsIconic(helper.windows[0]));
    EXPECT_EQ(GetWindowLongPtrW(helper.windows[0], GWL_EXSTYLE), changedStyle);
    EXPECT_EQ(Sorted(app.settings.hideList),
              (std::vector<WindowKey>{Key(L"Kept alpha"), Key(L"Kept beta renamed")}));
    RefreshWindowList(false);
    EXPECT_EQ(tickOf(helper.windows[0]), 1);
    EXPECT_EQ(tickOf(helper.windows[1]), 1);
    EXPECT_EQ(tickOf(helper.windows[2]), 0);
    // From now on the ticks alone hold the keys: unticking one really drops it.
    HWND list = ControlHandle(IDC_WINDOW_LIST);
    for (int row = 0; row < static_cast<int>(app.listEntries.size()); ++row) {
        if (app.listEntries[static_cast<std::size_t>(row)].hwnd != helper.windows[0]) continue;
        LVITEMW unticked = {};
        unticked.stateMask = LVIS_STATEIMAGEMASK;
        unticked.state = INDEXTOSTATEIMAGEMASK(1);
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&unticked));
    }
    CommitListToSettings();
    EXPECT_EQ(app.settings.hideList, (std::vector<WindowKey>{Key(L"Kept beta renamed")}));
}
