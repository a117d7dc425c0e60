// "veltrano.ini" through the platform's profile functions: what lands on disk, byte for byte, and what comes
// back from files the program wrote and from files written by hand or by earlier versions.
#include "settings/settings_file.h"
#include "tests/win/support.h"

#include <gtest/gtest.h>

namespace {

std::string Utf16Bytes(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(static_cast<unsigned>(c) & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<unsigned>(c) >> 8) & 0xFF));
    }
    return bytes;
}

const std::string kByteOrderMark = "\xFF\xFE";

// A file the way the program writes it now: UTF-16LE behind a byte-order mark.
void WriteUnicodeFile(const std::wstring& path, const std::wstring& text) {
    WriteFileBytes(path, kByteOrderMark + Utf16Bytes(text));
}

std::wstring Widen(const std::string& bytes, UINT codePage) {
    const int units =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), units);
    return wide;
}

// The file's text, decoded from UTF-16LE after its byte-order mark.
std::wstring UnicodeText(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    if (bytes.compare(0, 2, kByteOrderMark) != 0) return {};
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

AppSettings Sample() {
    AppSettings settings;
    settings.hideList = {{L"Notes 1 - Writer", L"writer.exe"}, {L"Team chat", L"chat.exe"}};
    settings.focusTarget = {L"Mailbox", L"mail.exe"};
    settings.hasFocusTarget = true;
    settings.noticeShown = true;
    return settings;
}

void ExpectSameSettings(const AppSettings& loaded, const AppSettings& saved) {
    EXPECT_EQ(loaded.hideList, saved.hideList);
    EXPECT_EQ(loaded.hasFocusTarget, saved.hasFocusTarget);
    EXPECT_EQ(loaded.focusTarget, saved.focusTarget);
    EXPECT_EQ(loaded.hotkey, saved.hotkey);
    EXPECT_EQ(loaded.pointer, saved.pointer);
    EXPECT_EQ(loaded.autoHideMinutes, saved.autoHideMinutes);
    EXPECT_EQ(loaded.noticeShown, saved.noticeShown);
}

} // namespace

TEST(SettingsFile, AFirstSaveWritesTheKeysInOrderIntoANewUnicodeFile) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    SaveSettingsTo(Sample(), path);
    EXPECT_EQ(ReadFileBytes(path), kByteOrderMark + Utf16Bytes(L"[config]\r\n"
                                                               L"hideCount=2\r\n"
                                                               L"hide0=Notes 1 - Writer|writer.exe\r\n"
                                                               L"hide1=Team chat|chat.exe\r\n"
                                                               L"focus=Mailbox|mail.exe\r\n"
                                                               L"hotkeyMods=3\r\n"
                                                               L"hotkeyVk=32\r\n"
                                                               L"mouseVk=0\r\n"
                                                               L"mouseMods=0\r\n"
                                                               L"hotCorner=0\r\n"
                                                               L"hotCornerMs=300\r\n"
                                                               L"autoHideMinutes=0\r\n"
                                                               L"noticeShown=1\r\n"));
}

