// The usage notice of a first start, as a new user meets it: what it shows, what the hidden main window does
// meanwhile, how it is accepted or refused, and what reaches the settings file. The Dpi suite, with the main
// window's layout, runs at every DPI (see ScreenDpi).
#include "tests/win/support.h"
#include "triggers/hotkey.h"
#include "ui/ids.h"
#include "ui/layout.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kBody[] = L"请勿用它隐藏违法违规、违反单位纪律或用来掩盖不当行为的窗口。\r\n\r\n"
                            L"它只改变窗口的显示状态，不会改变任何进程、网络或操作记录；试图借此规避监管或推"
                            L"卸责任，后果由使用者自负。"
                            L"\r\n\r\n"
                            L"点击「同意并继续」表示你已知悉，此提示不再显示。";

struct Control {
    std::wstring className;
    std::wstring text;
    int id = 0;
    LONG style = 0;
    RECT place = {}; // in the notice's client area
};

std::vector<Control> ControlsOf(HWND notice) {
    std::vector<Control> controls;
    for (HWND child = GetWindow(notice, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Control control{
            ClassOf(child), TitleOf(child), GetDlgCtrlID(child), GetWindowLongW(child, GWL_STYLE), {}};
        GetWindowRect(child, &control.place);
        MapWindowPoints(HWND_DESKTOP, notice, reinterpret_cast<POINT*>(&control.place), 2);
        controls.push_back(control);
    }
    return controls;
}

HWND NoticeOf(const Veltrano& veltrano) {
    HWND notice = nullptr;
    WaitFor(
        [&] {
            const auto windows = WindowsOfProcess(veltrano.process.dwProcessId, L"VltNoticeWnd");
            notice = windows.empty() ? nullptr : windows.front();
            return notice && IsWindowVisible(notice);
        },
        15000);
    return notice;
}

HWND MainWindowOf(const Veltrano& veltrano) {
    const auto windows = WindowsOfProcess(veltrano.process.dwProcessId, L"VeltranoClass");
    return windows.empty() ? nullptr : windows.front();
}

// The screen's DPI: 96 in the shared prefix, 120, 144 and 192 where the suite runs again under prefixes of
// its own. Coordinates are then the program's own, not scaled back for a program unaware of the DPI.
int ScreenDpi() {
    SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    return static_cast<int>(GetDpiForSystem());
}

void ExpectPlace(const RECT& place, int x, int y, int width, int height) {
    EXPECT_EQ(place.left, x);
    EXPECT_EQ(place.top, y);
    EXPECT_EQ(place.right - place.left, width);
    EXPECT_EQ(place.bottom - place.top, height);
}

// Refused: the process ends with 0 and has written no settings file, and its main window never showed.
void ExpectRefused(Veltrano& veltrano) {
    HWND main = MainWindowOf(veltrano);
    bool shown = false;
    WaitFor([&] {
        shown = shown || (main && IsWindowVisible(main));
        return WaitForSingleObject(veltrano.process.hProcess, 0) == WAIT_OBJECT_0;
    });
    EXPECT_EQ(veltrano.WaitExit(), 0u);
    EXPECT_FALSE(shown);
    EXPECT_FALSE(FileExists(veltrano.SettingsPath()));
}

} // namespace

