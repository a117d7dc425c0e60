// The main window's commands, the list's tick and double-click notifications and the notification-area icon:
// its menu, its other mouse events, and its return after the shell restarts.
#include "base/handles.h"
#include "settings/settings_file.h"
#include "tests/win/support.h"
#include "ui/app_state.h"
#include "ui/help_text.h"
#include "ui/ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <thread>

namespace {

constexpr wchar_t kHelperProcess[] = L"vlt-test-windows.exe";
constexpr wchar_t kShownTip[] = L"Veltrano";
constexpr wchar_t kHiddenTip[] = L"Veltrano（已隐藏，按快捷键恢复）";

// The first visible top-level window of this process with the class, or none.
HWND OwnWindowOfClass(const wchar_t* className) {
    for (HWND hwnd : WindowsOfProcess(GetCurrentProcessId(), className)) {
        if (IsWindowVisible(hwnd)) return hwnd;
    }
    return nullptr;
}

// Runs `action` on a thread of its own with a window of this process once one of that class is shown; the
// test thread meanwhile sits in the modal loop that shows it (a popup menu, a message box).
class WhenShown {
  public:
    WhenShown(const wchar_t* className, std::function<void(HWND)> action)
        : thread_([this, className, action] {
              HWND window = nullptr;
              if (!WaitFor([&] { return (window = OwnWindowOfClass(className)) != nullptr; })) return;
              seen_ = true;
              action(window);
          }) {}
    ~WhenShown() { Join(); }
    WhenShown(const WhenShown&) = delete;
    WhenShown& operator=(const WhenShown&) = delete;

    // Waits until the action has run (or the window never came); whether it came.
    bool Join() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

  private:
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

struct MenuItem {
    UINT id = 0;
    UINT state = 0; // GetMenuState: MF_SEPARATOR, MF_CHECKED, MF_DEFAULT, MF_GRAYED ...
    std::wstring text;
};

std::vector<MenuItem> ItemsOf(HMENU menu) {
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MenuItem item;
        item.id = GetMenuItemID(menu, i);
        item.state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        item.text = text;
        items.push_back(item);
    }
    return items;
}

int HighlightedItem(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) return i;
    }
    return -1;
}

// Opens the tray menu as a right click on the icon does, reads it, then moves to the item at `choose` with
// the arrow keys and presses Enter, or presses Escape when `choose` is negative. Returns the items it showed.
std::vector<MenuItem> UseTrayMenu(HWND mainWindow, int choose) {
    std::vector<MenuItem> items;
    WhenShown user(L"#32768", [&](HWND menuWindow) {
        HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        items = ItemsOf(menu);
        if (choose >= 0) {
            for (int step = 0; step < 8 && HighlightedItem(menu) != choose; ++step) {
                const int before = HighlightedItem(menu);
                PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 1);
                WaitFor([&] { return HighlightedItem(menu) != before; }, 2000);
            }
        }
        PostMessageW(menuWindow, WM_KEYDOWN, choose >= 0 ? VK_RETURN : VK_ESCAPE, 1);
    });
    SendMessageW(mainWindow, WM_TRAYICON, kTrayIconId, WM_RBUTTONUP);
    EXPECT_TRUE(user.Join()) << "no menu opened";
    return items;
}

// The icons in Wine's stand-alone notification area, each with its tooltip text. The tooltip controls belong
// to the explorer process and keep their texts there, so the question and the answer travel through its
// memory.
std::map<HWND, std::wstring> TrayIconTips() {
    std::map<HWND, std::wstring> tips;
    HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    if (!tray) return tips;
    DWORD explorer = 0;
    GetWindowThreadProcessId(tray, &explorer);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, explorer);
    if (!process) return tips;
    constexpr std::size_t kTextUnits = 1024;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOW) + kTextUnits * 2,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    const std::vector<HWND> tooltips = WindowsOfProcess(explorer, L"tooltips_class32");
    for (HWND icon = FindWindowExW(tray, nullptr, nullptr, nullptr); remote && icon;
         icon = FindWindowExW(tray, icon, nullptr, nullptr)) {
        for (HWND tooltip : tooltips) {
            TTTOOLINFOW question = {sizeof(question)};
            question.hwnd = icon;
            question.uId = reinterpret_cast<UINT_PTR>(icon);
            question.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof(TTTOOLINFOW));
            const wchar_t nothing[kTextUnits] = {};
            WriteProcessMemory(process, remote, &question, sizeof(question), nullptr);
            WriteProcessMemory(process, remote + sizeof(TTTOOLINFOW), nothing, sizeof(nothing), nullptr);
            SendMessageW(tooltip, TTM_GETTEXTW, kTextUnits, reinterpret_cast<LPARAM>(remote));
            wchar_t answer[kTextUnits] = {};
            ReadProcessMemory(process, remote + sizeof(TTTOOLINFOW), answer, sizeof(answer) - 2, nullptr);
            if (answer[0]) tips[icon] = answer;
        }
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return tips;
}