TEST(SettingsFile, ALaterSaveWritesTheWholeFileAnewWithoutStaleEntries) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    AppSettings five;
    for (int i = 0; i < 5; ++i)
        five.hideList.push_back({L"窗口 " + std::to_wstring(i), L"p" + std::to_wstring(i) + L".exe"});
    five.hotkey = {0x4 | 0x2, 0x48};
    ASSERT_EQ(SaveSettingsTo(five, path).trouble, SaveTrouble::None);

    AppSettings two;
    two.hideList = {{L"Team chat", L""}, {L"窗口 1", L"p1.exe"}};
    two.focusTarget = {L"Mailbox", L""};
    two.hasFocusTarget = true;
    two.hotkey = {0x9, 0x7A};
    two.pointer = {{0x05, 0x2}, HotCorner::TopRight, 800};
    two.autoHideMinutes = 30;
    ASSERT_EQ(SaveSettingsTo(two, path).trouble, SaveTrouble::None);
    EXPECT_EQ(ReadFileBytes(path), kByteOrderMark + Utf16Bytes(L"[config]\r\n"
                                                               L"hideCount=2\r\n"
                                                               L"hide0=Team chat|\r\n"
                                                               L"hide1=窗口 1|p1.exe\r\n"
                                                               L"focus=Mailbox|\r\n"
                                                               L"hotkeyMods=9\r\n"
                                                               L"hotkeyVk=122\r\n"
                                                               L"mouseVk=5\r\n"
                                                               L"mouseMods=2\r\n"
                                                               L"hotCorner=2\r\n"
                                                               L"hotCornerMs=800\r\n"
                                                               L"autoHideMinutes=30\r\n"
                                                               L"noticeShown=0\r\n"));
    ExpectSameSettings(LoadSettingsFrom(path), two);
    EXPECT_FALSE(FileExists(path + L".tmp"));

    AppSettings none;
    SaveSettingsTo(none, path);
    const std::wstring text = UnicodeText(path);
    EXPECT_NE(text.find(L"\r\nfocus=\r\n"), std::wstring::npos) << Utf8(text);
    EXPECT_NE(text.find(L"\r\nhideCount=0\r\n"), std::wstring::npos) << Utf8(text);
    ExpectSameSettings(LoadSettingsFrom(path), none);
}

TEST(SettingsFile, TitlesOutsideTheAnsiCodePageAndTitlesWithBarsSurvive) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    AppSettings settings;
    settings.hideList = {{L"测试 \U0001F600 窗口", L"应用.exe"},
                         {L"a|b|c", L"bar.exe"},
                         {L"ends with bar|", L""},
                         {L"Ünïcödé ЖУРНАЛ", L"x.exe"}};
    settings.focusTarget = {L"聊天|群 \U0001F4AC", L"chat.exe"};
    settings.hasFocusTarget = true;
    settings.hotkey = {0xF, 0xFE};
    SaveSettingsTo(settings, path);
    EXPECT_EQ(ReadFileBytes(path).substr(0, 2), kByteOrderMark);
    ExpectSameSettings(LoadSettingsFrom(path), settings);
}

TEST(SettingsFile, TitlesThatStartWithBlanksKeepThem) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    AppSettings settings;
    settings.hideList = {{L"  two spaces", L"a.exe"},
                         {L"\ttab", L"b.exe"},
                         {L"\x3000全角空格", L""},
                         {L"\"quoted\"", L""},
                         {L" \"half", L"c.exe"}};
    settings.focusTarget = {L" target", L"t.exe"};
    settings.hasFocusTarget = true;
    SaveSettingsTo(settings, path);
    ExpectSameSettings(LoadSettingsFrom(path), settings);
}

TEST(SettingsFile, AnOldSingleByteFileLoadsAsBeforeAndIsSavedAsUnicode) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    const std::string accented = "Caf\xE9 menu";
    WriteFileBytes(path, "[config]\r\nhideCount=2\r\nhide0=Notes 1 - Writer|writer.exe\r\nhide1=" + accented +
                             "|menu.exe\r\nfocus=Mailbox|mail.exe\r\nhotkeyMods=6\r\nhotkeyVk=72\r\n"
                             "noticeShown=1\r\n");
    AppSettings expected;
    expected.hideList = {{L"Notes 1 - Writer", L"writer.exe"}, {Widen(accented, CP_ACP), L"menu.exe"}};
    expected.focusTarget = {L"Mailbox", L"mail.exe"};
    expected.hasFocusTarget = true;
    expected.hotkey = {6, 72};
    expected.noticeShown = true;
    ExpectSameSettings(LoadSettingsFrom(path), expected);

    expected.hideList.pop_back();
    SaveSettingsTo(expected, path);
    EXPECT_NE(UnicodeText(path).find(L"[config]\r\nhideCount=1\r\n"), std::wstring::npos);
    ExpectSameSettings(LoadSettingsFrom(path), expected);
}

