#include "settings/app_settings.h"
#include "settings/profile_text.h"
#include "settings/settings_file_rules.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Readable failure messages for keys.
void PrintTo(const WindowKey& key, std::ostream* os) {
    *os << testing::PrintToString(key.title) << " | " << testing::PrintToString(key.processName);
}

namespace {

// The section "config" of one settings file, with the profile functions' reading rules: a missing key gives
// the default, an integer is read from the leading digits, a string is cut to 1023 units.
struct FakeProfile {
    std::map<std::wstring, std::wstring> values;
    std::vector<std::wstring> keysRead;

    ProfileReader Reader() {
        ProfileReader reader;
        reader.readInt = [this](std::wstring_view key, int defaultValue) {
            keysRead.emplace_back(key);
            const auto found = values.find(std::wstring(key));
            if (found == values.end()) return defaultValue;
            return static_cast<int>(std::wcstol(found->second.c_str(), nullptr, 10));
        };
        reader.readString = [this](std::wstring_view key) {
            keysRead.emplace_back(key);
            const auto found = values.find(std::wstring(key));
            if (found == values.end()) return std::wstring();
            return found->second.substr(0, kProfileValueUnits - 1);
        };
        return reader;
    }

    AppSettings Load() { return ReadSettings(Reader()); }
    // A save writes the whole file anew.
    void Save(const AppSettings& settings) {
        const SettingsValues written = ValuesOfSettings(settings);
        values = std::map<std::wstring, std::wstring>(written.begin(), written.end());
    }

    int HideKeysRead() const {
        int count = 0;
        for (const std::wstring& key : keysRead)
            count += key.rfind(L"hide", 0) == 0 && key != L"hideCount";
        return count;
    }
};

AppSettings LoadFrom(std::map<std::wstring, std::wstring> values) {
    FakeProfile profile{std::move(values), {}};
    return profile.Load();
}

using Values = SettingsValues;

AppSettings TwoWindowsAndATarget() {
    AppSettings settings;
    settings.hideList = {{L"Notes 1 - Writer", L"writer.exe"}, {L"Team chat", L"chat.exe"}};
    settings.focusTarget = {L"Mailbox", L"mail.exe"};
    settings.hasFocusTarget = true;
    settings.noticeShown = true;
    return settings;
}

bool HasLineBreak(std::wstring_view text) {
    return text.find_first_of(L"\r\n") != std::wstring_view::npos;
}

} // namespace

TEST(SettingsLoad, NoFileGivesEveryDefault) {
    const AppSettings settings = LoadFrom({});
    EXPECT_TRUE(settings.hideList.empty());
    EXPECT_FALSE(settings.hasFocusTarget);
    EXPECT_EQ(settings.focusTarget, WindowKey{});
    EXPECT_EQ(settings.hotkey, (HotkeySpec{3, 0x20}));
    EXPECT_EQ(settings.pointer, PointerTriggers{});
    EXPECT_FALSE(WatchesPointer(settings.pointer));
    EXPECT_EQ(settings.autoHideMinutes, 0);
    EXPECT_FALSE(settings.noticeShown);
}

TEST(SettingsLoad, ReadsTheFileTheProgramWrites) {
    const AppSettings settings = LoadFrom({{L"hideCount", L"2"},
                                           {L"hide0", L"Notes 1 - Writer|writer.exe"},
                                           {L"hide1", L"Team chat|chat.exe"},
                                           {L"focus", L"Mailbox|mail.exe"},
                                           {L"hotkeyMods", L"6"},
                                           {L"hotkeyVk", L"65"},
                                           {L"noticeShown", L"1"}});
    EXPECT_EQ(settings.hideList,
              (std::vector<WindowKey>{{L"Notes 1 - Writer", L"writer.exe"}, {L"Team chat", L"chat.exe"}}));
    EXPECT_TRUE(settings.hasFocusTarget);
    EXPECT_EQ(settings.focusTarget, (WindowKey{L"Mailbox", L"mail.exe"}));
    EXPECT_EQ(settings.hotkey, (HotkeySpec{6, 0x41}));
    EXPECT_TRUE(settings.noticeShown);
}

