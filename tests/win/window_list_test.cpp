// The window list and the target drop-down of a real main window in this process, filled with real windows of
// the helper program: ticks from the settings, the drop-down's items and selection, the commit, the watch.
#include "app/hub.h"
#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "settings/settings_file.h"
#include "tests/win/support.h"
#include "ui/app_state.h"
#include "ui/window_list.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

constexpr wchar_t kHelperExe[] = L"vlt-test-windows.exe";
constexpr wchar_t kNoSwitch[] = L"（不切换，保持当前焦点）";

struct Row {
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring process;
    int stateImage = 0; // 1 unticked, 2 ticked
};

struct Item {
    std::wstring text;
    HWND hwnd = nullptr;
};

HWND List() {
    return ControlHandle(IDC_WINDOW_LIST);
}
HWND Combo() {
    return ControlHandle(IDC_TARGET_COMBO);
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    const int count = static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t title[1024] = {};
        LVITEMW item = {};
        item.mask = LVIF_PARAM | LVIF_TEXT;
        item.iItem = i;
        item.pszText = title;
        item.cchTextMax = 1024;
        SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        wchar_t process[1024] = {};
        LVITEMW sub = {};
        sub.iSubItem = 1;
        sub.pszText = process;
        sub.cchTextMax = 1024;
        SendMessageW(List(), LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
        const auto state = static_cast<UINT>(SendMessageW(List(), LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK));
        rows.push_back({reinterpret_cast<HWND>(item.lParam), title, process, static_cast<int>(state >> 12)});
    }
    return rows;
}

std::optional<Row> RowOf(HWND hwnd) {
    for (const Row& row : Rows()) {
        if (row.hwnd == hwnd) return row;
    }
    return std::nullopt;
}

bool Ticked(HWND hwnd) {
    const auto row = RowOf(hwnd);
    EXPECT_TRUE(row) << "no row for " << hwnd;
    return row && row->stateImage == 2;
}

bool Unticked(HWND hwnd) {
    const auto row = RowOf(hwnd);
    EXPECT_TRUE(row) << "no row for " << hwnd;
    return row && row->stateImage == 1;
}

// As the user's click on the check box does it: the list notifies the main window.
void Tick(HWND hwnd, bool ticked) {
    const auto rows = Rows();
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.hwnd == hwnd; });
    ASSERT_NE(row, rows.end());
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
    SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row - rows.begin()),
                 reinterpret_cast<LPARAM>(&state));
}

std::vector<Item> Items() {
    std::vector<Item> items;
    const auto count = SendMessageW(Combo(), CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(Combo(), CB_GETLBTEXTLEN, i, 0)), L'\0');
        std::vector<wchar_t> buffer(text.size() + 1);
        SendMessageW(Combo(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
        items.push_back({buffer.data(), reinterpret_cast<HWND>(SendMessageW(Combo(), CB_GETITEMDATA, i, 0))});
    }
    return items;
}

bool Offered(HWND hwnd) {
    const auto items = Items();
    return std::any_of(items.begin(), items.end(), [&](const Item& i) { return i.hwnd == hwnd; });
}

HWND SelectedTarget() {
    const auto selection = SendMessageW(Combo(), CB_GETCURSEL, 0, 0);
    EXPECT_GE(selection, 0);
    return reinterpret_cast<HWND>(SendMessageW(Combo(), CB_GETITEMDATA, selection, 0));
}

void SelectTarget(HWND hwnd) {
    const auto items = Items();
    const auto item = std::find_if(items.begin(), items.end(), [&](const Item& i) { return i.hwnd == hwnd; });
    ASSERT_NE(item, items.end());
    SendMessageW(Combo(), CB_SETCURSEL, static_cast<WPARAM>(item - items.begin()), 0);
}

std::wstring StatusText() {
    return TitleOf(ControlHandle(IDC_STATUS));
}

// The keys of the hide list that name the helper's windows, in list order.
std::vector<WindowKey> HelperKeys() {
    std::vector<WindowKey> keys;
    for (const WindowKey& key : app.settings.hideList) {
        if (key.processName == kHelperExe) keys.push_back(key);
    }
    return keys;
}

void Pump(DWORD milliseconds) {
    WaitFor([] { return false; }, milliseconds);
}

std::wstring CountText(std::size_t rows) {
    return L"共 " + std::to_wstring(rows) + L" 个窗口";
}