TEST(SettingsFile, AFileNotepadWroteInUtf8ReadsAsUtf8AndIsSavedAsUnicode) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    const std::string wechat = "\xE5\xBE\xAE\xE4\xBF\xA1"; // "微信"
    for (const std::string_view mark : {"", "\xEF\xBB\xBF"}) {
        WriteFileBytes(path, std::string(mark) + "[config]\r\nhideCount=1\r\nhide0=" + wechat +
                                 "|WeChat.exe\r\nnoticeShown=1\r\n");
        const AppSettings loaded = LoadSettingsFrom(path);
        EXPECT_EQ(loaded.hideList, (std::vector<WindowKey>{{L"微信", L"WeChat.exe"}})) << mark.size();
        EXPECT_TRUE(loaded.noticeShown);
        SaveSettingsTo(loaded, path);
        EXPECT_NE(UnicodeText(path).find(L"\r\nhide0=微信|WeChat.exe\r\n"), std::wstring::npos);
    }
}

TEST(SettingsFile, NoFileLoadsTheDefaultsAndCreatesNothing) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    const AppSettings loaded = LoadSettingsFrom(path);
    ExpectSameSettings(loaded, AppSettings{});
    EXPECT_EQ(loaded.hotkey, (HotkeySpec{3, 32}));
    EXPECT_FALSE(FileExists(path));
}

TEST(SettingsFile, HandWrittenValuesFallBackAndSplitAsDocumented) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    WriteUnicodeFile(path, L"[config]\r\n"
                           L"hideCount=7\r\n"
                           L"hide0=a|b|c.exe\r\n"
                           L"hide2=Team chat\r\n"
                           L"hide3=|chat.exe\r\n"
                           L"hide4=|\r\n"
                           L"hide5=Last|\r\n"
                           L"hide6=\r\n"
                           L"hide7=beyond the count|x.exe\r\n"
                           L"focus=\r\n"
                           L"hotkeyMods=9\r\n"
                           L"hotkeyVk=255\r\n"
                           L"noticeShown=2\r\n");
    const AppSettings loaded = LoadSettingsFrom(path);
    EXPECT_EQ(loaded.hideList,
              (std::vector<WindowKey>{
                  {L"a|b", L"c.exe"}, {L"Team chat", L""}, {L"", L"chat.exe"}, {L"Last", L""}}));
    EXPECT_FALSE(loaded.hasFocusTarget);
    EXPECT_EQ(loaded.hotkey, (HotkeySpec{9, 32}));
    EXPECT_TRUE(loaded.noticeShown);

    SaveSettingsTo(loaded, path);
    const std::wstring text = UnicodeText(path);
    EXPECT_NE(text.find(L"\r\nnoticeShown=1\r\n"), std::wstring::npos) << Utf8(text);
    EXPECT_NE(text.find(L"\r\nhotkeyVk=32\r\n"), std::wstring::npos) << Utf8(text);

    const struct {
        const wchar_t* mods;
        const wchar_t* vk;
        HotkeySpec expected;
    } hotkeys[] = {{L"16", L"7", {3, 32}},
                   {L"0", L"254", {3, 254}},
                   {L"-1", L"8", {15, 8}},
                   {L"abc", L"-32", {3, 32}},
                   {L"4", L"65", {4, 65}}};
    for (const auto& hotkey : hotkeys) {
        WriteUnicodeFile(path, std::wstring(L"[config]\r\nhotkeyMods=") + hotkey.mods + L"\r\nhotkeyVk=" +
                                   hotkey.vk + L"\r\n");
        EXPECT_EQ(LoadSettingsFrom(path).hotkey, hotkey.expected)
            << Utf8(hotkey.mods) << " " << Utf8(hotkey.vk);
    }
}