TEST(SettingsLoad, AMissingHideKeyIsSkipped) {
    const AppSettings settings =
        LoadFrom({{L"hideCount", L"3"}, {L"hide0", L"A|a.exe"}, {L"hide2", L"C|c.exe"}});
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"A", L"a.exe"}, {L"C", L"c.exe"}}));
}

TEST(SettingsLoad, AnEmptyHideValueIsSkipped) {
    const AppSettings settings = LoadFrom({{L"hideCount", L"2"}, {L"hide0", L""}, {L"hide1", L"B|b.exe"}});
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"B", L"b.exe"}}));
}

TEST(SettingsLoad, HideKeysAtOrAboveTheCountAreIgnored) {
    FakeProfile profile{
        {{L"hideCount", L"1"}, {L"hide0", L"A|a.exe"}, {L"hide1", L"B|b.exe"}, {L"hide2", L"C|c.exe"}}, {}};
    EXPECT_EQ(profile.Load().hideList, (std::vector<WindowKey>{{L"A", L"a.exe"}}));
    EXPECT_EQ(profile.HideKeysRead(), 1);
}

TEST(SettingsLoad, ACountOfZeroOrLessReadsNoHideKey) {
    for (const wchar_t* count : {L"0", L"-1", L"-2147483648", L"none"}) {
        FakeProfile profile{{{L"hideCount", count}, {L"hide0", L"A|a.exe"}}, {}};
        EXPECT_TRUE(profile.Load().hideList.empty()) << count;
        EXPECT_EQ(profile.HideKeysRead(), 0) << count;
    }
}

TEST(SettingsLoad, AHugeCountReadsNoMoreThan1024HideKeys) {
    for (const wchar_t* count : {L"2147483647", L"1025", L"100000"}) {
        FakeProfile profile{{{L"hideCount", count}}, {}};
        for (int i = 0; i < 2000; ++i)
            profile.values[L"hide" + std::to_wstring(i)] = L"W" + std::to_wstring(i) + L"|w.exe";
        const AppSettings settings = profile.Load();
        EXPECT_EQ(profile.HideKeysRead(), 1024) << count;
        ASSERT_EQ(settings.hideList.size(), 1024u) << count;
        EXPECT_EQ(settings.hideList.back(), (WindowKey{L"W1023", L"w.exe"}));
    }
    FakeProfile exact{{{L"hideCount", L"1024"}}, {}};
    exact.Load();
    EXPECT_EQ(exact.HideKeysRead(), 1024);
}

TEST(SettingsLoad, AValueIsSplitAtItsLastBar) {
    const AppSettings settings = LoadFrom({{L"hideCount", L"1"}, {L"hide0", L"a|b|c.exe"}});
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"a|b", L"c.exe"}}));
}

TEST(SettingsLoad, AValueWithoutBarIsAllTitle) {
    const AppSettings settings = LoadFrom({{L"hideCount", L"1"}, {L"hide0", L"Team chat"}});
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"Team chat", L""}}));
}

TEST(SettingsLoad, AValueStartingWithTheBarIsKeptWithAnEmptyTitle) {
    const AppSettings settings = LoadFrom({{L"hideCount", L"1"}, {L"hide0", L"|chat.exe"}});
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"", L"chat.exe"}}));
}

TEST(SettingsLoad, AValueThatIsASingleBarAddsNothing) {
    const AppSettings settings = LoadFrom({{L"hideCount", L"2"}, {L"hide0", L"|"}, {L"hide1", L"B|"}});
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"B", L""}}));
}

TEST(SettingsLoad, DuplicateEntriesAreKept) {
    const AppSettings settings =
        LoadFrom({{L"hideCount", L"2"}, {L"hide0", L"A|a.exe"}, {L"hide1", L"A|a.exe"}});
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"A", L"a.exe"}, {L"A", L"a.exe"}}));
}