// The real main window of the program, created in this process with the settings file it needs beside the
// test executable. The notice stays unaccepted, so neither a watchdog nor a save at exit touches anything.
class WindowList : public ::testing::Test {
  protected:
    TempFolder folder;

    void SetUp() override {
        DeleteFileW(SettingsFilePath().c_str());
        app.instance = GetModuleHandleW(nullptr);
        engine.stateFileOverride = folder.File(L"veltrano.hidden");
        INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                         ICC_LISTVIEW_CLASSES | ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }

    void TearDown() override {
        if (app.mainWindow && IsWindow(app.mainWindow)) DestroyWindow(app.mainWindow);
        DeleteFileW(SettingsFilePath().c_str());
        EXPECT_FALSE(FileExists(folder.File(L"veltrano.hidden")));
    }

    static void Open(const AppSettings& settings = {}) {
        SaveSettingsTo(settings, SettingsFilePath());
        ASSERT_TRUE(CreateMainWindow()) << "error " << GetLastError();
        ASSERT_TRUE(IsWindow(List()));
        ASSERT_TRUE(IsWindow(Combo()));
    }

    static void Close() {
        DestroyWindow(app.mainWindow);
        ASSERT_FALSE(IsWindow(app.mainWindow));
    }
};

AppSettings WithHideList(std::vector<WindowKey> keys) {
    AppSettings settings;
    settings.hideList = std::move(keys);
    return settings;
}

AppSettings WithTarget(WindowKey target, std::vector<WindowKey> keys = {}) {
    AppSettings settings = WithHideList(std::move(keys));
    settings.focusTarget = std::move(target);
    settings.hasFocusTarget = true;
    return settings;
}

} // namespace

TEST_F(WindowList, TicksComeFromTheLoadedKeysIgnoringTheCaseOfAsciiLettersOnly) {
    Helper helper({L"--window", L"Alpha Notes", L"--window", L"Beta Chat", L"--window", L"Gamma", L"--window",
                   L"Ärger", L"--window", L"Delta"});
    ASSERT_EQ(helper.windows.size(), 5u);
    const std::vector<WindowKey> loaded = {{L"ALPHA notes", L"VLT-TEST-WINDOWS.EXE"},
                                           {L"Beta Chat", L""},
                                           {L"Gamma", L"other.exe"},
                                           {L"ärger", L""},
                                           {L"", kHelperExe},
                                           {L"Not open anywhere", L"x.exe"}};
    Open(WithHideList(loaded));

    EXPECT_TRUE(Ticked(helper.windows[0]));
    EXPECT_TRUE(Ticked(helper.windows[1]));
    for (std::size_t i : {2, 3, 4})
        EXPECT_TRUE(Unticked(helper.windows[i])) << i;
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(Offered(helper.windows[i]), i >= 2) << i;
    // The first fill has nothing to commit: the loaded list stands until the next refresh.
    EXPECT_EQ(app.settings.hideList, loaded);

    // The keys no open window matches keep their rows, ticked, and their place in the settings.
    RefreshWindowList(true);
    std::vector<WindowKey> keys = app.settings.hideList;
    ASSERT_EQ(keys.size(), 6u);
    // The open rows come first, in z-order.
    std::sort(keys.begin(), keys.begin() + 2,
              [](const WindowKey& a, const WindowKey& b) { return a.title < b.title; });
    EXPECT_EQ(keys, (std::vector<WindowKey>{{L"Alpha Notes", kHelperExe},
                                            {L"Beta Chat", kHelperExe},
                                            {L"Gamma", L"other.exe"},
                                            {L"ärger", L""},
                                            {L"", kHelperExe},
                                            {L"Not open anywhere", L"x.exe"}}));
    EXPECT_TRUE(Ticked(helper.windows[0]));
    EXPECT_TRUE(Ticked(helper.windows[1]));
}

TEST_F(WindowList, TicksSurviveARefreshWhetherLoadedOrSetByTheUser) {
    Helper helper({L"--window", L"One", L"--window", L"Two", L"--window", L"Three"});
    ASSERT_EQ(helper.windows.size(), 3u);
    Open(WithHideList({{L"One", kHelperExe}}));
    Tick(helper.windows[2], true);
    SendMessageW(app.mainWindow, WM_COMMAND, IDC_REFRESH, 0);
    EXPECT_TRUE(Ticked(helper.windows[0]));
    EXPECT_TRUE(Unticked(helper.windows[1]));
    EXPECT_TRUE(Ticked(helper.windows[2]));
    EXPECT_EQ(StatusText(), CountText(Rows().size()));

    Tick(helper.windows[0], false);
    RefreshWindowList(true);
    EXPECT_TRUE(Unticked(helper.windows[0]));
    EXPECT_TRUE(Unticked(helper.windows[1]));
    EXPECT_TRUE(Ticked(helper.windows[2]));
}

