// The global hotkey as the user changes it in the hotkey box: registration, saving, refusal, rollback and the
// fallback to Ctrl+Alt+Space, observed through the status line, the settings file and other programs'
// attempts to take the same combination.
#include "tests/win/support.h"
#include "triggers/hotkey.h"
#include "ui/ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <initializer_list>

namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;
constexpr UINT kCtrlShift = MOD_CONTROL | MOD_SHIFT;
constexpr WORD kDefaultInBox = MAKEWORD(VK_SPACE, HOTKEYF_CONTROL | HOTKEYF_ALT);
constexpr WORD kCtrlShiftJInBox = MAKEWORD('J', HOTKEYF_CONTROL | HOTKEYF_SHIFT);
constexpr wchar_t kNeedsModifier[] = L"快捷键需要包含 Ctrl / Alt / Shift 至少一个";
constexpr wchar_t kFellBack[] = L"快捷键为空，已自动回退为 Ctrl+Alt+Space";

// The settings of a user whose hotkey is Ctrl+Shift+J.
const std::string kCtrlShiftJSettings = "[config]\r\nhotkeyMods=6\r\nhotkeyVk=74\r\n";

WORD BoxValue(HWND box) {
    return static_cast<WORD>(SendMessageW(box, HKM_GETHOTKEY, 0, 0));
}

// Presses the keys in order and releases them in reverse, as the keyboard delivers them to the focused box;
// the box itself reports every change to the main window.
void TypeIntoBox(HWND box, std::initializer_list<UINT> keys) {
    for (UINT key : keys)
        SendMessageW(box, key == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
        SendMessageW(box, *key == VK_MENU ? WM_SYSKEYUP : WM_KEYUP, *key, static_cast<LPARAM>(0xC0000001));
}

// Puts a value into the box and sends the notification the box sends when its content changes.
void SetBoxAndNotify(HWND mainWindow, HWND box, WORD value, WORD code = EN_CHANGE) {
    SendMessageW(box, HKM_SETHOTKEY, value, 0);
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(IDC_HOTKEY, code), reinterpret_cast<LPARAM>(box));
}

} // namespace

TEST(Hotkey, WithTheDefaultTakenStartUpSaysSoAndACombinationEnteredInTheBoxRegistersAndIsSaved) {
    Helper holder({L"--hold-hotkey", L"3", L"32"});
    ASSERT_EQ(holder.preamble, std::vector<std::string>{"hotkey 1"});
    Veltrano veltrano;
    ASSERT_TRUE(veltrano.Start());
    EXPECT_TRUE(WaitFor([&] {
        return veltrano.Text(IDC_STATUS) ==
               L"快捷键 Ctrl+Alt+Space 注册失败（可能被占用），可点击上方快捷键框修改";
    })) << Utf8(veltrano.Text(IDC_STATUS));

    SetBoxAndNotify(veltrano.mainWindow, veltrano.Control(IDC_HOTKEY),
                    MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"快捷键已改为 Ctrl+Shift+K");
    EXPECT_FALSE(HotkeyIsFree(kCtrlShift, 'K'));
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyMods"), 6);
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyVk"), 'K');
}

TEST(Hotkey, ACombinationTypedIntoTheBoxReplacesTheOldOneAndIsSaved) {
    InProcessVeltrano veltrano;
    ASSERT_EQ(veltrano.Text(IDC_STATUS), L"就绪 · 快捷键 Ctrl+Alt+Space");
    HWND box = veltrano.Control(IDC_HOTKEY);
    EXPECT_EQ(BoxValue(box), kDefaultInBox);

    TypeIntoBox(box, {VK_CONTROL, VK_SHIFT, 'J'});
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"快捷键已改为 Ctrl+Shift+J");
    EXPECT_EQ(BoxValue(box), kCtrlShiftJInBox);
    EXPECT_FALSE(HotkeyIsFree(kCtrlShift, 'J'));
    EXPECT_TRUE(HotkeyIsFree(kCtrlAlt, VK_SPACE));
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyMods"), 6);
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyVk"), 'J');
}

TEST(Hotkey, ACombinationHeldByAnotherProgramIsRefusedAndTheOldOneIsRegisteredAgain) {
    Helper holder({L"--hold-hotkey", L"6", L"74"});
    ASSERT_EQ(holder.preamble, std::vector<std::string>{"hotkey 1"});
    InProcessVeltrano veltrano;
    HWND box = veltrano.Control(IDC_HOTKEY);

    TypeIntoBox(box, {VK_CONTROL, VK_SHIFT, 'J'});
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"该快捷键已被占用，已还原为 Ctrl+Alt+Space");
    EXPECT_EQ(BoxValue(box), kDefaultInBox);
    EXPECT_FALSE(HotkeyIsFree(kCtrlAlt, VK_SPACE));
    EXPECT_FALSE(FileExists(veltrano.SettingsPath()));
}

TEST(Hotkey, AnEmptiedBoxFallsBackToTheDefaultWhenTheDelayEnds) {
    InProcessVeltrano veltrano(kCtrlShiftJSettings);
    ASSERT_EQ(veltrano.Text(IDC_STATUS), L"就绪 · 快捷键 Ctrl+Shift+J");
    HWND box = veltrano.Control(IDC_HOTKEY);
    ASSERT_EQ(BoxValue(box), kCtrlShiftJInBox);

    SetBoxAndNotify(veltrano.mainWindow, box, 0);
    // Nothing happens before the delay: the user may still be typing.
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"就绪 · 快捷键 Ctrl+Shift+J");
    EXPECT_FALSE(HotkeyIsFree(kCtrlShift, 'J'));

    EXPECT_TRUE(WaitFor([&] { return veltrano.Text(IDC_STATUS) == kFellBack; }))
        << Utf8(veltrano.Text(IDC_STATUS));
    EXPECT_EQ(BoxValue(box), kDefaultInBox);
    EXPECT_FALSE(HotkeyIsFree(kCtrlAlt, VK_SPACE));
    EXPECT_TRUE(HotkeyIsFree(kCtrlShift, 'J'));
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyMods"), 3);
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyVk"), VK_SPACE);
}

