#include "catalogue/window_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

WindowEntry Entry(std::uint64_t handle, std::wstring title, std::wstring processName = L"app.exe") {
    return {HandleFromValue(handle), std::move(title), std::move(processName)};
}

std::vector<std::uint64_t> Handles(const WindowSnapshot& snapshot) {
    std::vector<std::uint64_t> handles;
    for (const SnapshotItem& item : snapshot)
        handles.push_back(HandleValue(item.hwnd));
    return handles;
}

std::vector<std::wstring> Titles(const WindowSnapshot& snapshot) {
    std::vector<std::wstring> titles;
    for (const SnapshotItem& item : snapshot)
        titles.push_back(item.title);
    return titles;
}

// UTF-16 code units spelled out, so the order is the one the window system's strings have even where wchar_t
// holds 32 bits.
std::wstring Units(std::initializer_list<std::uint16_t> units) {
    std::wstring text;
    for (std::uint16_t unit : units)
        text.push_back(static_cast<wchar_t>(unit));
    return text;
}

} // namespace

TEST(SnapshotOrder, HandlesAreComparedAsUnsigned64BitNumbers) {
    const auto snapshot =
        SnapshotFromEntries({Entry(0xFFFFFFFFFFFFFFF0ull, L"high"), Entry(0x10, L"low"),
                             Entry(0x8000000000000000ull, L"middle"), Entry(0x2, L"lowest")});
    EXPECT_EQ(Handles(snapshot),
              (std::vector<std::uint64_t>{0x2, 0x10, 0x8000000000000000ull, 0xFFFFFFFFFFFFFFF0ull}));
}

TEST(SnapshotOrder, SameHandleIsOrderedByTitleWithThePrefixFirst) {
    const auto snapshot = SnapshotFromEntries(
        {Entry(7, L"abc"), Entry(7, L"ab"), Entry(7, L"b"), Entry(7, L"B"), Entry(7, L""), Entry(7, L"a")});
    EXPECT_EQ(Titles(snapshot), (std::vector<std::wstring>{L"", L"B", L"a", L"ab", L"abc", L"b"}));
}

TEST(SnapshotOrder, TitlesCompareByUtf16CodeUnitNotByCodePoint) {
    // U+1F600 is the surrogate pair D83D DE00 in UTF-16, which sorts below U+FF01 although its code point
    // is larger.
    const std::wstring emoji = Units({0xD83D, 0xDE00});
    const std::wstring fullwidth = Units({0xFF01});
    const std::wstring privateUse = Units({0xE000});
    const auto snapshot = SnapshotFromEntries({Entry(1, fullwidth), Entry(1, privateUse), Entry(1, emoji)});
    EXPECT_EQ(Titles(snapshot), (std::vector<std::wstring>{emoji, privateUse, fullwidth}));
}

TEST(SnapshotOrder, CodeUnitsAboveTheAsciiRangeSortAfterIt) {
    const auto snapshot = SnapshotFromEntries(
        {Entry(1, Units({0x6D4B})), Entry(1, L"z"), Entry(1, Units({0x00E9})), Entry(1, L"~")});
    EXPECT_EQ(Titles(snapshot), (std::vector<std::wstring>{L"z", L"~", Units({0x00E9}), Units({0x6D4B})}));
}

TEST(SnapshotOrder, EveryReportingOrderGivesTheSameSequence) {
    std::vector<WindowEntry> entries = {Entry(3, L"Mail"), Entry(1, L"Writer"), Entry(2, L"Chat"),
                                        Entry(1, L"Writer 2"), Entry(0xFFFFFFFF00000000ull, L"x")};
    const auto reference = SnapshotFromEntries(entries);
    std::sort(entries.begin(), entries.end(),
              [](const WindowEntry& a, const WindowEntry& b) { return a.title < b.title; });
    do {
        EXPECT_EQ(SnapshotFromEntries(entries), reference);
    } while (
        std::next_permutation(entries.begin(), entries.end(),
                              [](const WindowEntry& a, const WindowEntry& b) { return a.title < b.title; }));
}