TEST(SettingsLoad, AnEmptyOrMissingFocusMeansNoTarget) {
    for (const auto& values :
         {std::map<std::wstring, std::wstring>{{L"focus", L""}}, std::map<std::wstring, std::wstring>{},
          std::map<std::wstring, std::wstring>{{L"focus", L"|"}}}) {
        const AppSettings settings = LoadFrom(values);
        EXPECT_FALSE(settings.hasFocusTarget);
        EXPECT_EQ(settings.focusTarget, WindowKey{});
    }
}

TEST(SettingsLoad, TheFocusIsSplitLikeAHideValue) {
    AppSettings settings = LoadFrom({{L"focus", L"Mailbox|"}});
    EXPECT_TRUE(settings.hasFocusTarget);
    EXPECT_EQ(settings.focusTarget, (WindowKey{L"Mailbox", L""}));
    settings = LoadFrom({{L"focus", L"|mail.exe"}});
    EXPECT_TRUE(settings.hasFocusTarget);
    EXPECT_EQ(settings.focusTarget, (WindowKey{L"", L"mail.exe"}));
    settings = LoadFrom({{L"focus", L"In|box|mail.exe"}});
    EXPECT_EQ(settings.focusTarget, (WindowKey{L"In|box", L"mail.exe"}));
}

TEST(SettingsLoad, HotkeyModifiersKeepTheirFourBitsAndZeroBecomesCtrlAlt) {
    const std::pair<const wchar_t*, int> cases[] = {{L"16", 3},  {L"9", 9},   {L"0", 3}, {L"15", 15},
                                                    {L"28", 12}, {L"-1", 15}, {L"x", 3}, {L"16393", 9}};
    for (const auto& [stored, loaded] : cases)
        EXPECT_EQ(LoadFrom({{L"hotkeyMods", stored}}).hotkey.modifiers, loaded) << stored;
}

TEST(SettingsLoad, AKeyCodeOutside8To254BecomesSpace) {
    const std::pair<const wchar_t*, int> cases[] = {
        {L"7", 32},  {L"255", 32}, {L"254", 254},       {L"8", 8},    {L"0", 32},
        {L"-1", 32}, {L"65", 65},  {L"4294967295", 32}, {L"256", 32}, {L"x", 32}};
    for (const auto& [stored, loaded] : cases)
        EXPECT_EQ(LoadFrom({{L"hotkeyVk", stored}}).hotkey.vk, loaded) << stored;
}

TEST(SettingsLoad, TheOtherTriggersTakeOnlyValuesTheyCanHoldAndAreOffOtherwise) {
    const auto mouse = [](const wchar_t* vk, const wchar_t* mods) {
        return LoadFrom({{L"mouseVk", vk}, {L"mouseMods", mods}}).pointer.mouse;
    };
    EXPECT_EQ(mouse(L"4", L"0"), (MouseTrigger{4, 0}));
    EXPECT_EQ(mouse(L"6", L"7"), (MouseTrigger{6, 7}));
    EXPECT_EQ(mouse(L"5", L"8"), (MouseTrigger{5, 0}));
    for (const wchar_t* vk : {L"1", L"2", L"3", L"7", L"-4", L"x"})
        EXPECT_EQ(mouse(vk, L"2"), MouseTrigger{}) << vk;
    const std::pair<const wchar_t*, HotCorner> corners[] = {{L"0", HotCorner::None},
                                                            {L"1", HotCorner::TopLeft},
                                                            {L"4", HotCorner::BottomRight},
                                                            {L"5", HotCorner::None},
                                                            {L"-1", HotCorner::None}};
    for (const auto& [stored, loaded] : corners)
        EXPECT_EQ(LoadFrom({{L"hotCorner", stored}}).pointer.corner, loaded) << stored;
    const std::pair<const wchar_t*, int> holds[] = {
        {L"100", 100}, {L"2000", 2000}, {L"99", 300}, {L"2001", 300}, {L"x", 300}};
    for (const auto& [stored, loaded] : holds)
        EXPECT_EQ(LoadFrom({{L"hotCornerMs", stored}}).pointer.cornerHoldMs, loaded) << stored;
    const std::pair<const wchar_t*, int> minutes[] = {{L"1", 1}, {L"1440", 1440}, {L"1441", 0}, {L"-5", 0}};
    for (const auto& [stored, loaded] : minutes)
        EXPECT_EQ(LoadFrom({{L"autoHideMinutes", stored}}).autoHideMinutes, loaded) << stored;
}