TEST(SettingsFile, AHugeHideCountReadsAtMost1024Entries) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    std::wstring text = L"[config]\r\nhideCount=2147483647\r\n";
    for (int i = 0; i < 1100; ++i)
        text += L"hide" + std::to_wstring(i) + L"=w" + std::to_wstring(i) + L"|p.exe\r\n";
    WriteUnicodeFile(path, text);
    const AppSettings loaded = LoadSettingsFrom(path);
    ASSERT_EQ(loaded.hideList.size(), 1024u);
    EXPECT_EQ(loaded.hideList.front(), (WindowKey{L"w0", L"p.exe"}));
    EXPECT_EQ(loaded.hideList.back(), (WindowKey{L"w1023", L"p.exe"}));

    WriteUnicodeFile(path, L"[config]\r\nhideCount=-5\r\nhide0=a|b.exe\r\n");
    EXPECT_TRUE(LoadSettingsFrom(path).hideList.empty());
}

TEST(SettingsFile, ValuesLongerThan1023UnitsAreCutBeforeTheSplit) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    WriteUnicodeFile(path, L"[config]\r\nhideCount=2\r\nhide0=" + std::wstring(1500, L'a') +
                               L"|long.exe\r\nhide1=" + std::wstring(1000, L'c') + L"|" +
                               std::wstring(40, L'p') + L"\r\nfocus=" + std::wstring(1030, L'f') +
                               L"|f.exe\r\n");
    const AppSettings loaded = LoadSettingsFrom(path);
    ASSERT_EQ(loaded.hideList.size(), 2u);
    EXPECT_EQ(loaded.hideList[0], (WindowKey{std::wstring(1023, L'a'), L""}));
    EXPECT_EQ(loaded.hideList[1], (WindowKey{std::wstring(1000, L'c'), std::wstring(22, L'p')}));
    EXPECT_TRUE(loaded.hasFocusTarget);
    EXPECT_EQ(loaded.focusTarget, (WindowKey{std::wstring(1023, L'f'), L""}));
}

TEST(SettingsFile, TitlesWithLineBreaksRoundTripAndCannotInjectKeys) {
    TempFolder folder;
    const std::wstring path = folder.File(L"veltrano.ini");
    AppSettings settings;
    settings.hideList = {{L"two\r\nnoticeShown=1\r\nhide1=injected|evil.exe", L"a.exe"},
                         {L"lone\nfeed and lone\rreturn", L"b.exe"},
                         {L"C:\\new\\root\\\\share\\r", L"c.exe"},
                         {L"\n[other]\nhideCount=9", L""}};
    settings.focusTarget = {L"focus\r\nhotkeyVk=65", L"f.exe"};
    settings.hasFocusTarget = true;
    SaveSettingsTo(settings, path);

    const std::wstring text = UnicodeText(path);
    std::size_t lines = 0;
    for (std::size_t at = text.find(L'\n'); at != std::wstring::npos; at = text.find(L'\n', at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u + 1 + 4 + 1 + 8) << Utf8(text); // section, count, four entries, focus, eight numbers
    EXPECT_EQ(text.find(L"\r\nnoticeShown=1"), std::wstring::npos) << Utf8(text);
    EXPECT_EQ(text.find(L"\r\n[other]"), std::wstring::npos) << Utf8(text);
    ExpectSameSettings(LoadSettingsFrom(path), settings);
}

TEST(SettingsFile, TheProgramsFileLiesBesideItsExecutable) {
    const std::wstring path = SettingsFilePath();
    EXPECT_EQ(path, BesideTests(L"veltrano.ini"));
    DeleteFileW(path.c_str());
    ASSERT_EQ(SaveSettings(Sample()).trouble, SaveTrouble::None);
    EXPECT_EQ(UnicodeText(path).rfind(L"[config]\r\nhideCount=2\r\n", 0), 0u);
    ExpectSameSettings(LoadSettings(), Sample());
    DeleteFileW(path.c_str());
    ExpectSameSettings(LoadSettings(), AppSettings{});
}