TEST(Notice, ComesBeforeTheMainWindowWithItsCaptionHeadingBodyAndTwoButtons) {
    Veltrano veltrano("");
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    EXPECT_EQ(TitleOf(notice), L"使用须知");
    EXPECT_TRUE(GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    HWND main = MainWindowOf(veltrano);
    ASSERT_TRUE(main);
    EXPECT_EQ(GetWindow(notice, GW_OWNER), main);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(IsWindowEnabled(main));
    RECT client = {};
    GetClientRect(notice, &client);
    EXPECT_EQ(client.right, 520);
    EXPECT_EQ(client.bottom, 300);

    const std::vector<Control> controls = ControlsOf(notice);
    ASSERT_EQ(controls.size(), 4u);
    EXPECT_EQ(_wcsicmp(controls[0].className.c_str(), L"Static"), 0);
    EXPECT_EQ(controls[0].text, L"本工具只能用来整理自己的窗口");
    ExpectPlace(controls[0].place, 24, 24, 472, 30);
    EXPECT_EQ(_wcsicmp(controls[1].className.c_str(), L"Static"), 0);
    EXPECT_EQ(controls[1].text, kBody);
    ExpectPlace(controls[1].place, 24, 60, 472, 150);
    EXPECT_EQ(_wcsicmp(controls[2].className.c_str(), L"Button"), 0);
    EXPECT_EQ(controls[2].text, L"同意并继续");
    EXPECT_EQ(controls[2].id, IDC_NOTICE_AGREE);
    EXPECT_EQ(controls[2].style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    ExpectPlace(controls[2].place, 260, 242, 120, 34);
    EXPECT_EQ(_wcsicmp(controls[3].className.c_str(), L"Button"), 0);
    EXPECT_EQ(controls[3].text, L"拒绝并退出");
    EXPECT_EQ(controls[3].id, IDC_NOTICE_REFUSE);
    ExpectPlace(controls[3].place, 392, 242, 104, 34);

    PostMessageW(GetDlgItem(notice, IDC_NOTICE_REFUSE), BM_CLICK, 0, 0);
    ExpectRefused(veltrano);
}

TEST(Notice, EnterAcceptsAndTheAcceptanceIsSavedBeforeTheMainWindowShows) {
    Veltrano veltrano("");
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    HWND main = MainWindowOf(veltrano);

    PostMessageW(notice, WM_KEYDOWN, VK_RETURN, 1);
    bool shownUnsaved = false;
    ASSERT_TRUE(WaitFor([&] {
        const bool shown = IsWindowVisible(main) != FALSE;
        shownUnsaved =
            shownUnsaved || (shown && SettingsNumber(veltrano.SettingsPath(), L"noticeShown") != 1);
        return shown;
    }));
    EXPECT_FALSE(shownUnsaved);
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"noticeShown"), 1);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindow(notice));
    EXPECT_EQ(veltrano.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));

    // Not even an end without the exit's save brings the notice back.
    veltrano.Kill();
    ASSERT_TRUE(veltrano.Start());
    EXPECT_TRUE(WindowsOfProcess(veltrano.process.dwProcessId, L"VltNoticeWnd").empty());
}

TEST(Notice, TheAgreeButtonAccepts) {
    Veltrano veltrano("");
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    PostMessageW(GetDlgItem(notice, IDC_NOTICE_AGREE), BM_CLICK, 0, 0);
    HWND main = MainWindowOf(veltrano);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }));
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"noticeShown"), 1);
}

TEST(Notice, EscapeRefuses) {
    Veltrano veltrano("");
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    PostMessageW(notice, WM_KEYDOWN, VK_ESCAPE, 1);
    ExpectRefused(veltrano);
}

