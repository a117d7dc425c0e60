#include "engine/hide_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

WindowEntry Entry(std::uint64_t handle, std::wstring title, std::wstring processName, bool cloaked = false) {
    WindowEntry entry{HandleFromValue(handle), std::move(title), std::move(processName)};
    entry.cloaked = cloaked;
    return entry;
}

std::vector<std::uint64_t> Values(const std::vector<WindowHandle>& handles) {
    std::vector<std::uint64_t> values;
    for (WindowHandle hwnd : handles)
        values.push_back(HandleValue(hwnd));
    return values;
}

using Handles = std::vector<std::uint64_t>;

// Candidates in z-order, topmost first.
const std::vector<WindowEntry> kCandidates = {
    Entry(11, L"Report - Writer", L"writer.exe"),
    Entry(12, L"Team chat", L"chat.exe"),
    Entry(13, L"Report - Writer", L"writer.exe"),
    Entry(14, L"Notes - Writer", L"writer.exe"),
    Entry(15, L"Call", L"chat.exe"),
    Entry(16, L"Report - Writer", L"viewer.exe"),
    Entry(17, L"Unknown", L""),
};

Handles Resolve(const std::vector<WindowKey>& hideList) {
    return Values(ResolveWindowsToHide(hideList, kCandidates));
}

std::uint64_t Target(const WindowKey& key) {
    const auto target = ResolveSwitchTarget(key, kCandidates);
    return target ? HandleValue(*target) : 0;
}

TopLevelWindow Window(std::uint64_t handle, std::uint64_t owner = 0, bool visible = true) {
    return {HandleFromValue(handle), visible, HandleFromValue(owner)};
}

Handles WithOwned(std::vector<std::uint64_t> toHide, const std::vector<TopLevelWindow>& topLevel) {
    std::vector<WindowHandle> handles;
    for (std::uint64_t value : toHide)
        handles.push_back(HandleFromValue(value));
    AddOwnedWindows(handles, topLevel);
    return Values(handles);
}

} // namespace

TEST(ResolveWindowsToHide, AKeyTakesEveryWindowWithItsTitleAndProcessInCandidateOrder) {
    EXPECT_EQ(Resolve({{L"Report - Writer", L"writer.exe"}}), (Handles{11, 13}));
}

TEST(ResolveWindowsToHide, TitleAndProcessCompareIgnoringAsciiCase) {
    EXPECT_EQ(Resolve({{L"REPORT - writer", L"Writer.Exe"}}), (Handles{11, 13}));
}

TEST(ResolveWindowsToHide, AKeyWithoutProcessTakesTheTitleFromEveryProcess) {
    EXPECT_EQ(Resolve({{L"Report - Writer", L""}}), (Handles{11, 13, 16}));
}

TEST(ResolveWindowsToHide, AWindowNamedByTwoKeysAppearsOnce) {
    EXPECT_EQ(Resolve({{L"Report - Writer", L"writer.exe"}, {L"Report - Writer", L""}}),
              (Handles{11, 13, 16}));
    EXPECT_EQ(Resolve({{L"Team chat", L"chat.exe"}, {L"team chat", L"CHAT.EXE"}}), (Handles{12}));
}

TEST(ResolveWindowsToHide, ResultFollowsKeyOrderThenCandidateOrder) {
    EXPECT_EQ(
        Resolve({{L"Call", L"chat.exe"}, {L"Notes - Writer", L"writer.exe"}, {L"Team chat", L"chat.exe"}}),
        (Handles{15, 14, 12}));
}

TEST(ResolveWindowsToHide, AKeyWhoseTitleIsGoneFallsBackToEveryWindowOfItsProcess) {
    EXPECT_EQ(Resolve({{L"Old title", L"writer.exe"}}), (Handles{11, 13, 14}));
    EXPECT_EQ(Resolve({{L"Old title", L"CHAT.exe"}}), (Handles{12, 15}));
}