TEST(SnapshotEquality, AChangeOfZOrderAloneLeavesSnapshotsEqual) {
    const auto before = SnapshotFromEntries({Entry(1, L"Writer"), Entry(2, L"Chat"), Entry(3, L"Mail")});
    const auto after = SnapshotFromEntries({Entry(3, L"Mail"), Entry(1, L"Writer"), Entry(2, L"Chat")});
    EXPECT_EQ(before, after);
}

TEST(SnapshotEquality, ARenameThatOnlyChangesCaseMakesThemDiffer) {
    const auto before = SnapshotFromEntries({Entry(1, L"Writer"), Entry(2, L"Chat")});
    const auto after = SnapshotFromEntries({Entry(1, L"writer"), Entry(2, L"Chat")});
    EXPECT_NE(before, after);
}

TEST(SnapshotEquality, AWindowOpenedOrClosedMakesThemDiffer) {
    const auto two = SnapshotFromEntries({Entry(1, L"Writer"), Entry(2, L"Chat")});
    const auto three = SnapshotFromEntries({Entry(1, L"Writer"), Entry(2, L"Chat"), Entry(3, L"Chat")});
    EXPECT_NE(two, three);
    EXPECT_NE(three, two);
    EXPECT_NE(two, SnapshotFromEntries({Entry(1, L"Writer")}));
}

TEST(SnapshotEquality, TheSameTitleOnAnotherHandleDiffers) {
    EXPECT_NE(SnapshotFromEntries({Entry(1, L"Chat")}), SnapshotFromEntries({Entry(2, L"Chat")}));
}

TEST(SnapshotEquality, AChangeOfProcessNameAloneIsNotSeen) {
    EXPECT_EQ(SnapshotFromEntries({Entry(1, L"Chat", L"chat.exe")}),
              SnapshotFromEntries({Entry(1, L"Chat", L"other.exe")}));
}

TEST(SnapshotHolds, FindsAListedHandleWhateverItsTitleAndNoOther) {
    const WindowSnapshot snapshot =
        SnapshotFromEntries({Entry(0x30, L"B"), Entry(0x10, L"A"), Entry(0x20, L"")});
    EXPECT_TRUE(SnapshotHolds(snapshot, HandleFromValue(0x10)));
    EXPECT_TRUE(SnapshotHolds(snapshot, HandleFromValue(0x20)));
    EXPECT_TRUE(SnapshotHolds(snapshot, HandleFromValue(0x30)));
    EXPECT_FALSE(SnapshotHolds(snapshot, HandleFromValue(0x18)));
    EXPECT_FALSE(SnapshotHolds(snapshot, HandleFromValue(0x40)));
    EXPECT_FALSE(SnapshotHolds({}, HandleFromValue(0x10)));
}

TEST(KeyMatchesEntry, AsciiLettersMatchWhateverTheirCase) {
    const WindowKey key{L"NOTES 1 - Writer", L"Writer.EXE"};
    EXPECT_TRUE(KeyMatchesEntry(key, Entry(1, L"notes 1 - wRITER", L"writer.exe")));
    EXPECT_TRUE(KeyMatchesEntry(key, Entry(1, L"Notes 1 - Writer", L"WRITER.EXE")));
}

TEST(KeyMatchesEntry, NonAsciiCapitalsAreNotFolded) {
    // Cyrillic П/п and Latin É/é differ only in case, but only A-Z fold.
    EXPECT_FALSE(
        KeyMatchesEntry({Units({0x041F, 0x0440, 0x0438}), L""}, Entry(1, Units({0x043F, 0x0440, 0x0438}))));
    EXPECT_FALSE(
        KeyMatchesEntry({Units({0x00C9}) + L"t\x00E9", L""}, Entry(1, Units({0x00E9}) + L"t\x00E9")));
    EXPECT_FALSE(
        KeyMatchesEntry({L"Chat", Units({0x00C9}) + L".exe"}, Entry(1, L"Chat", Units({0x00E9}) + L".exe")));
    EXPECT_TRUE(KeyMatchesEntry({Units({0x041F}), L""}, Entry(1, Units({0x041F}))));
}