TEST_F(WindowList, TicksSurviveARestartThroughTheKeysNotTheHandles) {
    std::vector<HWND> before;
    {
        Helper helper({L"--window", L"Keep me", L"--window", L"Leave me"});
        ASSERT_EQ(helper.windows.size(), 2u);
        before = helper.windows;
        Open();
        EXPECT_TRUE(Unticked(helper.windows[0]));
        Tick(helper.windows[0], true);
        SendMessageW(app.mainWindow, WM_COMMAND, IDC_SAVE, 0);
        EXPECT_EQ(StatusText(), L"设置已保存");
        Close();
    }
    EXPECT_EQ(LoadSettingsFrom(SettingsFilePath()).hideList,
              (std::vector<WindowKey>{{L"Keep me", kHelperExe}}));

    Helper helper({L"--window", L"Leave me", L"--window", L"Keep me"});
    ASSERT_EQ(helper.windows.size(), 2u);
    EXPECT_EQ(std::find(before.begin(), before.end(), helper.windows[1]), before.end());
    Open(LoadSettingsFrom(SettingsFilePath()));
    EXPECT_TRUE(Unticked(helper.windows[0]));
    EXPECT_TRUE(Ticked(helper.windows[1]));
}

TEST_F(WindowList, ATickedTargetLeavesTheDropDownAndTheSelectionFallsBackToTheFirstItem) {
    Helper helper({L"--window", L"Target", L"--window", L"Bystander"});
    ASSERT_EQ(helper.windows.size(), 2u);
    HWND target = helper.windows[0];
    Open(WithTarget({L"target", L"VLT-test-windows.exe"}));
    EXPECT_EQ(SelectedTarget(), target);
    EXPECT_EQ(Items()[static_cast<std::size_t>(SendMessageW(Combo(), CB_GETCURSEL, 0, 0))].text,
              L"Target    [vlt-test-windows.exe]");

    Tick(target, true);
    EXPECT_FALSE(Offered(target));
    EXPECT_TRUE(Offered(helper.windows[1]));
    EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Items()[0].text, kNoSwitch);

    Tick(target, false);
    EXPECT_TRUE(Offered(target));
    EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), 0);
    CommitListToSettings();
    EXPECT_FALSE(app.settings.hasFocusTarget);
    EXPECT_EQ(app.settings.focusTarget, WindowKey{});
}

TEST_F(WindowList, ASavedTargetThatIsAlsoTickedIsNotSelectedAndTheCommitClearsIt) {
    Helper helper({L"--window", L"Both"});
    ASSERT_EQ(helper.windows.size(), 1u);
    Open(WithTarget({L"Both", kHelperExe}, {{L"Both", kHelperExe}}));
    EXPECT_TRUE(Ticked(helper.windows[0]));
    EXPECT_FALSE(Offered(helper.windows[0]));
    EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(app.settings.hasFocusTarget);
    CommitListToSettings();
    EXPECT_FALSE(app.settings.hasFocusTarget);
    EXPECT_EQ(HelperKeys(), (std::vector<WindowKey>{{L"Both", kHelperExe}}));
}

TEST_F(WindowList, TheFirstMatchInZOrderIsPreselected) {
    Helper helper({L"--window", L"Twin", L"--window", L"Twin"});
    ASSERT_EQ(helper.windows.size(), 2u);
    Open(WithTarget({L"twin", L""}));
    const auto positionOf = [](HWND hwnd) {
        return std::find_if(app.listEntries.begin(), app.listEntries.end(),
                            [&](const WindowEntry& e) { return e.hwnd == hwnd; }) -
               app.listEntries.begin();
    };
    HWND upper =
        positionOf(helper.windows[0]) < positionOf(helper.windows[1]) ? helper.windows[0] : helper.windows[1];
    HWND lower = upper == helper.windows[0] ? helper.windows[1] : helper.windows[0];
    EXPECT_EQ(SelectedTarget(), upper);

    SetWindowPos(lower, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] {
        const auto entries = EnumerateCandidateWindows();
        const auto at = [&](HWND hwnd) {
            return std::find_if(entries.begin(), entries.end(),
                                [&](const WindowEntry& e) { return e.hwnd == hwnd; });
        };
        return at(lower) < at(upper);
    }));
    RefreshWindowList(false);
    EXPECT_EQ(SelectedTarget(), lower);
}