std::set<HWND> IconsOf(const std::map<HWND, std::wstring>& tips) {
    std::set<HWND> icons;
    for (const auto& [icon, tip] : tips)
        icons.insert(icon);
    return icons;
}

// The icon that appears while `action` runs, with its tooltip; none when no icon or several appear.
std::pair<HWND, std::wstring> IconAddedBy(const std::function<void()>& action) {
    const std::set<HWND> before = IconsOf(TrayIconTips());
    action();
    std::vector<std::pair<HWND, std::wstring>> added;
    WaitFor([&] {
        added.clear();
        for (const auto& [icon, tip] : TrayIconTips()) {
            if (!before.count(icon)) added.emplace_back(icon, tip);
        }
        return !added.empty();
    });
    return added.size() == 1 ? added.front() : std::pair<HWND, std::wstring>();
}

std::wstring TipOf(HWND icon) {
    const auto tips = TrayIconTips();
    const auto found = tips.find(icon);
    return found == tips.end() ? std::wstring() : found->second;
}

void AnnounceShellStart() {
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
}

// The shell forgets the program's icon, then announces that it has started again; returns the icon that
// appears after the announcement.
std::pair<HWND, std::wstring> RestartShell(HWND mainWindow) {
    NOTIFYICONDATAW data = {sizeof(data)};
    data.hWnd = mainWindow;
    data.uID = kTrayIconId;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_FALSE(TrayIconExists(mainWindow));
    const auto added = IconAddedBy(AnnounceShellStart);
    EXPECT_TRUE(TrayIconExists(mainWindow));
    return added;
}

int RowOf(HWND list, HWND window) {
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) &&
            reinterpret_cast<HWND>(item.lParam) == window) {
            return row;
        }
    }
    return -1;
}

void SetTick(HWND list, int row, bool ticked) {
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

// A double click of the left button at a point of the list's client area, as the mouse delivers it.
void DoubleClickAt(HWND list, POINT point) {
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void DoubleClickRow(HWND list, int row) {
    RECT label = {};
    label.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label)));
    DoubleClickAt(list, {(label.left + label.right) / 2, (label.top + label.bottom) / 2});
}

// The windows offered in the drop-down after the no-switch entry.
std::vector<HWND> TargetsOffered(HWND combo) {
    std::vector<HWND> offered;
    const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 1; i < count; ++i)
        offered.push_back(reinterpret_cast<HWND>(SendMessageW(combo, CB_GETITEMDATA, i, 0)));
    return offered;
}

HWND SelectedTarget(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return index > 0 ? reinterpret_cast<HWND>(SendMessageW(combo, CB_GETITEMDATA, index, 0)) : nullptr;
}

void SelectTarget(HWND combo, HWND target) {
    const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (reinterpret_cast<HWND>(SendMessageW(combo, CB_GETITEMDATA, i, 0)) == target)
            SendMessageW(combo, CB_SETCURSEL, i, 0);
    }
    ASSERT_EQ(SelectedTarget(combo), target);
}

void Click(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
}

std::wstring StartupShortcutPath() {
    PWSTR folder = nullptr;
    SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder);
    const std::wstring path = std::wstring(folder ? folder : L"") + L"\\Veltrano.lnk";
    CoTaskMemFree(folder);
    return path;
}