TEST(KeyMatchesEntry, OnlyTheLettersAToZFoldNotTheirNeighbours) {
    // '@' and '[' sit just outside A-Z; folding them would turn them into '`' and '{'.
    EXPECT_FALSE(KeyMatchesEntry({L"a@", L""}, Entry(1, L"a`")));
    EXPECT_FALSE(KeyMatchesEntry({L"[x]", L""}, Entry(1, L"{x]")));
    EXPECT_FALSE(KeyMatchesEntry({L"a`", L""}, Entry(1, L"a@")));
    EXPECT_TRUE(KeyMatchesEntry({L"AZ", L""}, Entry(1, L"az")));
}

TEST(KeyMatchesEntry, AKeyWithAnEmptyTitleNeverMatches) {
    EXPECT_FALSE(KeyMatchesEntry({L"", L"chat.exe"}, Entry(1, L"Chat", L"chat.exe")));
    EXPECT_FALSE(KeyMatchesEntry({L"", L""}, Entry(1, L"", L"")));
    EXPECT_FALSE(KeyMatchesEntry({L"", L"chat.exe"}, Entry(1, L"", L"chat.exe")));
}

TEST(KeyMatchesEntry, AKeyWithoutProcessNameMatchesAnyProcess) {
    EXPECT_TRUE(KeyMatchesEntry({L"Chat", L""}, Entry(1, L"Chat", L"chat.exe")));
    EXPECT_TRUE(KeyMatchesEntry({L"Chat", L""}, Entry(2, L"Chat", L"other.exe")));
    EXPECT_TRUE(KeyMatchesEntry({L"Chat", L""}, Entry(3, L"Chat", L"")));
}

TEST(KeyMatchesEntry, AKeyWithProcessNameNeedsThatProcess) {
    EXPECT_FALSE(KeyMatchesEntry({L"Chat", L"chat.exe"}, Entry(1, L"Chat", L"other.exe")));
    EXPECT_FALSE(KeyMatchesEntry({L"Chat", L"chat.exe"}, Entry(1, L"Chat", L"")));
}

TEST(KeyMatchesEntry, LengthsMustBeEqual) {
    EXPECT_FALSE(KeyMatchesEntry({L"Chat", L""}, Entry(1, L"Chat 2")));
    EXPECT_FALSE(KeyMatchesEntry({L"Chat 2", L""}, Entry(1, L"Chat")));
    EXPECT_FALSE(KeyMatchesEntry({L"Chat", L"chat.exe"}, Entry(1, L"Chat", L"chat.exe2")));
    EXPECT_FALSE(KeyMatchesEntry({L"Chat", L"chat.exe2"}, Entry(1, L"Chat", L"chat.exe")));
    EXPECT_FALSE(KeyMatchesEntry({std::wstring(L"Chat\0x", 6), L""}, Entry(1, L"Chat")));
}

TEST(FileNameOfPath, TakesThePartAfterTheLastBackslash) {
    EXPECT_EQ(FileNameOfPath(L"C:\\Program Files\\Writer\\writer.exe"), L"writer.exe");
    EXPECT_EQ(FileNameOfPath(L"\\\\server\\share\\chat.exe"), L"chat.exe");
    EXPECT_EQ(FileNameOfPath(L"\\\\?\\C:\\Tools\\x.exe"), L"x.exe");
}

TEST(FileNameOfPath, APathWithoutBackslashIsTakenWhole) {
    EXPECT_EQ(FileNameOfPath(L"writer.exe"), L"writer.exe");
    EXPECT_EQ(FileNameOfPath(L"C:/Tools/x.exe"), L"C:/Tools/x.exe");
    EXPECT_EQ(FileNameOfPath(L""), L"");
}

TEST(FileNameOfPath, ATrailingBackslashLeavesNothing) {
    EXPECT_EQ(FileNameOfPath(L"C:\\Tools\\"), L"");
}
