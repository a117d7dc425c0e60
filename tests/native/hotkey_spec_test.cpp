#include "triggers/hotkey_spec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The display text when the system has no name for the key.
std::wstring Text(std::int32_t modifiers, std::int32_t vk) {
    return FormatHotkeyWith(modifiers, KeyDisplayNameFrom(vk, L""));
}

std::wstring Name(std::int32_t vk) {
    return KeyDisplayNameFrom(vk, L"");
}

} // namespace

TEST(HotkeyText, ModifiersComeInTheOrderCtrlAltShiftWin) {
    EXPECT_EQ(Text(3, 0x20), L"Ctrl+Alt+Space");
    EXPECT_EQ(Text(6, 0x41), L"Ctrl+Shift+A");
    EXPECT_EQ(Text(9, 0x70), L"Alt+Win+F1");
    EXPECT_EQ(Text(0xF, 0x20), L"Ctrl+Alt+Shift+Win+Space");
    EXPECT_EQ(Text(kModShift, 0x1B), L"Shift+Esc");
    EXPECT_EQ(Text(kModWin | kModControl, 0x30), L"Ctrl+Win+0");
    EXPECT_EQ(Text(0, 0x2E), L"Delete");
}

TEST(HotkeyText, BitsOtherThanTheFourModifiersAddNothing) {
    EXPECT_EQ(Text(kModNoRepeat | kModControl | kModAlt, 0x20), L"Ctrl+Alt+Space");
    EXPECT_EQ(Text(0x10, 0x41), L"A");
}

TEST(HotkeyText, TheSystemsKeyNameIsUsedAsGiven) {
    EXPECT_EQ(FormatHotkeyWith(3, KeyDisplayNameFrom(0x60, L"Num 0")), L"Ctrl+Alt+Num 0");
}

TEST(KeyNames, TheFixedTableNamesTheseKeysWhateverTheSystemSays) {
    const std::pair<std::int32_t, const wchar_t*> table[] = {
        {0x08, L"Backspace"}, {0x09, L"Tab"},      {0x0D, L"Enter"}, {0x1B, L"Esc"},    {0x20, L"Space"},
        {0x21, L"PageUp"},    {0x22, L"PageDown"}, {0x23, L"End"},   {0x24, L"Home"},   {0x25, L"Left"},
        {0x26, L"Up"},        {0x27, L"Right"},    {0x28, L"Down"},  {0x2D, L"Insert"}, {0x2E, L"Delete"},
        {0xBA, L";"},         {0xBB, L"="},        {0xBC, L","},     {0xBD, L"-"},      {0xBE, L"."},
        {0xBF, L"/"},         {0xC0, L"`"},        {0xDB, L"["},     {0xDC, L"\\"},     {0xDD, L"]"},
        {0xDE, L"'"},
    };
    for (const auto& [vk, name] : table) {
        EXPECT_EQ(Name(vk), name) << vk;
        EXPECT_EQ(KeyDisplayNameFrom(vk, L"Leertaste"), name) << vk;
        EXPECT_EQ(FixedKeyName(vk), std::wstring(name)) << vk;
    }
}

TEST(KeyNames, CodesBesideTheTableAreNotFixed) {
    for (std::int32_t vk :
         {0x00, 0x01, 0x07, 0x0A, 0x0C, 0x0E, 0x10, 0x11, 0x12, 0x1A, 0x1C, 0x1F, 0x29, 0x2C,
          0x2F, 0x3A, 0x40, 0x5B, 0x5F, 0x60, 0x6F, 0x88, 0xA0, 0xB9, 0xC1, 0xDA, 0xDF, 0xFF}) {
        EXPECT_FALSE(FixedKeyName(vk).has_value()) << vk;
    }
}

TEST(KeyNames, FunctionKeysAreF1ToF24) {
    for (std::int32_t n = 1; n <= 24; ++n)
        EXPECT_EQ(Name(0x6F + n), L"F" + std::to_wstring(n));
    EXPECT_EQ(Name(0x87), L"F24");
    EXPECT_EQ(KeyDisplayNameFrom(0x70, L"Hilfe"), L"F1");
}