// "<target> <arguments> <working folder>" of the shortcut as the shell reads it; with `target`, first writes
// a shortcut to it.
std::wstring Shortcut(const std::wstring& path, const wchar_t* target = nullptr) {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return L"no shell link";
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (target) link->SetPath(target);
    wchar_t read[3][MAX_PATH] = {};
    if (target ? SUCCEEDED(file->Save(path.c_str(), TRUE)) : SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        link->GetPath(read[0], MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetArguments(read[1], MAX_PATH);
        link->GetWorkingDirectory(read[2], MAX_PATH);
    }
    file->Release();
    link->Release();
    return std::wstring(read[0]) + L" " + read[1] + L" " + read[2];
}

std::string Ticking(const std::wstring& title) {
    return "hideCount=1\r\nhide0=" + Utf8(title) + "|" + Utf8(kHelperProcess) + "\r\n";
}

} // namespace

TEST(Tray, TheMenuOffersOpenToggleAndExitWithTheToggleTextFollowingTheState) {
    Helper helper({L"--window", L"Tray menu target"});
    InProcessVeltrano veltrano("[config]\r\n" + Ticking(L"Tray menu target"));
    HWND target = helper.windows.at(0);

    const std::vector<MenuItem> items = UseTrayMenu(veltrano.mainWindow, -1);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].id, static_cast<UINT>(IDM_OPEN_SETTINGS));
    EXPECT_EQ(items[0].text, L"打开设置");
    EXPECT_EQ(items[1].id, static_cast<UINT>(IDM_TOGGLE));
    EXPECT_EQ(items[1].text, L"立即隐藏并切换");
    EXPECT_EQ(items[2].id, static_cast<UINT>(IDM_START_WITH_WINDOWS));
    EXPECT_EQ(items[2].text, L"开机时启动");
    EXPECT_TRUE(items[3].state & MF_SEPARATOR);
    EXPECT_EQ(items[4].id, static_cast<UINT>(IDM_EXIT));
    EXPECT_EQ(items[4].text, L"退出");
    for (int i : {0, 1, 4})
        EXPECT_EQ(items[i].state & (MF_CHECKED | MF_DEFAULT | MF_GRAYED | MF_DISABLED), 0u) << i;
    // Escape closed it without doing anything.
    EXPECT_TRUE(StateOf(target).visible);
    EXPECT_TRUE(IsWindow(veltrano.mainWindow));

    EXPECT_EQ(UseTrayMenu(veltrano.mainWindow, 1).at(1).text, L"立即隐藏并切换");
    EXPECT_TRUE(WaitFor([&] { return !StateOf(target).visible; }));

    EXPECT_EQ(UseTrayMenu(veltrano.mainWindow, 1).at(1).text, L"恢复全部窗口");
    EXPECT_TRUE(WaitFor([&] { return StateOf(target).visible; }));
    EXPECT_EQ(UseTrayMenu(veltrano.mainWindow, -1).at(1).text, L"立即隐藏并切换");
}

TEST(Tray, OpenSettingsAndALeftDoubleClickShowTheMainWindowWithTheWindowCount) {
    Helper helper({L"--window", L"Counted one", L"--window", L"Counted two"});
    InProcessVeltrano veltrano;
    ASSERT_FALSE(IsWindowVisible(veltrano.mainWindow));
    // The list is filled again when the window shows, and the count is of that list.
    const auto count = [&] {
        const auto rows = SendMessageW(veltrano.Control(IDC_WINDOW_LIST), LVM_GETITEMCOUNT, 0, 0);
        return L"共 " + std::to_wstring(rows) + L" 个窗口";
    };

    SetWindowTextW(veltrano.Control(IDC_STATUS), L"before");
    UseTrayMenu(veltrano.mainWindow, 0);
    EXPECT_TRUE(IsWindowVisible(veltrano.mainWindow));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), count());
    EXPECT_GE(RowOf(veltrano.Control(IDC_WINDOW_LIST), helper.windows.at(1)), 0);

    ShowWindow(veltrano.mainWindow, SW_HIDE);
    SetWindowTextW(veltrano.Control(IDC_STATUS), L"before");
    SendMessageW(veltrano.mainWindow, WM_TRAYICON, kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(veltrano.mainWindow));
    EXPECT_FALSE(IsIconic(veltrano.mainWindow));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), count());
}

TEST(Tray, OtherMouseEventsOnTheIconDoNothing) {
    InProcessVeltrano veltrano;
    SetWindowTextW(veltrano.Control(IDC_STATUS), L"before");
    WhenShown menu(L"#32768", [](HWND menuWindow) { PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 1); });
    const UINT events[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,    WM_MOUSEMOVE,        WM_RBUTTONDOWN,
                           WM_MBUTTONUP,   NIN_BALLOONSHOW, NIN_BALLOONUSERCLICK};
    for (UINT event : events) {
        SendMessageW(veltrano.mainWindow, WM_TRAYICON, kTrayIconId, event);
        EXPECT_FALSE(IsWindowVisible(veltrano.mainWindow)) << event;
        EXPECT_EQ(veltrano.Text(IDC_STATUS), L"before") << event;
    }
    EXPECT_FALSE(menu.Join());
}