TEST_F(WindowList, WhenTheFirstMatchIsTickedNoLaterMatchIsPreselected) {
    const std::wstring otherExe = folder.File(L"vlt-other-app.exe");
    ASSERT_TRUE(CopyFileW(BesideTests(kHelperExe).c_str(), otherExe.c_str(), FALSE));
    Helper mine({L"--window", L"Shared title"});
    Helper other({L"--window", L"Shared title"}, otherExe);
    ASSERT_EQ(mine.windows.size(), 1u);
    ASSERT_EQ(other.windows.size(), 1u);
    EXPECT_EQ(GetWindowProcessName(other.windows[0]), L"vlt-other-app.exe");
    WindowEntry upper;
    for (const WindowEntry& entry : EnumerateCandidateWindows()) {
        if (entry.hwnd == mine.windows[0] || entry.hwnd == other.windows[0]) {
            upper = entry;
            break;
        }
    }
    ASSERT_TRUE(upper.hwnd);
    HWND lower = upper.hwnd == mine.windows[0] ? other.windows[0] : mine.windows[0];

    Open(WithTarget({L"Shared title", L""}, {{L"Shared title", upper.processName}}));
    EXPECT_TRUE(Ticked(upper.hwnd));
    EXPECT_TRUE(Unticked(lower));
    EXPECT_TRUE(Offered(lower));
    EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), 0);
}

// Veltrano starts before the user's programs: what the user chose and is not open stays chosen, shown after
// the open windows, until the user unticks it or chooses another target.
TEST_F(WindowList, RememberedKeysAndTargetsAreShownNotOpenAndStayUntilTheUserChangesThem) {
    const std::vector<WindowKey> loaded = {{L"Not open", L"x.exe"}};
    const WindowKey target = {L"Not open target", L"y.exe"};
    Open(WithTarget(target, loaded));
    for (int pass = 0; pass < 2; ++pass) {
        const auto rows = Rows();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back().hwnd, nullptr);
        EXPECT_EQ(rows.back().title, L"Not open（未运行）");
        EXPECT_EQ(rows.back().process, L"x.exe");
        EXPECT_EQ(rows.back().stateImage, 2);
        const auto items = Items();
        EXPECT_EQ(items.back().text, L"Not open target    [y.exe]（未打开）");
        EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), static_cast<LRESULT>(items.size() - 1));
        EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const Item& i) { return i.hwnd == nullptr; }),
                  1);
        SendMessageW(app.mainWindow, WM_COMMAND, IDC_REFRESH, 0);
        EXPECT_EQ(app.settings.hideList, loaded);
        EXPECT_EQ(app.settings.focusTarget, target);
    }
    NMITEMACTIVATE activation = {{List(), IDC_WINDOW_LIST, NM_DBLCLK}};
    activation.iItem = static_cast<int>(Rows().size() - 1);
    SendMessageW(app.mainWindow, WM_NOTIFY, IDC_WINDOW_LIST, reinterpret_cast<LPARAM>(&activation));
    EXPECT_EQ(StatusText(), L"该窗口未打开，不能作为切换目标");
    EXPECT_EQ(SelectedTarget(), kRememberedTarget);

    Tick(nullptr, false);
    SendMessageW(Combo(), CB_SETCURSEL, 0, 0);
    RefreshWindowList(false);
    EXPECT_TRUE(app.settings.hideList.empty());
    EXPECT_FALSE(app.settings.hasFocusTarget);
    EXPECT_FALSE(RowOf(nullptr));
}

