// The window catalogue against real windows of another process: which windows are candidates, what they are
// called, and when the cheap snapshot sees a change.
#include "catalogue/catalogue.h"
#include "tests/win/support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr wchar_t kHelperExe[] = L"vlt-test-windows.exe";

std::vector<WindowEntry> HelperEntries(const Helper& helper) {
    std::vector<WindowEntry> found;
    for (const WindowEntry& entry : EnumerateCandidateWindows()) {
        if (std::find(helper.windows.begin(), helper.windows.end(), entry.hwnd) != helper.windows.end())
            found.push_back(entry);
    }
    return found;
}

bool IsCandidate(HWND hwnd) {
    const auto entries = EnumerateCandidateWindows();
    return std::any_of(entries.begin(), entries.end(), [&](const WindowEntry& e) { return e.hwnd == hwnd; });
}

bool InSnapshot(const WindowSnapshot& snapshot, HWND hwnd) {
    return std::any_of(snapshot.begin(), snapshot.end(),
                       [&](const SnapshotItem& i) { return i.hwnd == hwnd; });
}

// A visible, titled, ordinary window of the test process itself.
struct OwnWindow {
    HWND hwnd = nullptr;
    OwnWindow() {
        WNDCLASSEXW windowClass = {sizeof(windowClass)};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VltCatalogueOwnWindow";
        RegisterClassExW(&windowClass);
        hwnd = CreateWindowExW(0, windowClass.lpszClassName, L"Own window of the caller", WS_OVERLAPPEDWINDOW,
                               100, 100, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    }
    ~OwnWindow() { DestroyWindow(hwnd); }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
};

} // namespace

TEST(Catalogue, OnlyVisibleTitledNonToolWindowsOfOtherProcessesAreCandidates) {
    Helper helper(
        {L"--window",     L"Plain frame", L"--window",   L"Minimised frame", L"--minimized", L"--window",
         L"ignored",      L"--notitle",   L"--window",   L"Invisible frame", L"--invisible", L"--window",
         L"Tool palette", L"--tool",      L"--window",   L"Owned dialog",    L"--owner",     L"0",
         L"--window",     L"App window",  L"--appwindow"});
    ASSERT_EQ(helper.windows.size(), 7u);
    ASSERT_TRUE(StateOf(helper.windows[1]).iconic);
    ASSERT_TRUE(IsWindowVisible(helper.windows[2]));
    OwnWindow own;
    ASSERT_TRUE(IsWindowVisible(own.hwnd));

    const auto entries = HelperEntries(helper);
    std::vector<std::wstring> titles;
    for (const WindowEntry& entry : entries)
        titles.push_back(entry.title);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::wstring>{L"App window", L"Minimised frame", L"Owned dialog",
                                                 L"Plain frame"}));
    for (const WindowEntry& entry : entries)
        EXPECT_EQ(entry.processName, kHelperExe) << Utf8(entry.title);

    EXPECT_FALSE(IsCandidate(own.hwnd));
    const WindowSnapshot snapshot = TakeWindowSnapshot();
    EXPECT_FALSE(InSnapshot(snapshot, own.hwnd));
    for (int rejected : {2, 3, 4})
        EXPECT_FALSE(InSnapshot(snapshot, helper.windows[static_cast<std::size_t>(rejected)])) << rejected;
    for (int accepted : {0, 1, 5, 6})
        EXPECT_TRUE(InSnapshot(snapshot, helper.windows[static_cast<std::size_t>(accepted)])) << accepted;
}

TEST(Catalogue, TheCallersOwnWindowsAreDescribedButNeverListed) {
    OwnWindow own;
    for (const WindowEntry& entry : EnumerateCandidateWindows())
        EXPECT_NE(GetWindowProcessName(entry.hwnd), GetWindowProcessName(own.hwnd)) << Utf8(entry.title);
    const WindowEntry described = DescribeWindow(own.hwnd);
    EXPECT_EQ(described.hwnd, own.hwnd);
    EXPECT_EQ(described.title, L"Own window of the caller");
    EXPECT_EQ(described.processName, L"win_catalogue_test.exe");
}