TEST(ResolveWindowsToHide, TheFallbackRunsOnlyWhenTheTitleFoundNothing) {
    // "Team chat" is found, so the other chat window stays.
    EXPECT_EQ(Resolve({{L"Team chat", L"chat.exe"}}), (Handles{12}));
}

TEST(ResolveWindowsToHide, AHitOnAWindowAlreadyTakenStillCountsAsAHit) {
    // The second key finds only windows the first one took; that is a hit, so Notes (14) is not added.
    EXPECT_EQ(Resolve({{L"Report - Writer", L"writer.exe"}, {L"Report - Writer", L"writer.exe"}}),
              (Handles{11, 13}));
}

TEST(ResolveWindowsToHide, TheFallbackSkipsWindowsAlreadyTaken) {
    EXPECT_EQ(Resolve({{L"Notes - Writer", L"writer.exe"}, {L"Gone", L"writer.exe"}}), (Handles{14, 11, 13}));
}

TEST(ResolveWindowsToHide, AKeyWithEmptyTitleGoesStraightToItsProcess) {
    EXPECT_EQ(Resolve({{L"", L"chat.exe"}}), (Handles{12, 15}));
}

TEST(ResolveWindowsToHide, AKeyWithNeitherTitleNorProcessTakesNothing) {
    EXPECT_EQ(Resolve({{L"", L""}}), Handles{});
}

TEST(ResolveWindowsToHide, AKeyWithoutProcessWhoseTitleIsGoneTakesNothing) {
    EXPECT_EQ(Resolve({{L"Gone", L""}}), Handles{});
}

TEST(ResolveWindowsToHide, AWindowWithUnknownProcessIsFoundOnlyByAKeyWithoutProcess) {
    EXPECT_EQ(Resolve({{L"Gone", L"viewer.exe"}}), (Handles{16}));
    EXPECT_EQ(Resolve({{L"Unknown", L""}}), (Handles{17}));
    EXPECT_EQ(Resolve({{L"Unknown", L"x.exe"}}), Handles{});
}

TEST(ResolveWindowsToHide, NoCandidatesOrNoKeysGiveNothing) {
    EXPECT_TRUE(ResolveWindowsToHide({}, kCandidates).empty());
    EXPECT_TRUE(ResolveWindowsToHide({{L"Call", L"chat.exe"}}, {}).empty());
}

// File Explorer's folders and UWP apps share one process each; a window on another virtual desktop is
// cloaked.
TEST(ResolveWindowsToHide, SharedHostsHaveNoFallbackAndCloakedWindowsAreFoundByTitleOnly) {
    const std::vector<WindowEntry> candidates = {
        Entry(21, L"Downloads", L"explorer.exe"), Entry(22, L"Photos", L"ApplicationFrameHost.exe"),
        Entry(23, L"Draft", L"writer.exe", true), Entry(24, L"Notes", L"writer.exe")};
    const auto resolve = [&](const std::vector<WindowKey>& keys) {
        return Values(ResolveWindowsToHide(keys, candidates));
    };
    EXPECT_EQ(resolve({{L"Documents", L"EXPLORER.EXE"}, {L"Mail", L"applicationframehost.exe"}}), Handles{});
    for (const wchar_t* host : {L"DllHost.exe", L"RUNDLL32.EXE", L"mmc.exe", L"wwahost.exe", L"javaw.exe",
                                L"Java.exe", L"pythonw.exe", L"python.exe", L"WScript.exe"})
        EXPECT_EQ(ReachOfRememberedKey({L"Gone", host}, {Entry(25, L"Other", host)}),
                  RememberedReach::NothingOpen)
            << host;
    EXPECT_EQ(ReachOfRememberedKey({L"Gone", L"python3.exe"}, {Entry(25, L"Other", L"python3.exe")}),
              RememberedReach::EveryWindowOfItsProgram);
    EXPECT_EQ(resolve({{L"Draft", L"writer.exe"}}), (Handles{23}));
    EXPECT_EQ(resolve({{L"Gone", L"writer.exe"}}), (Handles{24}));
    EXPECT_FALSE(ResolveSwitchTarget({L"Documents", L"explorer.exe"}, candidates).has_value());
    EXPECT_EQ(HandleValue(*ResolveSwitchTarget({L"Draft", L"writer.exe"}, candidates)), 24u);
}