TEST(Tray, StartWithWindowsIsAShortcutToThisExeInTheStartupFolder) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    InProcessVeltrano veltrano("[config]\r\nnoticeShown=1\r\n");
    const std::string settings = ReadFileBytes(InProcessVeltrano::SettingsPath());
    const std::wstring link = StartupShortcutPath();
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring folder = std::wstring(exe).substr(0, std::wstring(exe).find_last_of(L'\\'));
    // A shortcut left by a copy in a folder since moved: unticked, and choosing it points the shortcut here.
    Shortcut(link, L"C:\\moved\\veltrano.exe");
    EXPECT_FALSE(UseTrayMenu(veltrano.mainWindow, 2).at(2).state & MF_CHECKED);
    EXPECT_EQ(Shortcut(link), std::wstring(exe) + L" --tray " + folder);
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"已设置开机时启动：登录后 Veltrano 在托盘中启动");
    EXPECT_TRUE(UseTrayMenu(veltrano.mainWindow, 2).at(2).state & MF_CHECKED);
    EXPECT_FALSE(FileExists(link));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"已取消开机时启动");
    // Disabled in Task Manager: unticked, and choosing it enables it again.
    Shortcut(link, exe);
    const wchar_t approved[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
    const BYTE disabled[12] = {3, 0, 0, 0, 0x5E, 0x1B, 0xC4, 0x02, 0xA1, 0xD7, 0xD9, 0x01};
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_CURRENT_USER, approved, L"Veltrano.lnk", REG_BINARY, disabled, sizeof(disabled)),
        ERROR_SUCCESS);
    EXPECT_FALSE(UseTrayMenu(veltrano.mainWindow, 2).at(2).state & MF_CHECKED);
    EXPECT_EQ(
        RegGetValueW(HKEY_CURRENT_USER, approved, L"Veltrano.lnk", RRF_RT_ANY, nullptr, nullptr, nullptr),
        ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(UseTrayMenu(veltrano.mainWindow, 2).at(2).state & MF_CHECKED);
    EXPECT_EQ(ReadFileBytes(InProcessVeltrano::SettingsPath()), settings);
    CoUninitialize();
}

TEST(Tray, AnIconTheShellDidNotTakeIsTriedAgainOnTheTimer) {
    InProcessVeltrano veltrano;
    NOTIFYICONDATAW data = {sizeof(data)};
    data.hWnd = veltrano.mainWindow;
    data.uID = kTrayIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    app.trayIconAdded = false;
    SendMessageW(veltrano.mainWindow, WM_TIMER, TIMER_TRAY_RETRY, 0);
    EXPECT_TRUE(TrayIconExists(veltrano.mainWindow));
    EXPECT_TRUE(app.trayIconAdded);
}

TEST(Tray, ExitInTheMenuEndsTheProgram) {
    InProcessVeltrano veltrano("[config]\r\nnoticeShown=1\r\n");
    UseTrayMenu(veltrano.mainWindow, 4);
    EXPECT_FALSE(IsWindow(veltrano.mainWindow));
    EXPECT_TRUE(HotkeyIsFree(MOD_CONTROL | MOD_ALT, VK_SPACE));
}

TEST(Tray, TheIconComesBackWithTheTipOfTheStateWhenTheShellRestarts) {
    Helper helper({L"--window", L"Shell restart target"});
    Veltrano veltrano("[config]\r\nnoticeShown=1\r\n" + Ticking(L"Shell restart target"));
    ASSERT_TRUE(veltrano.Start());
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(veltrano.mainWindow); }));
    EXPECT_EQ(RestartShell(veltrano.mainWindow).second, kShownTip);

    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_TOGGLE, 0);
    ASSERT_TRUE(WaitFor([&] { return !StateOf(helper.windows.at(0)).visible; }));
    const auto [icon, tip] = RestartShell(veltrano.mainWindow);
    EXPECT_EQ(tip, kHiddenTip);

    // The icon added again is the program's own: its tip follows the state, and it goes at the exit.
    // Copied into the lambda by name: Clang 14 cannot capture a structured binding yet.
    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_TOGGLE, 0);
    ASSERT_TRUE(WaitFor([&] { return StateOf(helper.windows.at(0)).visible; }));
    EXPECT_TRUE(WaitFor([&, icon = icon] { return TipOf(icon) == kShownTip; })) << Utf8(TipOf(icon));
    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_EQ(veltrano.WaitExit(), 0u);
    EXPECT_FALSE(TrayIconExists(veltrano.mainWindow));
}