TEST(SettingsLoad, AnyNonZeroNoticeValueMeansAccepted) {
    EXPECT_TRUE(LoadFrom({{L"noticeShown", L"2"}}).noticeShown);
    EXPECT_TRUE(LoadFrom({{L"noticeShown", L"-1"}}).noticeShown);
    EXPECT_FALSE(LoadFrom({{L"noticeShown", L"0"}}).noticeShown);
    EXPECT_FALSE(LoadFrom({{L"noticeShown", L"yes"}}).noticeShown);
}

TEST(SettingsSave, WritesEveryKeyInItsOrder) {
    AppSettings settings = TwoWindowsAndATarget();
    settings.hotkey = {9, 0x70};
    EXPECT_EQ(ValuesOfSettings(settings), (Values{{L"hideCount", L"2"},
                                                  {L"hide0", L"Notes 1 - Writer|writer.exe"},
                                                  {L"hide1", L"Team chat|chat.exe"},
                                                  {L"focus", L"Mailbox|mail.exe"},
                                                  {L"hotkeyMods", L"9"},
                                                  {L"hotkeyVk", L"112"},
                                                  {L"mouseVk", L"0"},
                                                  {L"mouseMods", L"0"},
                                                  {L"hotCorner", L"0"},
                                                  {L"hotCornerMs", L"300"},
                                                  {L"autoHideMinutes", L"0"},
                                                  {L"noticeShown", L"1"}}));
}

TEST(SettingsSave, DefaultsAreWrittenWithAPresentButEmptyFocus) {
    EXPECT_EQ(ValuesOfSettings(AppSettings{}), (Values{{L"hideCount", L"0"},
                                                       {L"focus", L""},
                                                       {L"hotkeyMods", L"3"},
                                                       {L"hotkeyVk", L"32"},
                                                       {L"mouseVk", L"0"},
                                                       {L"mouseMods", L"0"},
                                                       {L"hotCorner", L"0"},
                                                       {L"hotCornerMs", L"300"},
                                                       {L"autoHideMinutes", L"0"},
                                                       {L"noticeShown", L"0"}}));
}

TEST(SettingsSave, AnEmptyProcessNameLeavesATrailingBar) {
    FakeProfile profile;
    AppSettings settings;
    settings.hideList = {{L"Team chat", L""}};
    settings.focusTarget = {L"Mailbox", L""};
    settings.hasFocusTarget = true;
    profile.Save(settings);
    EXPECT_EQ(profile.values[L"hide0"], L"Team chat|");
    EXPECT_EQ(profile.values[L"focus"], L"Mailbox|");
}

TEST(SettingsSave, ATargetIsWrittenOnlyWhenOneIsSet) {
    FakeProfile profile;
    AppSettings settings;
    settings.focusTarget = {L"Mailbox", L"mail.exe"};
    settings.hasFocusTarget = false;
    profile.Save(settings);
    EXPECT_EQ(profile.values[L"focus"], L"");
    EXPECT_FALSE(profile.Load().hasFocusTarget);
}

TEST(SettingsSave, OnlyTheFourModifierBitsAreWritten) {
    FakeProfile profile;
    AppSettings settings;
    settings.hotkey = {0x4003, 0x20};
    profile.Save(settings);
    EXPECT_EQ(profile.values[L"hotkeyMods"], L"3");
}

TEST(SettingsSave, AnAcceptedNoticeLoadedAs2IsWrittenAs1) {
    FakeProfile profile{{{L"noticeShown", L"2"}}, {}};
    profile.Save(profile.Load());
    EXPECT_EQ(profile.values[L"noticeShown"], L"1");
}