TEST(ResolveSwitchTarget, TheFirstCandidateWithTitleAndProcessWins) {
    EXPECT_EQ(Target({L"Report - Writer", L"writer.exe"}), 11u);
    EXPECT_EQ(Target({L"report - WRITER", L"viewer.EXE"}), 16u);
}

TEST(ResolveSwitchTarget, WithoutProcessTheTitleAloneDecides) {
    EXPECT_EQ(Target({L"Call", L""}), 15u);
    EXPECT_EQ(Target({L"Gone", L""}), 0u);
}

TEST(ResolveSwitchTarget, AGoneTitleFallsBackToTheFirstWindowOfTheProcess) {
    EXPECT_EQ(Target({L"Gone", L"chat.exe"}), 12u);
    EXPECT_EQ(Target({L"Team chat", L"writer.exe"}), 11u);
}

TEST(ResolveSwitchTarget, AnEmptyTitleMeansNoTargetEvenWhenTheProcessIsOpen) {
    EXPECT_EQ(Target({L"", L"chat.exe"}), 0u);
    EXPECT_EQ(Target({L"", L""}), 0u);
}

TEST(ResolveSwitchTarget, NothingMatchingGivesNoTarget) {
    EXPECT_EQ(Target({L"Gone", L"gone.exe"}), 0u);
    EXPECT_FALSE(ResolveSwitchTarget({L"Call", L"chat.exe"}, {}).has_value());
}

// Among more candidates the target is one of those it would be alone, so the single ones bound it; a window
// may have taken any title since the list read it, the target's own included.
TEST(MayBeSwitchTarget, HoldsExactlyForTheWindowsTheTargetCouldResolveToWhateverTheirTitle) {
    for (const WindowKey& key :
         {WindowKey{L"report - writer", L"WRITER.exe"}, WindowKey{L"Gone", L"chat.exe"},
          WindowKey{L"Call", L""}, WindowKey{L"", L"chat.exe"}}) {
        for (WindowEntry candidate : kCandidates) {
            const bool may = MayBeSwitchTarget(key, candidate.processName);
            EXPECT_TRUE(may || !ResolveSwitchTarget(key, {candidate}).has_value());
            candidate.title = key.title;
            EXPECT_EQ(may, ResolveSwitchTarget(key, {candidate}).has_value());
        }
    }
}

TEST(AddOwnedWindows, OwnedChainsOfAnyDepthAreFollowedWhateverTheirZOrder) {
    // The deepest window comes first in z-order, so each pass can add only one more link of the chain.
    const std::vector<TopLevelWindow> topLevel = {Window(4, 3), Window(3, 2), Window(2, 1), Window(1),
                                                  Window(9)};
    EXPECT_EQ(WithOwned({1}, topLevel), (Handles{1, 2, 3, 4}));
}

TEST(AddOwnedWindows, WindowsOfOnePassAreAddedInZOrder) {
    const std::vector<TopLevelWindow> topLevel = {Window(7, 1), Window(1), Window(5, 1), Window(6, 2),
                                                  Window(2)};
    EXPECT_EQ(WithOwned({2, 1}, topLevel), (Handles{2, 1, 7, 5, 6}));
}

TEST(AddOwnedWindows, InvisibleOwnedWindowsAndTheirOwnedWindowsStay) {
    const std::vector<TopLevelWindow> topLevel = {Window(1), Window(2, 1, false), Window(3, 2), Window(4, 1)};
    EXPECT_EQ(WithOwned({1}, topLevel), (Handles{1, 4}));
}