TEST(Hotkey, ABoxLeftWithoutAKeyFallsBackAtOnceWhenItLosesTheFocus) {
    InProcessVeltrano veltrano(kCtrlShiftJSettings);
    HWND box = veltrano.Control(IDC_HOTKEY);

    // Modifiers alone are not an empty box: the end of the delay leaves them alone.
    SetBoxAndNotify(veltrano.mainWindow, box, MAKEWORD(0, HOTKEYF_CONTROL));
    SendMessageW(veltrano.mainWindow, WM_TIMER, TIMER_HOTKEY_APPLY, 0);
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"就绪 · 快捷键 Ctrl+Shift+J");
    EXPECT_FALSE(HotkeyIsFree(kCtrlShift, 'J'));

    SendMessageW(veltrano.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_HOTKEY, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), kFellBack);
    EXPECT_EQ(BoxValue(box), kDefaultInBox);
    EXPECT_FALSE(HotkeyIsFree(kCtrlAlt, VK_SPACE));
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyMods"), 3);
    EXPECT_EQ(SettingsNumber(veltrano.SettingsPath(), L"hotkeyVk"), VK_SPACE);
}

TEST(Hotkey, AFallbackToATakenDefaultKeepsTheCombinationTheUserHad) {
    Helper holder({L"--hold-hotkey", L"3", L"32"});
    ASSERT_EQ(holder.preamble, std::vector<std::string>{"hotkey 1"});
    InProcessVeltrano veltrano(kCtrlShiftJSettings);
    DeleteFileW(veltrano.SettingsPath().c_str());
    HWND box = veltrano.Control(IDC_HOTKEY);

    SetBoxAndNotify(veltrano.mainWindow, box, 0, EN_KILLFOCUS);
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"快捷键为空，但 Ctrl+Alt+Space 注册失败，已还原");
    EXPECT_EQ(BoxValue(box), kCtrlShiftJInBox);
    EXPECT_FALSE(HotkeyIsFree(kCtrlShift, 'J'));
    EXPECT_FALSE(FileExists(veltrano.SettingsPath()));
}

TEST(Hotkey, AKeyWithoutCtrlAltOrShiftIsRefusedAndTheBoxShowsTheCurrentCombinationAgain) {
    InProcessVeltrano veltrano;
    HWND box = veltrano.Control(IDC_HOTKEY);

    TypeIntoBox(box, {'K'});
    EXPECT_EQ(veltrano.Text(IDC_STATUS), kNeedsModifier);
    EXPECT_EQ(BoxValue(box), kDefaultInBox);
    EXPECT_FALSE(HotkeyIsFree(kCtrlAlt, VK_SPACE));
    EXPECT_TRUE(HotkeyIsFree(0, 'K'));
    EXPECT_FALSE(FileExists(veltrano.SettingsPath()));
}

TEST(Hotkey, TypingTheCurrentCombinationChangesNothing) {
    InProcessVeltrano veltrano(kCtrlShiftJSettings);
    // Loaded already; a save would bring the file back.
    DeleteFileW(veltrano.SettingsPath().c_str());
    HWND box = veltrano.Control(IDC_HOTKEY);
    SetWindowTextW(veltrano.Control(IDC_STATUS), L"before");

    TypeIntoBox(box, {VK_CONTROL, VK_SHIFT, 'J'});
    // The extended-key flag is not part of a combination.
    SetBoxAndNotify(veltrano.mainWindow, box, MAKEWORD('J', HOTKEYF_CONTROL | HOTKEYF_SHIFT | HOTKEYF_EXT));
    EXPECT_EQ(veltrano.Text(IDC_STATUS), L"before");
    EXPECT_FALSE(HotkeyIsFree(kCtrlShift, 'J'));
    EXPECT_FALSE(FileExists(veltrano.SettingsPath()));
}

TEST(Hotkey, ThePressDoesNotToggleWhileTheBoxHasTheFocus) {
    Helper helper({L"--window", L"Hotkey focus target"});
    InProcessVeltrano veltrano(
        "[config]\r\nhideCount=1\r\nhide0=Hotkey focus target|vlt-test-windows.exe\r\n");
    HWND target = helper.windows.at(0);
    veltrano.Show();
    HWND box = veltrano.Control(IDC_HOTKEY);
    SetFocus(box);
    ASSERT_EQ(GetFocus(), box);

    SendMessageW(veltrano.mainWindow, WM_HOTKEY, HOTKEY_ID_TOGGLE, MAKELPARAM(kCtrlAlt, VK_SPACE));
    EXPECT_TRUE(StateOf(target).visible);
    EXPECT_TRUE(IsWindowVisible(veltrano.mainWindow));

    // The same press with the focus elsewhere hides, and a second one restores.
    SetFocus(veltrano.Control(IDC_WINDOW_LIST));
    SendMessageW(veltrano.mainWindow, WM_HOTKEY, HOTKEY_ID_TOGGLE, MAKELPARAM(kCtrlAlt, VK_SPACE));
    EXPECT_FALSE(StateOf(target).visible);
    EXPECT_FALSE(IsWindowVisible(veltrano.mainWindow));
    SendMessageW(veltrano.mainWindow, WM_HOTKEY, HOTKEY_ID_TOGGLE, MAKELPARAM(kCtrlAlt, VK_SPACE));
    EXPECT_TRUE(StateOf(target).visible);
}