TEST(Notice, TheCloseBoxRefuses) {
    Veltrano veltrano("");
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    // What the caption's close button and Alt+F4 send.
    PostMessageW(notice, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectRefused(veltrano);
}

TEST(Notice, AnyOtherCommandRefuses) {
    Veltrano veltrano("");
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    PostMessageW(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ExpectRefused(veltrano);
}

TEST(Notice, WhileItIsUpTheHiddenMainWindowHasItsIconAndItsHotkeyToggles) {
    Helper helper({L"--window", L"Toggled under the notice"});
    const std::string settings =
        "[config]\r\nhideCount=1\r\nhide0=Toggled under the notice|vlt-test-windows.exe\r\n";
    Veltrano veltrano(settings);
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    HWND main = MainWindowOf(veltrano);
    HWND target = helper.windows.at(0);
    EXPECT_TRUE(TrayIconExists(main));
    EXPECT_FALSE(HotkeyIsFree(MOD_CONTROL | MOD_ALT, VK_SPACE));

    PostMessageW(main, WM_HOTKEY, HOTKEY_ID_TOGGLE, MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_SPACE));
    EXPECT_TRUE(WaitFor([&] { return !StateOf(target).visible; }));
    PostMessageW(main, WM_HOTKEY, HOTKEY_ID_TOGGLE, MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_SPACE));
    EXPECT_TRUE(WaitFor([&] { return StateOf(target).visible; }));
    EXPECT_TRUE(IsWindow(notice));
    EXPECT_FALSE(IsWindowVisible(main));

    PostMessageW(notice, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(veltrano.WaitExit(), 0u);
    EXPECT_EQ(ReadFileBytes(veltrano.SettingsPath()), settings);
}

TEST(Dpi, TheNoticeAndItsControlsAreScaled) {
    const int dpi = ScreenDpi();
    Veltrano veltrano("");
    ASSERT_TRUE(veltrano.Start(L"", false));
    HWND notice = NoticeOf(veltrano);
    ASSERT_TRUE(notice);
    RECT client = {};
    GetClientRect(notice, &client);
    EXPECT_EQ(client.right, NoticeClientSize(dpi).width);
    EXPECT_EQ(client.bottom, NoticeClientSize(dpi).height);
    const std::vector<Control> controls = ControlsOf(notice);
    ASSERT_EQ(controls.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const ControlPlacement place = NoticeControlPlacements(dpi)[i];
        ExpectPlace(controls[i].place, place.x, place.y, place.width, place.height);
    }
}

TEST(Dpi, TheMainWindowOpensForItsLayoutWithEveryControlInsideAndNoneOverlapping) {
    const int dpi = ScreenDpi();
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    RECT client = {};
    GetClientRect(veltrano.mainWindow, &client);
    EXPECT_EQ(client.right, MainClientSize(dpi).width);
    EXPECT_EQ(client.bottom, MainClientSize(dpi).height);
    const auto placeOf = [&](int id) {
        RECT place = {};
        GetWindowRect(veltrano.Control(id), &place);
        MapWindowPoints(HWND_DESKTOP, veltrano.mainWindow, reinterpret_cast<POINT*>(&place), 2);
        return place;
    };
    // Wine's drop-down takes the height it is given (that of its open list) and only then shrinks to its
    // closed height: read while the window is laid out once more after it is shown, it overlaps what lies
    // below it for a moment.
    WaitFor([&] { return placeOf(IDC_TARGET_COMBO).bottom <= placeOf(IDC_REFRESH).top; }, 2000);
    std::vector<std::pair<int, RECT>> placed;
    for (int id = kFirstControlId; id < kFirstControlId + kControlCount; ++id) {
        const RECT place = placeOf(id);
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right &&
                    place.bottom <= client.bottom)
            << "control " << id << " lies outside the client area at " << dpi << " DPI";
        for (const auto& [other, otherPlace] : placed) {
            RECT overlap = {};
            // The help button sits in the heading's corner.
            if (id == IDC_TITLE && other == IDC_HELP) continue;
            EXPECT_FALSE(IntersectRect(&overlap, &place, &otherPlace))
                << "controls " << id << " and " << other << " overlap at " << dpi << " DPI";
        }
        placed.emplace_back(id, place);
    }
}

TEST(Dpi, TheMainWindowCannotBeMadeSmallerThanItsScaledMinimum) {
    const int dpi = ScreenDpi();
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    SetWindowPos(veltrano.mainWindow, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT frame = {};
    RECT work = {};
    GetWindowRect(veltrano.mainWindow, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const Size minimum = MinimumTrackingSize(dpi, {work.right - work.left, work.bottom - work.top});
    EXPECT_EQ(frame.right - frame.left, minimum.width);
    EXPECT_EQ(frame.bottom - frame.top, minimum.height);
}