TEST(Catalogue, AWindowGivenTheToolStyleLeavesTheCandidatesAndComesBackWithoutIt) {
    Helper helper({L"--window", L"Restyled frame"});
    ASSERT_EQ(helper.windows.size(), 1u);
    HWND hwnd = helper.windows[0];
    ASSERT_TRUE(IsCandidate(hwnd));
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, style | WS_EX_TOOLWINDOW);
    ASSERT_TRUE(StateOf(hwnd).exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsCandidate(hwnd));
    EXPECT_FALSE(InSnapshot(TakeWindowSnapshot(), hwnd));
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, style);
    EXPECT_TRUE(IsCandidate(hwnd));
    EXPECT_TRUE(InSnapshot(TakeWindowSnapshot(), hwnd));
}

TEST(Catalogue, ALongTitleIsCutTo511UnitsInEntriesSnapshotsAndDescriptions) {
    Helper helper({L"--window", L"L", L"--len", L"600"});
    ASSERT_EQ(helper.windows.size(), 1u);
    ASSERT_EQ(TitleOf(helper.windows[0]).size(), 600u);
    const std::wstring cut = L"L" + std::wstring(510, L'x');

    const auto entries = HelperEntries(helper);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, cut);
    const WindowSnapshot snapshot = TakeWindowSnapshot();
    const auto item = std::find_if(snapshot.begin(), snapshot.end(),
                                   [&](const SnapshotItem& i) { return i.hwnd == helper.windows[0]; });
    ASSERT_NE(item, snapshot.end());
    EXPECT_EQ(item->title, cut);
    const WindowKey key = KeyOf(DescribeWindow(helper.windows[0]));
    EXPECT_EQ(key.title, cut);
    EXPECT_EQ(key.processName, kHelperExe);
}

TEST(Catalogue, DescribingAClosedOrNullWindowKeepsTheHandleWithEmptyStrings) {
    Helper helper({L"--window", L"Soon closed", L"--window", L"Stays"});
    ASSERT_EQ(helper.windows.size(), 2u);
    HWND closed = helper.windows[0];
    const WindowEntry before = DescribeWindow(closed);
    EXPECT_EQ(before.title, L"Soon closed");
    EXPECT_EQ(before.processName, kHelperExe);
    helper.Close(0);
    ASSERT_FALSE(IsWindow(closed));
    const WindowEntry after = DescribeWindow(closed);
    EXPECT_EQ(after.hwnd, closed);
    EXPECT_TRUE(after.title.empty());
    EXPECT_TRUE(after.processName.empty());
    const WindowEntry none = DescribeWindow(nullptr);
    EXPECT_EQ(none.hwnd, nullptr);
    EXPECT_TRUE(none.title.empty());
    EXPECT_TRUE(none.processName.empty());
    EXPECT_EQ(GetWindowProcessName(closed), L"");
    EXPECT_EQ(GetWindowProcessName(helper.windows[1]), kHelperExe);
}

TEST(Catalogue, DescribingSkipsTheFilterForInvisibleAndToolWindows) {
    Helper helper({L"--window", L"Hidden one", L"--invisible", L"--window", L"Tool one", L"--tool"});
    ASSERT_EQ(helper.windows.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const WindowEntry entry = DescribeWindow(helper.windows[i]);
        EXPECT_EQ(entry.title, i == 0 ? L"Hidden one" : L"Tool one");
        EXPECT_EQ(entry.processName, kHelperExe);
    }
}

TEST(Catalogue, TheLightSnapshotSeesWhatTheFullEnumerationSees) {
    Helper helper({L"--window", L"Alpha", L"--window", L"Beta", L"--minimized", L"--window", L"Gamma",
                   L"--owner", L"0"});
    ASSERT_EQ(helper.windows.size(), 3u);
    const WindowSnapshot fromEntries = SnapshotFromEntries(EnumerateCandidateWindows());
    EXPECT_EQ(TakeWindowSnapshot(), fromEntries);
    EXPECT_TRUE(InSnapshot(fromEntries, helper.windows[1]));
    EXPECT_TRUE(std::is_sorted(fromEntries.begin(), fromEntries.end(), SnapshotItemLess));
}