TEST(Tray, AnAnnouncementWhileTheIconIsStillThereKeepsItInStep) {
    Helper helper({L"--window", L"Shell announcement target"});
    Veltrano veltrano("[config]\r\nnoticeShown=1\r\n" + Ticking(L"Shell announcement target"));
    const auto [icon, tip] = IconAddedBy([&] { ASSERT_TRUE(veltrano.Start()); });
    ASSERT_EQ(tip, kShownTip);

    AnnounceShellStart();
    SendMessageW(veltrano.mainWindow, WM_NULL, 0, 0); // the announcement has been handled once this returns
    EXPECT_TRUE(TrayIconExists(veltrano.mainWindow));
    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_TOGGLE, 0);
    ASSERT_TRUE(WaitFor([&] { return !StateOf(helper.windows.at(0)).visible; }));
    EXPECT_TRUE(WaitFor([&, icon = icon] { return TipOf(icon) == kHiddenTip; })) << Utf8(TipOf(icon));
    PostMessageW(veltrano.mainWindow, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_EQ(veltrano.WaitExit(), 0u);
    EXPECT_FALSE(TrayIconExists(veltrano.mainWindow));
}

TEST(List, ADoubleClickedRowBecomesTheTargetUnlessItIsTicked) {
    Helper helper({L"--window", L"Double ticked", L"--window", L"Double free"});
    InProcessVeltrano veltrano("[config]\r\n" + Ticking(L"Double ticked"));
    veltrano.Show();
    HWND list = veltrano.Control(IDC_WINDOW_LIST);
    HWND combo = veltrano.Control(IDC_TARGET_COMBO);
    const int ticked = RowOf(list, helper.windows.at(0));
    const int unticked = RowOf(list, helper.windows.at(1));
    ASSERT_GE(ticked, 0);
    ASSERT_GE(unticked, 0);
    ASSERT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);

    DoubleClickRow(list, ticked);
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"该窗口已被勾选为隐藏对象，不能作为切换目标");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);

    DoubleClickRow(list, unticked);
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"已选择藏起后要切到的窗口");
    EXPECT_EQ(SelectedTarget(combo), helper.windows.at(1));

    // Below the last row there is no window to choose.
    SetWindowTextW(veltrano.Control(IDC_STATUS), L"before");
    RECT client = {};
    GetClientRect(list, &client);
    DoubleClickAt(list, {client.right / 2, client.bottom - 4});
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"before");
    EXPECT_EQ(SelectedTarget(combo), helper.windows.at(1));
}

TEST(List, TicksTakeWindowsOutOfTheDropDownAndTickingTheTargetFallsBackToNoSwitch) {
    Helper helper({L"--window", L"Tick alpha", L"--window", L"Tick beta", L"--window", L"Tick gamma"});
    InProcessVeltrano veltrano("[config]\r\n" + Ticking(L"Tick alpha"));
    veltrano.Show();
    HWND list = veltrano.Control(IDC_WINDOW_LIST);
    HWND combo = veltrano.Control(IDC_TARGET_COMBO);
    HWND alpha = helper.windows.at(0);
    HWND beta = helper.windows.at(1);
    HWND gamma = helper.windows.at(2);
    const auto offered = [&](HWND window) {
        const std::vector<HWND> targets = TargetsOffered(combo);
        return std::find(targets.begin(), targets.end(), window) != targets.end();
    };
    ASSERT_FALSE(offered(alpha));
    SelectTarget(combo, beta);

    SetTick(list, RowOf(list, gamma), true);
    EXPECT_FALSE(offered(gamma));
    EXPECT_EQ(SelectedTarget(combo), beta);

    SetTick(list, RowOf(list, alpha), false);
    EXPECT_TRUE(offered(alpha));
    EXPECT_EQ(SelectedTarget(combo), beta);

    SetTick(list, RowOf(list, beta), true);
    EXPECT_FALSE(offered(beta));
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
}