TEST(KeyNames, TheCodeAfterF24IsNamedByTheSystemOrByItsNumber) {
    EXPECT_EQ(Name(0x88), L"0x88");
    EXPECT_EQ(KeyDisplayNameFrom(0x88, L"Navigation View"), L"Navigation View");
}

TEST(KeyNames, LettersAndDigitsAreTheirOwnCharacter) {
    for (std::int32_t vk = 0x41; vk <= 0x5A; ++vk)
        EXPECT_EQ(Name(vk), std::wstring(1, static_cast<wchar_t>(L'A' + (vk - 0x41))));
    for (std::int32_t vk = 0x30; vk <= 0x39; ++vk)
        EXPECT_EQ(Name(vk), std::wstring(1, static_cast<wchar_t>(L'0' + (vk - 0x30))));
    EXPECT_EQ(KeyDisplayNameFrom(0x41, L"a"), L"A");
}

TEST(KeyNames, NumericKeypadCodesAreNotLowercaseLetters) {
    // 0x61-0x69 are the keypad digits, not 'a' to 'i'.
    EXPECT_EQ(Name(0x61), L"0x61");
    EXPECT_EQ(KeyDisplayNameFrom(0x61, L"Num 1"), L"Num 1");
}

TEST(KeyNames, KeysTheSystemCannotNameShowTheirCodeInTwoUppercaseHexDigits) {
    EXPECT_EQ(Name(0xE8), L"0xE8");
    EXPECT_EQ(Name(0x07), L"0x07");
    EXPECT_EQ(Name(0x00), L"0x00");
    EXPECT_EQ(Name(0xFF), L"0xFF");
    EXPECT_EQ(Name(0xAD), L"0xAD");
    EXPECT_EQ(Name(0x100), L"0x100");
}

TEST(KeyNames, TheSystemsNameIsUsedForKeysOutsideTheFixedRules) {
    EXPECT_EQ(KeyDisplayNameFrom(0x60, L"Num 0"), L"Num 0");
    EXPECT_EQ(KeyDisplayNameFrom(0xE8, L"OEM"), L"OEM");
    EXPECT_EQ(KeyDisplayNameFrom(0x14, L"Caps Lock"), L"Caps Lock");
}

TEST(HotkeyBoxEncoding, ModifiersConvertBitByBitAndWinIsDropped) {
    EXPECT_EQ(BoxFlagsFromModifiers(kModShift), kHotkeyfShift);
    EXPECT_EQ(BoxFlagsFromModifiers(kModControl), kHotkeyfControl);
    EXPECT_EQ(BoxFlagsFromModifiers(kModAlt), kHotkeyfAlt);
    EXPECT_EQ(BoxFlagsFromModifiers(kModWin), 0);
    EXPECT_EQ(BoxFlagsFromModifiers(kModNoRepeat), 0);
    for (std::int32_t mods = 0; mods < 16; ++mods) {
        const std::int32_t expected =
            ((mods & 4) ? 0x01 : 0) | ((mods & 2) ? 0x02 : 0) | ((mods & 1) ? 0x04 : 0);
        EXPECT_EQ(BoxFlagsFromModifiers(mods), expected) << mods;
    }
}

TEST(HotkeyBoxEncoding, BoxFlagsConvertBitByBitAndExtIsIgnored) {
    EXPECT_EQ(ModifiersFromBoxFlags(kHotkeyfShift), kModShift);
    EXPECT_EQ(ModifiersFromBoxFlags(kHotkeyfControl), kModControl);
    EXPECT_EQ(ModifiersFromBoxFlags(kHotkeyfAlt), kModAlt);
    EXPECT_EQ(ModifiersFromBoxFlags(kHotkeyfExt), 0);
    for (std::int32_t flags = 0; flags < 16; ++flags) {
        const std::int32_t expected = ((flags & 1) ? 4 : 0) | ((flags & 2) ? 2 : 0) | ((flags & 4) ? 1 : 0);
        EXPECT_EQ(ModifiersFromBoxFlags(flags), expected) << flags;
    }
}

TEST(HotkeyBoxEncoding, TheDefaultShowsAs0x0620) {
    EXPECT_EQ(HotkeyBoxValue(kDefaultHotkey), 0x0620);
    EXPECT_EQ(HotkeyFromBoxValue(0x0620), kDefaultHotkey);
}