TEST(SettingsSave, TheFileIsTheSectionAndOneLinePerKeyWithLeadingBlanksQuoted) {
    AppSettings settings;
    settings.hideList = {{L"  Notes", L"a.exe"}, {L"\"quoted\"", L""}};
    EXPECT_EQ(SettingsFileText(settings), L"[config]\r\n"
                                          L"hideCount=2\r\n"
                                          L"hide0=\"  Notes|a.exe\"\r\n"
                                          L"hide1=\"quoted\"|\r\n"
                                          L"focus=\r\n"
                                          L"hotkeyMods=3\r\n"
                                          L"hotkeyVk=32\r\n"
                                          L"mouseVk=0\r\n"
                                          L"mouseMods=0\r\n"
                                          L"hotCorner=0\r\n"
                                          L"hotCornerMs=300\r\n"
                                          L"autoHideMinutes=0\r\n"
                                          L"noticeShown=0\r\n");
}

// Open rows are matched by the keys that ticked them at the fill, remembered rows by their key.
TEST(CommittedHideList, KeepsWhatNoRowShowsFollowsTitlesAndForgetsOnlyWhatTheUserUnticked) {
    const auto open = [](std::uint64_t handle, const wchar_t* title, const wchar_t* process) {
        return WindowEntry{HandleFromValue(handle), title, process};
    };
    const auto remembered = [](const wchar_t* title, const wchar_t* process) {
        return WindowEntry{nullptr, title, process};
    };
    const std::vector<WindowKey> previous = {{L"Chat", L"chat.exe"},
                                             {L"notes", L"w.exe"},
                                             {L"Mail", L"mail.exe"},
                                             {L"Old", L"o.exe"},
                                             {L"Game", L"g.exe"}};
    const std::vector<ListedRow> rows = {
        {open(1, L"Notes", L"w.exe"), {L"Notes 2", L"w.exe"}, true},
        {open(2, L"Editor", L"e.exe"), {L"Editor", L"e.exe"}, true},
        {open(3, L"Editor", L"e.exe"), {L"Editor", L"e.exe"}, true},
        {open(4, L"Mail", L"mail.exe"), {L"Mail", L"mail.exe"}, false},
        {remembered(L"Old", L"o.exe"), {L"Old", L"o.exe"}, true},
        {remembered(L"Game", L"g.exe"), {L"Game", L"g.exe"}, false},
    };
    EXPECT_EQ(
        CommittedHideList(previous, rows),
        (std::vector<WindowKey>{
            {L"Notes 2", L"w.exe"}, {L"Editor", L"e.exe"}, {L"Old", L"o.exe"}, {L"Chat", L"chat.exe"}}));
    EXPECT_EQ(CommittedHideList(previous, {}), previous);
}

TEST(SettingsRoundTrip, EverySettingSurvivesSaveAndLoad) {
    FakeProfile profile;
    AppSettings settings = TwoWindowsAndATarget();
    settings.hideList.push_back({L"报告|草稿 — 文档", L"wps.exe"});
    settings.hideList.push_back({L"Party \xD83C\xDF89 plans", L"chat.exe"});
    settings.hideList.push_back({L"C:\\Users\\me\\notes.txt - Editor", L"editor.exe"});
    settings.hideList.push_back({L"trailing backslash\\", L""});
    settings.hotkey = {0xF, 0xDE};
    settings.pointer = {{kVkSideButton2, kModControl | kModShift}, HotCorner::BottomLeft, 1250};
    settings.autoHideMinutes = 1440;
    profile.Save(settings);
    const AppSettings loaded = profile.Load();
    EXPECT_EQ(loaded.hideList, settings.hideList);
    EXPECT_EQ(loaded.focusTarget, settings.focusTarget);
    EXPECT_TRUE(loaded.hasFocusTarget);
    EXPECT_EQ(loaded.hotkey, settings.hotkey);
    EXPECT_EQ(loaded.pointer, settings.pointer);
    EXPECT_EQ(loaded.autoHideMinutes, 1440);
    EXPECT_TRUE(loaded.noticeShown);
}