TEST(AddOwnedWindows, WindowsOwnedByOthersOrUnownedStay) {
    const std::vector<TopLevelWindow> topLevel = {Window(1), Window(2), Window(3, 2), Window(4)};
    EXPECT_EQ(WithOwned({1}, topLevel), (Handles{1}));
}

TEST(AddOwnedWindows, AWindowAlreadyBeingHiddenIsNotAddedAgain) {
    const std::vector<TopLevelWindow> topLevel = {Window(1), Window(2, 1), Window(3, 2)};
    EXPECT_EQ(WithOwned({1, 2}, topLevel), (Handles{1, 2, 3}));
}

TEST(AddOwnedWindows, AnInvisibleOwnerBeingHiddenStillTakesItsVisibleWindows) {
    // The main window may already be hidden to the tray, but a window it owns is visible.
    const std::vector<TopLevelWindow> topLevel = {Window(5, 1), Window(1, 0, false)};
    EXPECT_EQ(WithOwned({1}, topLevel), (Handles{1, 5}));
}

TEST(AddOwnedWindows, NothingToHideAddsNothing) {
    EXPECT_EQ(WithOwned({}, {Window(1), Window(2, 1)}), Handles{});
}

TEST(HasOwnTaskbarButton, AppWindowsAndUnownedWindowsThatAreNotToolWindowsHaveOne) {
    EXPECT_TRUE(HasOwnTaskbarButton(0, false));
    EXPECT_FALSE(HasOwnTaskbarButton(0, true)); // a dialog owned by its program's main window
    EXPECT_FALSE(HasOwnTaskbarButton(kExStyleToolWindow, false));
    EXPECT_TRUE(HasOwnTaskbarButton(kExStyleAppWindow, true));
    EXPECT_TRUE(HasOwnTaskbarButton(kExStyleAppWindow | kExStyleToolWindow, false));
    EXPECT_FALSE(HasOwnTaskbarButton(kExStyleNoActivate, false)); // an on-screen keyboard, a notification
    EXPECT_TRUE(HasOwnTaskbarButton(kExStyleNoActivate | kExStyleAppWindow, false));
}

TEST(HiddenExStyle, SetsToolWindowAndClearsAppWindow) {
    EXPECT_EQ(HiddenExStyle(0x40100), 0x180);
    EXPECT_EQ(HiddenExStyle(0), 0x80);
    EXPECT_EQ(HiddenExStyle(0x40000), 0x80);
}

TEST(HiddenExStyle, AToolWindowWithoutAppWindowIsUnchanged) {
    EXPECT_EQ(HiddenExStyle(0x80), 0x80);
    EXPECT_EQ(HiddenExStyle(0x188), 0x188);
}

TEST(HiddenExStyle, EveryOtherBitIsKept) {
    EXPECT_EQ(HiddenExStyle(0x100040008ll), 0x100000088ll);
    EXPECT_EQ(HiddenExStyle(-1), -1 & ~0x40000ll);
    EXPECT_EQ(HiddenExStyle(INT64_MIN), INT64_MIN | 0x80);
}

// A remembered row says what a press would do with its key: the same fallback and the same shared hosts.
TEST(ReachOfRememberedKey, TellsThePressesFallbackFromNothingAndNothingFromNotRunning) {
    const std::vector<WindowEntry> candidates = {Entry(21, L"Downloads", L"explorer.exe"),
                                                 Entry(22, L"Elsewhere", L"hidden.exe", true)};
    EXPECT_EQ(ReachOfRememberedKey({L"Gone", L"CHAT.exe"}, kCandidates),
              RememberedReach::EveryWindowOfItsProgram);
    EXPECT_EQ(ReachOfRememberedKey({L"Gone", L"mail.exe"}, kCandidates), RememberedReach::NotRunning);
    EXPECT_EQ(ReachOfRememberedKey({L"Documents", L"explorer.exe"}, candidates),
              RememberedReach::NothingOpen);
    EXPECT_EQ(ReachOfRememberedKey({L"Gone", L"hidden.exe"}, candidates), RememberedReach::NotRunning);
    EXPECT_EQ(ReachOfRememberedKey({L"Gone", L""}, kCandidates), RememberedReach::NothingOpen);
}