TEST_F(WindowList, RowsAndItemsNameTitleAndProcessAndTheCountFollowsTheRows) {
    Helper helper({L"--window", L"Editor — 文档.txt", L"--window", L"Plain"});
    ASSERT_EQ(helper.windows.size(), 2u);
    Open();
    const auto row = RowOf(helper.windows[0]);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->title, L"Editor — 文档.txt");
    EXPECT_EQ(row->process, kHelperExe);
    const auto items = Items();
    const auto item =
        std::find_if(items.begin(), items.end(), [&](const Item& i) { return i.hwnd == helper.windows[0]; });
    ASSERT_NE(item, items.end());
    EXPECT_EQ(item->text, L"Editor — 文档.txt    [vlt-test-windows.exe]");
    // Items follow the rows' order.
    std::vector<HWND> rowOrder;
    for (const Row& r : Rows())
        rowOrder.push_back(r.hwnd);
    std::vector<HWND> itemOrder;
    for (std::size_t i = 1; i < items.size(); ++i)
        itemOrder.push_back(items[i].hwnd);
    EXPECT_EQ(itemOrder, rowOrder);

    SendMessageW(app.mainWindow, WM_COMMAND, IDC_REFRESH, 0);
    const std::size_t rows = Rows().size();
    EXPECT_EQ(StatusText(), CountText(rows));
    helper.Close(1);
    RefreshWindowList(true);
    EXPECT_EQ(Rows().size(), rows - 1);
    EXPECT_EQ(StatusText(), CountText(rows - 1));
    SetStatusText(L"marker");
    helper.Close(0);
    RefreshWindowList(false);
    EXPECT_EQ(Rows().size(), rows - 2);
    EXPECT_EQ(StatusText(), L"marker");
}

TEST_F(WindowList, TheCommitReadsEachKeyFromTheLiveWindowNotFromTheRow) {
    Helper helper({L"--window", L"Before", L"--window", L"Target before", L"--window", L"Doomed", L"--window",
                   L"L", L"--len", L"600"});
    ASSERT_EQ(helper.windows.size(), 4u);
    Open();
    Tick(helper.windows[0], true);
    Tick(helper.windows[2], true);
    Tick(helper.windows[3], true);
    SelectTarget(helper.windows[1]);
    helper.Rename(0, L"After");
    helper.Rename(1, L"Target after");
    helper.Close(2);

    CommitListToSettings();
    EXPECT_EQ(RowOf(helper.windows[0])->title, L"Before");
    std::vector<WindowKey> keys = HelperKeys();
    std::sort(keys.begin(), keys.end(),
              [](const WindowKey& a, const WindowKey& b) { return a.title < b.title; });
    // A closed window's key stays as the list showed it: only unticking forgets it.
    EXPECT_EQ(keys, (std::vector<WindowKey>{{L"After", kHelperExe},
                                            {L"Doomed", kHelperExe},
                                            {L"L" + std::wstring(510, L'x'), kHelperExe}}));
    EXPECT_TRUE(app.settings.hasFocusTarget);
    EXPECT_EQ(app.settings.focusTarget, (WindowKey{L"Target after", kHelperExe}));

    helper.Close(1);
    CommitListToSettings();
    EXPECT_FALSE(app.settings.hasFocusTarget);
    EXPECT_EQ(app.settings.focusTarget, WindowKey{});
}

TEST_F(WindowList, TwoWindowsWithTheSameTitleAreBothTickedAfterARefresh) {
    Helper helper({L"--window", L"Twin", L"--window", L"Twin", L"--window", L"Single"});
    ASSERT_EQ(helper.windows.size(), 3u);
    Open();
    Tick(helper.windows[1], true);
    EXPECT_TRUE(Unticked(helper.windows[0]));
    RefreshWindowList(false);
    EXPECT_TRUE(Ticked(helper.windows[0]));
    EXPECT_TRUE(Ticked(helper.windows[1]));
    EXPECT_TRUE(Unticked(helper.windows[2]));
    CommitListToSettings();
    EXPECT_EQ(HelperKeys(), (std::vector<WindowKey>{{L"Twin", kHelperExe}}));
}

namespace {

// Counts what reaches the drop-down and the main window while the list is refilled.
WNDPROC originalCombo = nullptr;
WNDPROC originalMain = nullptr;
int noSwitchItemsAdded = 0;
int tickChangesWhileFilling = 0;

LRESULT CALLBACK CountingCombo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CB_ADDSTRING && std::wstring(reinterpret_cast<const wchar_t*>(lParam)) == kNoSwitch)
        ++noSwitchItemsAdded;
    return CallWindowProcW(originalCombo, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CountingMain(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && app.listFilling) {
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (change.hdr.code == LVN_ITEMCHANGED && (change.uChanged & LVIF_STATE) &&
            ((change.uOldState ^ change.uNewState) & LVIS_STATEIMAGEMASK)) {
            ++tickChangesWhileFilling;
        }
    }
    return CallWindowProcW(originalMain, hwnd, message, wParam, lParam);
}

} // namespace