TEST(Commands, SaveWritesTheTicksAndTheTargetAndSaysSoOrWhyNot) {
    Helper helper({L"--window", L"Saved tick", L"--window", L"Saved target", L"--window", L"Later tick"});
    InProcessVeltrano veltrano;
    veltrano.Show();
    HWND list = veltrano.Control(IDC_WINDOW_LIST);
    SetTick(list, RowOf(list, helper.windows.at(0)), true);
    SelectTarget(veltrano.Control(IDC_TARGET_COMBO), helper.windows.at(1));

    Click(veltrano.Control(IDC_SAVE));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"设置已保存");
    const std::wstring settings = veltrano.SettingsPath();
    EXPECT_EQ(SettingsNumber(settings, L"hideCount"), 1);
    EXPECT_EQ(SettingsString(settings, L"hide0"), L"Saved tick|vlt-test-windows.exe");
    EXPECT_EQ(SettingsString(settings, L"focus"), L"Saved target|vlt-test-windows.exe");

    // Another program holds the file: the old one stays whole, the status line says why, and the next save
    // writes what the user chose meanwhile.
    SetTick(list, RowOf(list, helper.windows.at(2)), true);
    {
        const UniqueHandle holder(
            CreateFileW(settings.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE);
        const std::string before = ReadFileBytes(settings);
        Click(veltrano.Control(IDC_SAVE));
        EXPECT_EQ(veltrano.Text(IDC_STATUS).rfind(L"设置未能保存：", 0), 0u)
            << Utf8(veltrano.Text(IDC_STATUS));
        EXPECT_GT(veltrano.Text(IDC_STATUS).size(), std::wstring(L"设置未能保存：").size());
        EXPECT_EQ(ReadFileBytes(settings), before);
    }
    Click(veltrano.Control(IDC_SAVE));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"设置已保存");
    EXPECT_EQ(SettingsNumber(settings, L"hideCount"), 2);
}

TEST(Commands, ToTrayHidesTheMainWindowAndKeepsTheIcon) {
    InProcessVeltrano veltrano;
    veltrano.Show();
    Click(veltrano.Control(IDC_TO_TRAY));
    EXPECT_FALSE(IsWindowVisible(veltrano.mainWindow));
    EXPECT_TRUE(IsWindow(veltrano.mainWindow));
    EXPECT_TRUE(TrayIconExists(veltrano.mainWindow));
}

TEST(Commands, ExitDestroysTheWindowReleasesTheHotkeyAndIconAndSaves) {
    Helper helper({L"--window", L"Exit tick"});
    InProcessVeltrano veltrano("[config]\r\nnoticeShown=1\r\n");
    veltrano.Show();
    HWND list = veltrano.Control(IDC_WINDOW_LIST);
    SetTick(list, RowOf(list, helper.windows.at(0)), true);
    ASSERT_TRUE(TrayIconExists(veltrano.mainWindow));

    Click(veltrano.Control(IDC_EXIT));
    EXPECT_FALSE(IsWindow(veltrano.mainWindow));
    EXPECT_FALSE(TrayIconExists(veltrano.mainWindow));
    EXPECT_TRUE(HotkeyIsFree(MOD_CONTROL | MOD_ALT, VK_SPACE));
    EXPECT_EQ(SettingsString(veltrano.SettingsPath(), L"hide0"), L"Exit tick|vlt-test-windows.exe");
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"noticeShown"), 1);
}

TEST(Commands, HelpShowsItsParagraphsInAnInformationBox) {
    InProcessVeltrano veltrano;
    veltrano.Show();
    std::wstring caption;
    std::vector<std::wstring> texts;
    int buttons = 0;
    bool icon = false;
    HWND owner = nullptr;
    WhenShown reader(L"#32770", [&](HWND box) {
        caption = TitleOf(box);
        owner = GetWindow(box, GW_OWNER);
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0) ++buttons;
            if (_wcsicmp(ClassOf(child).c_str(), L"Static") != 0) continue;
            texts.push_back(TitleOf(child));
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                SendMessageW(child, STM_GETICON, 0, 0) ==
                    reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_INFORMATION))) {
                icon = true;
            }
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    Click(veltrano.Control(IDC_HELP));
    ASSERT_TRUE(reader.Join());
    EXPECT_EQ(caption, L"使用帮助");
    EXPECT_EQ(owner, veltrano.mainWindow);
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(icon);
    EXPECT_NE(std::find(texts.begin(), texts.end(), HelpText(SettingsFilePath())), texts.end());
    EXPECT_TRUE(IsWindow(veltrano.mainWindow));
}