TEST(HotkeyBoxEncoding, BoxValuesCarryTheKeyInTheLowByte) {
    EXPECT_EQ(HotkeyBoxValue({kModControl | kModShift, 0x41}), 0x0341);
    EXPECT_EQ(HotkeyBoxValue({kModAlt | kModWin, 0x70}), 0x0470);
    EXPECT_EQ(HotkeyBoxValue({0xF, 0xDE}), 0x07DE);
    EXPECT_EQ(HotkeyFromBoxValue(0x0341), (HotkeySpec{kModControl | kModShift, 0x41}));
    EXPECT_EQ(HotkeyFromBoxValue(0x0E20), kDefaultHotkey);
    EXPECT_EQ(HotkeyFromBoxValue(0x0041), (HotkeySpec{0, 0x41}));
    EXPECT_EQ(HotkeyFromBoxValue(0x0200), (HotkeySpec{kModControl, 0}));
    EXPECT_EQ(HotkeyFromBoxValue(0xFFFF), (HotkeySpec{7, 0xFF}));
}

TEST(HotkeyBoxAction, AnEmptyBoxWaitsWhileTypingAndFallsBackWhenLeft) {
    EXPECT_EQ(DecideHotkeyBoxAction(0x0000, false, kDefaultHotkey), HotkeyBoxAction::StartApplyTimer);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0000, true, kDefaultHotkey), HotkeyBoxAction::FallBackNow);
}

TEST(HotkeyBoxAction, ModifiersWithoutKeyAreTreatedAsNoKey) {
    EXPECT_EQ(DecideHotkeyBoxAction(0x0200, false, kDefaultHotkey), HotkeyBoxAction::StartApplyTimer);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0700, false, kDefaultHotkey), HotkeyBoxAction::StartApplyTimer);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0600, true, kDefaultHotkey), HotkeyBoxAction::FallBackNow);
}

TEST(HotkeyBoxAction, AKeyWithoutCtrlAltOrShiftIsRefused) {
    EXPECT_EQ(DecideHotkeyBoxAction(0x0041, false, kDefaultHotkey), HotkeyBoxAction::RefuseNoModifier);
    EXPECT_EQ(DecideHotkeyBoxAction(0x001B, false, kDefaultHotkey), HotkeyBoxAction::RefuseNoModifier);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0841, false, kDefaultHotkey), HotkeyBoxAction::RefuseNoModifier);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0041, true, kDefaultHotkey), HotkeyBoxAction::RefuseNoModifier);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0020, false, {0, 0x20}), HotkeyBoxAction::RefuseNoModifier);
}

TEST(HotkeyBoxAction, TheCurrentCombinationNeedsNothing) {
    EXPECT_EQ(DecideHotkeyBoxAction(0x0620, false, kDefaultHotkey), HotkeyBoxAction::Ignore);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0620, true, kDefaultHotkey), HotkeyBoxAction::Ignore);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0E20, false, kDefaultHotkey), HotkeyBoxAction::Ignore);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0620, false, {kModNoRepeat | kModControl | kModAlt, 0x20}),
              HotkeyBoxAction::Ignore);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0341, false, {kModControl | kModShift, 0x41}), HotkeyBoxAction::Ignore);
}

TEST(HotkeyBoxAction, ANewCombinationIsRegistered) {
    EXPECT_EQ(DecideHotkeyBoxAction(0x0341, false, kDefaultHotkey), HotkeyBoxAction::Register);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0621, false, kDefaultHotkey), HotkeyBoxAction::Register);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0220, true, kDefaultHotkey), HotkeyBoxAction::Register);
    EXPECT_EQ(DecideHotkeyBoxAction(0x0120, false, kDefaultHotkey), HotkeyBoxAction::Register);
}

TEST(HotkeyBoxAction, AStoredWinCombinationDiffersFromWhatTheBoxCanShow) {
    // Ctrl+Alt+Win+Space is shown without Win; reading the box back registers Ctrl+Alt+Space.
    const HotkeySpec withWin{kModControl | kModAlt | kModWin, 0x20};
    EXPECT_EQ(HotkeyBoxValue(withWin), 0x0620);
    EXPECT_EQ(DecideHotkeyBoxAction(HotkeyBoxValue(withWin), false, withWin), HotkeyBoxAction::Register);
}