TEST_F(WindowList, TheDropDownIsBuiltOnceForAFillThatTicksManyRows) {
    Helper helper({L"--window", L"R1", L"--window", L"R2", L"--window", L"R3", L"--window", L"R4"});
    ASSERT_EQ(helper.windows.size(), 4u);
    Open(WithHideList({{L"R1", L""}, {L"R2", L""}, {L"R3", L""}}));
    originalCombo = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Combo(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingCombo)));
    originalMain = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(app.mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingMain)));

    RefreshWindowList(false);
    EXPECT_GE(tickChangesWhileFilling, 3);
    EXPECT_EQ(noSwitchItemsAdded, 1);
    EXPECT_TRUE(Offered(helper.windows[3]));

    Tick(helper.windows[0], false);
    EXPECT_EQ(noSwitchItemsAdded, 2);
    EXPECT_TRUE(Offered(helper.windows[0]));
    SetWindowLongPtrW(app.mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalMain));
    SetWindowLongPtrW(Combo(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalCombo));
}

TEST_F(WindowList, TheWatchRebuildsTheShownListWhenWindowsComeChangeAndGo) {
    Open();
    // Shown, then hidden to the tray long enough for the watch to rest: showing it again starts the watch.
    ShowWindow(app.mainWindow, SW_SHOW);
    ShowWindow(app.mainWindow, SW_HIDE);
    Pump(1000);
    ShowWindow(app.mainWindow, SW_SHOW);
    ASSERT_TRUE(WaitFor([] { return IsWindowVisible(app.mainWindow) != FALSE; }));
    Pump(300);
    SetStatusText(L"marker");
    Helper helper({L"--window", L"Arrives later"});
    ASSERT_EQ(helper.windows.size(), 1u);
    HWND arrived = helper.windows[0];
    ASSERT_TRUE(WaitFor([&] { return RowOf(arrived).has_value(); }));
    EXPECT_TRUE(Offered(arrived));
    EXPECT_EQ(app.listSnapshot, SnapshotFromEntries(app.listEntries));

    Tick(arrived, true);
    helper.Rename(0, L"Renamed meanwhile");
    ASSERT_TRUE(WaitFor([&] {
        const auto row = RowOf(arrived);
        return row && row->title == L"Renamed meanwhile";
    }));
    EXPECT_TRUE(Ticked(arrived));
    EXPECT_FALSE(Offered(arrived));

    helper.Close(0);
    ASSERT_TRUE(WaitFor([&] { return !RowOf(arrived).has_value(); }));
    EXPECT_EQ(StatusText(), L"marker");
}

TEST_F(WindowList, TheWatchRestsWhileTheMainWindowIsHiddenOrMinimised) {
    Open();
    ASSERT_FALSE(IsWindowVisible(app.mainWindow));
    Helper helper({L"--window", L"Unseen"});
    ASSERT_EQ(helper.windows.size(), 1u);
    Pump(2500);
    EXPECT_FALSE(RowOf(helper.windows[0]).has_value());

    ShowWindow(app.mainWindow, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(WaitFor([] { return IsIconic(app.mainWindow) != FALSE; }));
    Pump(2500);
    EXPECT_FALSE(RowOf(helper.windows[0]).has_value());

    ShowWindow(app.mainWindow, SW_RESTORE);
    EXPECT_TRUE(WaitFor([&] { return RowOf(helper.windows[0]).has_value(); }));
    // And the watch is back: a new title is listed without another activation.
    helper.Rename(0, L"Seen renamed");
    EXPECT_TRUE(WaitFor([&] {
        const auto row = RowOf(helper.windows[0]);
        return row && row->title == L"Seen renamed";
    }));
}

TEST_F(WindowList, OpeningTheSettingsWindowShowsItAndRefreshesWithTheCount) {
    Open();
    Helper helper({L"--window", L"Opened meanwhile"});
    ASSERT_EQ(helper.windows.size(), 1u);
    ShowSettingsWindow();
    EXPECT_TRUE(IsWindowVisible(app.mainWindow));
    EXPECT_TRUE(RowOf(helper.windows[0]).has_value());
    EXPECT_EQ(StatusText(), CountText(Rows().size()));
}