TEST(Catalogue, ARenameEvenInCaseOnlyOrACloseChangesTheSnapshot) {
    Helper helper({L"--window", L"Alpha", L"--window", L"Beta"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const WindowSnapshot original = SnapshotFromEntries(EnumerateCandidateWindows());

    helper.Rename(0, L"ALPHA");
    const WindowSnapshot caseOnly = TakeWindowSnapshot();
    EXPECT_NE(caseOnly, original);
    EXPECT_EQ(caseOnly, SnapshotFromEntries(EnumerateCandidateWindows()));

    helper.Rename(0, L"Alpha");
    EXPECT_EQ(TakeWindowSnapshot(), original);
    helper.Rename(0, L"Alpha renamed");
    EXPECT_NE(TakeWindowSnapshot(), original);

    helper.Rename(0, L"Alpha");
    ASSERT_EQ(TakeWindowSnapshot(), original);
    helper.Close(1);
    const WindowSnapshot closed = TakeWindowSnapshot();
    EXPECT_NE(closed, original);
    EXPECT_EQ(closed.size() + 1, original.size());
    EXPECT_FALSE(InSnapshot(closed, helper.windows[1]));
}

TEST(Catalogue, AChangeOfZOrderAloneLeavesTheSnapshotEqual) {
    Helper helper({L"--window", L"First", L"--window", L"Second"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const auto positionOf = [](const std::vector<WindowEntry>& entries, HWND hwnd) {
        return std::find_if(entries.begin(), entries.end(),
                            [&](const WindowEntry& e) { return e.hwnd == hwnd; }) -
               entries.begin();
    };
    const auto before = EnumerateCandidateWindows();
    const WindowSnapshot original = SnapshotFromEntries(before);
    // Whichever of the two is lower goes to the top.
    HWND lower = positionOf(before, helper.windows[0]) > positionOf(before, helper.windows[1])
                     ? helper.windows[0]
                     : helper.windows[1];
    HWND upper = lower == helper.windows[0] ? helper.windows[1] : helper.windows[0];
    SetWindowPos(lower, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    std::vector<WindowEntry> after;
    ASSERT_TRUE(WaitFor([&] {
        after = EnumerateCandidateWindows();
        return positionOf(after, lower) < positionOf(after, upper);
    }));
    EXPECT_EQ(TakeWindowSnapshot(), original);
    EXPECT_EQ(SnapshotFromEntries(after), original);
}

TEST(Catalogue, EveryCandidateIsReportedOnceInZOrderAndAllTopLevelWindowsIncludeTheRejected) {
    Helper helper({L"--window", L"Listed", L"--window", L"Unlisted", L"--invisible"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const auto all = EnumerateAllTopLevelWindows();
    for (HWND hwnd : helper.windows)
        EXPECT_EQ(std::count(all.begin(), all.end(), hwnd), 1) << hwnd;
    std::size_t lastPosition = 0;
    for (const WindowEntry& entry : EnumerateCandidateWindows()) {
        const auto position =
            static_cast<std::size_t>(std::find(all.begin(), all.end(), entry.hwnd) - all.begin());
        ASSERT_LT(position, all.size()) << Utf8(entry.title);
        EXPECT_GE(position, lastPosition) << Utf8(entry.title);
        lastPosition = position;
    }
}

TEST(Catalogue, TwoWindowsWithTheSameTitleAreTwoEntriesThatOneKeyMatches) {
    Helper helper({L"--window", L"Twin", L"--window", L"Twin"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const auto entries = HelperEntries(helper);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(entries[0].hwnd, entries[1].hwnd);
    const WindowKey key{L"TWIN", L"VLT-TEST-WINDOWS.EXE"};
    EXPECT_TRUE(KeyMatchesEntry(key, entries[0]));
    EXPECT_TRUE(KeyMatchesEntry(key, entries[1]));
    EXPECT_FALSE(KeyMatchesEntry({L"Twin", L"other.exe"}, entries[0]));
}