TEST(NamedByHiddenKeys, AWindowOpenedWhileHiddenIsNamedByTitleOnly) {
    const std::vector<HiddenKey> keys = {{{L"Team chat", L"chat.exe"}, HandleFromValue(12)},
                                         {{L"Gone", L"writer.exe"}, nullptr}};
    EXPECT_TRUE(NamedByHiddenKeys(keys, Entry(31, L"team CHAT", L"Chat.exe")));
    EXPECT_FALSE(NamedByHiddenKeys(keys, Entry(32, L"Team chat", L"other.exe")));
    EXPECT_FALSE(NamedByHiddenKeys(keys, Entry(33, L"Draft", L"writer.exe")));
}

TEST(FateOfShownWindow, InFrontItselfOrByItsRootOwnerIsTheUsersOnlyWhenHeActedElseItGetsOneMoreLook) {
    const WindowHandle window = HandleFromValue(1);
    const WindowHandle main = HandleFromValue(2);
    const WindowHandle other = HandleFromValue(3);
    EXPECT_EQ(FateOfShownWindow(window, window, window, false, true), ShownWindowFate::LeftToTheUser);
    EXPECT_EQ(FateOfShownWindow(window, main, main, false, true), ShownWindowFate::LeftToTheUser);
    EXPECT_EQ(FateOfShownWindow(window, main, window, true, true), ShownWindowFate::LeftToTheUser);
    EXPECT_EQ(FateOfShownWindow(window, window, window, false, false), ShownWindowFate::OutOfSight);
    EXPECT_EQ(FateOfShownWindow(window, main, main, true, false), ShownWindowFate::OutOfSight);
    EXPECT_EQ(FateOfShownWindow(window, main, other, false, true), ShownWindowFate::LookAgain);
    EXPECT_EQ(FateOfShownWindow(window, main, other, true, true), ShownWindowFate::OutOfSight);
    EXPECT_EQ(FateOfShownWindow(window, nullptr, nullptr, false, true), ShownWindowFate::LookAgain);
    EXPECT_EQ(FateOfShownWindow(window, nullptr, nullptr, true, false), ShownWindowFate::OutOfSight);
}

TEST(LookAtNewWindow, ATitleIsReadWhileShownUntilTenSecondsAfterTheFirstShowAndAClosedWindowIsForgotten) {
    EXPECT_EQ(LookAtNewWindow(true, false, std::nullopt), NewWindowLook::Wait);
    EXPECT_EQ(LookAtNewWindow(true, true, std::nullopt), NewWindowLook::ReadTitle);
    EXPECT_EQ(LookAtNewWindow(true, true, kNewWindowTitleWatchMs), NewWindowLook::ReadTitle);
    EXPECT_EQ(LookAtNewWindow(true, false, 3000), NewWindowLook::Wait);
    EXPECT_EQ(LookAtNewWindow(true, true, kNewWindowTitleWatchMs + 1), NewWindowLook::Forget);
    EXPECT_EQ(LookAtNewWindow(false, false, std::nullopt), NewWindowLook::Forget);
}

TEST(UserActedSinceHide, InputCountsOnceThePressThatHidIsLetGoAndAtOnceAfterAHideForAbsence) {
    // The press's own keys let go 200 ms after a hide 600 ms ago, and nothing since.
    EXPECT_FALSE(UserActedSinceHide(400, 600, false));
    EXPECT_TRUE(UserActedSinceHide(100, 5000, false));
    EXPECT_FALSE(UserActedSinceHide(4100, 5000, false));
    EXPECT_TRUE(UserActedSinceHide(3900, 5000, false));
    EXPECT_FALSE(UserActedSinceHide(600000, 5000, true));
    EXPECT_TRUE(UserActedSinceHide(4900, 5000, true));
    EXPECT_FALSE(UserActedSinceHide(0, 0, true));
}