TEST(SettingsText, IsReadAsTheProfileFunctionsReadTheConfigSection) {
    const AppSettings settings = ReadSettings(ProfileReaderOfText(L"hideCount=9\n"
                                                                  L"[other]\r\nhide0=Wrong|w.exe\r\n"
                                                                  L" [Config] \r\n"
                                                                  L"  HIDECOUNT = 2 apples\r\n"
                                                                  L"hide0 =\t\"  微信|WeChat.exe\"\r\n"
                                                                  L"hide0=Second|s.exe\r\n"
                                                                  L"hide1='Notes'  \r\n"
                                                                  L"hotkeyMods\r\n"
                                                                  L"noticeShown=\r\n"
                                                                  L"[next]\r\nfocus=Later|l.exe\r\n",
                                                                  kSettingsSection));
    EXPECT_EQ(settings.hideList, (std::vector<WindowKey>{{L"  微信", L"WeChat.exe"}, {L"Notes", L""}}));
    EXPECT_FALSE(settings.hasFocusTarget);
    EXPECT_EQ(settings.hotkey.modifiers, 3);
    EXPECT_FALSE(settings.noticeShown);
}

TEST(SettingsText, OnlyUtf8ThatTheProfileFunctionsWouldMisreadIsReadAsUtf8) {
    EXPECT_EQ(MisreadUtf8Text("hide0=\xE5\xBE\xAE\xE4\xBF\xA1|WeChat.exe"),
              std::optional<std::string_view>("hide0=\xE5\xBE\xAE\xE4\xBF\xA1|WeChat.exe"));
    EXPECT_EQ(MisreadUtf8Text("\xEF\xBB\xBF[config]"), std::optional<std::string_view>("[config]"));
    EXPECT_EQ(MisreadUtf8Text("[config]\r\nhide0=Notes|n.exe"), std::nullopt);
    EXPECT_EQ(MisreadUtf8Text("hide0=\xCE\xA2\xD0\xC5"), std::nullopt); // "微信" in GBK
    EXPECT_EQ(MisreadUtf8Text("Caf\xE9"), std::nullopt);
    EXPECT_EQ(MisreadUtf8Text("\xFF\xFE[\0c\0"), std::nullopt);
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\xBE"})
        EXPECT_EQ(MisreadUtf8Text(std::string("ok ") + bad), std::nullopt) << bad;
}

TEST(SaveTrouble, AFileHeldByAnotherProgramIsToldApartAndTriedAgainForASecondAtMost) {
    EXPECT_EQ(TroubleOfSave(32, true, false), SaveTrouble::InUse);
    EXPECT_EQ(TroubleOfSave(5, true, false), SaveTrouble::InUse);
    EXPECT_EQ(TroubleOfSave(5, true, true), SaveTrouble::ReadOnlyFile);
    EXPECT_EQ(TroubleOfSave(5, false, false), SaveTrouble::FolderNotWritable);
    EXPECT_EQ(TroubleOfSave(3, false, false), SaveTrouble::Other);
    EXPECT_EQ(NextSaveTryInMs(SaveTrouble::ReadOnlyFile, 1, 0), std::nullopt);
    std::uint64_t elapsed = 0;
    int tries = 1;
    for (; const auto wait = NextSaveTryInMs(SaveTrouble::InUse, tries, elapsed); ++tries)
        elapsed += *wait + 10; // each try takes 10 ms
    EXPECT_LE(elapsed, kSaveRetryBudgetMs);
    EXPECT_GE(elapsed, 700u);
    EXPECT_GE(tries, 5);
}

TEST(SettingsRoundTrip, ABarInATitleIsStoredAsItIs) {
    EXPECT_EQ(StoredFormOfKey({L"a|b", L"c.exe"}), L"a|b|c.exe");
    EXPECT_EQ(StoredFormOfKey({L"报告|草稿", L""}), L"报告|草稿|");
}

TEST(SettingsLineBreaks, AreStoredAsEscapes) {
    EXPECT_EQ(StoredFormOfKey({L"a\rb", L"p.exe"}), L"a\u241Brb|p.exe");
    EXPECT_EQ(StoredFormOfKey({L"a\nb", L"p.exe"}), L"a\u241Bnb|p.exe");
    EXPECT_EQ(StoredFormOfKey({L"first\r\nsecond", L""}), L"first\u241Br\u241Bnsecond|");
    EXPECT_EQ(StoredFormOfKey({L"esc \u241B sign", L""}), L"esc \u241B\u241B sign|");
}