TEST(Commands, TheMainWindowCannotBeMadeSmallerThan660By550) {
    InProcessVeltrano veltrano;
    veltrano.Show();
    SetWindowPos(veltrano.mainWindow, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    RECT frame = {};
    GetWindowRect(veltrano.mainWindow, &frame);
    EXPECT_EQ(frame.right - frame.left, 660);
    EXPECT_EQ(frame.bottom - frame.top, 550);
}

TEST(Commands, ADpiChangeMovesTheWindowThenRemakesTheFontsAndTheLayout) {
    InProcessVeltrano veltrano;
    veltrano.Show();
    // Within the 1280 x 800 screen, and no smaller than the minimum at the new DPI.
    RECT suggested = {40, 0, 40 + 1000, 800};
    SendMessageW(veltrano.mainWindow, WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));

    RECT frame = {};
    GetWindowRect(veltrano.mainWindow, &frame);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(frame.right - frame.left, 1000);
    EXPECT_EQ(frame.bottom - frame.top, 800);
    const auto fontHeight = [&](int id) {
        LOGFONTW font = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(veltrano.Control(id), WM_GETFONT, 0, 0)),
                   sizeof(font), &font);
        return font.lfHeight;
    };
    EXPECT_EQ(fontHeight(IDC_STATUS), -18);       // 9 pt
    EXPECT_EQ(fontHeight(IDC_TITLE), -30);        // 15 pt
    EXPECT_EQ(fontHeight(IDC_WINDOW_LIST), -20);  // 10 pt
    EXPECT_EQ(fontHeight(IDC_HOTKEY_LABEL), -20); // 10 pt, bold
    int rowWidth = 0;
    int rowHeight = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(veltrano.Control(IDC_WINDOW_LIST),
                                                                    LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
                          &rowWidth, &rowHeight);
    EXPECT_EQ(rowHeight, 39); // the rows are 26 high at 96 DPI
    RECT client = {};
    GetClientRect(veltrano.mainWindow, &client);
    RECT title = {};
    GetWindowRect(veltrano.Control(IDC_TITLE), &title);
    MapWindowPoints(HWND_DESKTOP, veltrano.mainWindow, reinterpret_cast<POINT*>(&title), 2);
    EXPECT_EQ(title.left, 27);
    EXPECT_EQ(title.top, 27);
    EXPECT_EQ(title.right - title.left, client.right - 54);
    EXPECT_EQ(title.bottom - title.top, 48);
}

TEST(Commands, TheListLeavesTheRowHeightImageListToTheProgramThatDestroysIt) {
    InProcessVeltrano veltrano;
    HWND list = veltrano.Control(IDC_WINDOW_LIST);
    const auto rows = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    DestroyWindow(list);
    int width = 0;
    int height = 0;
    EXPECT_TRUE(ImageList_GetIconSize(rows, &width, &height));
}

TEST(Commands, StaticTextsAreGreyOrNearBlackOnTheWhiteBackground) {
    InProcessVeltrano veltrano;
    HDC dc = CreateCompatibleDC(nullptr);
    for (int id : {IDC_INTRO, IDC_HOTKEY_HINT, IDC_TITLE, IDC_HOTKEY_LABEL, IDC_LIST_LABEL, IDC_TARGET_LABEL,
                   IDC_STATUS}) {
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkMode(dc, OPAQUE);
        const auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(veltrano.mainWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(veltrano.Control(id))));
        const bool grey = id == IDC_INTRO || id == IDC_HOTKEY_HINT;
        EXPECT_EQ(GetTextColor(dc), grey ? RGB(0x60, 0x60, 0x60) : RGB(0x20, 0x20, 0x20)) << id;
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT) << id;
        LOGBRUSH fill = {};
        ASSERT_TRUE(GetObjectW(brush, sizeof(fill), &fill)) << id;
        EXPECT_EQ(fill.lbColor, RGB(0xFF, 0xFF, 0xFF)) << id;
    }
    DeleteDC(dc);
}