TEST(SettingsLineBreaks, PathsInTitlesAreStoredAndReadAsTheyAre) {
    EXPECT_EQ(StoredFormOfKey({L"C:\\new\\report", L"p.exe"}), L"C:\\new\\report|p.exe");
    EXPECT_EQ(StoredFormOfKey({L"\\\\server\\r\\n", L""}), L"\\\\server\\r\\n|");
    // A file written before line breaks were escaped loads exactly as it did.
    EXPECT_EQ(KeyFromStoredForm(L"C:\\new\\readme.txt - Editor|editor.exe"),
              (WindowKey{L"C:\\new\\readme.txt - Editor", L"editor.exe"}));
    EXPECT_EQ(KeyFromStoredForm(L"a\\rb\\\\c"), (WindowKey{L"a\\rb\\\\c", L""}));
}

TEST(SettingsLineBreaks, ALoneEscapeCharacterIsKeptAsItIs) {
    EXPECT_EQ(KeyFromStoredForm(L"x\u241B|p.exe"), (WindowKey{L"x\u241B", L"p.exe"}));
    EXPECT_EQ(KeyFromStoredForm(L"\u241Bq|"), (WindowKey{L"\u241Bq", L""}));
}

TEST(SettingsLineBreaks, EveryMixOfEscapesBackslashesAndLineBreaksSurvives) {
    const std::wstring titles[] = {L"a\rb",
                                   L"a\nb",
                                   L"\r\n",
                                   L"\\r",
                                   L"\\n",
                                   L"\\\\",
                                   L"\\",
                                   L"\\\r",
                                   L"\\\n",
                                   L"\\\\r",
                                   L"\\\\\r\n",
                                   L"x\\\\\\n\\",
                                   L"\\\r\\\n\\\\",
                                   L"\r\\r\n\\n",
                                   L"|\r|\n|",
                                   L"a\\|b",
                                   L"\\|",
                                   L"\n\\",
                                   L"C:\\new\r\n",
                                   L"\\\\\\\\\r\\",
                                   L"报\\r告\r\n草稿",
                                   L"tab\t\\\tend",
                                   L"\\\r\\r\\\\r",
                                   L"\r\r\n\n",
                                   L"\u241B",
                                   L"\u241Br",
                                   L"\u241B\u241Bn",
                                   L"\u241B\r\u241B",
                                   L"x\u241B\nr",
                                   L"\u241B\u241B\u241B"};
    for (const std::wstring& title : titles) {
        for (const std::wstring& processName : {std::wstring(L"p.exe"), std::wstring()}) {
            const WindowKey key{title, processName};
            const std::wstring stored = StoredFormOfKey(key);
            EXPECT_FALSE(HasLineBreak(stored));
            EXPECT_EQ(KeyFromStoredForm(stored), key);
            FakeProfile profile;
            AppSettings settings;
            settings.hideList = {key};
            settings.focusTarget = key;
            settings.hasFocusTarget = true;
            profile.Save(settings);
            const AppSettings loaded = profile.Load();
            EXPECT_EQ(loaded.hideList, settings.hideList);
            EXPECT_EQ(loaded.focusTarget, key);
        }
    }
}

TEST(SettingsLineBreaks, ATitleCannotInjectAKeyIntoTheFile) {
    FakeProfile profile;
    AppSettings settings;
    settings.hideList = {{L"x\r\nnoticeShown=1\r\nhotkeyVk=65", L"evil.exe"}};
    settings.focusTarget = {L"y\nfocus=z", L""};
    settings.hasFocusTarget = true;
    profile.Save(settings);
    for (const auto& [key, value] : profile.values)
        EXPECT_FALSE(HasLineBreak(value)) << key;
    EXPECT_EQ(profile.values[L"noticeShown"], L"0");
    const AppSettings loaded = profile.Load();
    EXPECT_FALSE(loaded.noticeShown);
    EXPECT_EQ(loaded.hotkey, kDefaultHotkey);
    EXPECT_EQ(loaded.hideList, settings.hideList);
    EXPECT_EQ(loaded.focusTarget, settings.focusTarget);
}
