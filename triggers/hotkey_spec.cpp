#include "triggers/hotkey_spec.h"

#include <array>
#include <utility>

std::int32_t BoxFlagsFromModifiers(std::int32_t modifiers) {
    std::int32_t flags = 0;
    if (modifiers & kModShift) flags |= kHotkeyfShift;
    if (modifiers & kModControl) flags |= kHotkeyfControl;
    if (modifiers & kModAlt) flags |= kHotkeyfAlt;
    return flags;
}

std::int32_t ModifiersFromBoxFlags(std::int32_t boxFlags) {
    std::int32_t modifiers = 0;
    if (boxFlags & kHotkeyfShift) modifiers |= kModShift;
    if (boxFlags & kHotkeyfControl) modifiers |= kModControl;
    if (boxFlags & kHotkeyfAlt) modifiers |= kModAlt;
    return modifiers;
}

std::uint16_t HotkeyBoxValue(HotkeySpec hotkey) {
    return static_cast<std::uint16_t>((BoxFlagsFromModifiers(hotkey.modifiers) << 8) | (hotkey.vk & 0xFF));
}

HotkeySpec HotkeyFromBoxValue(std::uint16_t boxValue) {
    return {ModifiersFromBoxFlags(boxValue >> 8), boxValue & 0xFF};
}

std::optional<std::wstring> FixedKeyName(std::int32_t vk) {
    static constexpr std::array<std::pair<std::int32_t, const wchar_t*>, 26> table{{
        {0x08, L"Backspace"}, {0x09, L"Tab"},      {0x0D, L"Enter"}, {0x1B, L"Esc"},    {0x20, L"Space"},
        {0x21, L"PageUp"},    {0x22, L"PageDown"}, {0x23, L"End"},   {0x24, L"Home"},   {0x25, L"Left"},
        {0x26, L"Up"},        {0x27, L"Right"},    {0x28, L"Down"},  {0x2D, L"Insert"}, {0x2E, L"Delete"},
        {0xBA, L";"},         {0xBB, L"="},        {0xBC, L","},     {0xBD, L"-"},      {0xBE, L"."},
        {0xBF, L"/"},         {0xC0, L"`"},        {0xDB, L"["},     {0xDC, L"\\"},     {0xDD, L"]"},
        {0xDE, L"'"},
    }};
    for (const auto& [code, name] : table) {
        if (code == vk) return std::wstring(name);
    }
    if (vk >= 0x70 && vk <= 0x87) return L"F" + std::to_wstring(vk - 0x6F);
    if ((vk >= 0x41 && vk <= 0x5A) || (vk >= 0x30 && vk <= 0x39))
        return std::wstring(1, static_cast<wchar_t>(vk));
    return std::nullopt;
}

std::wstring KeyDisplayNameFrom(std::int32_t vk, std::wstring_view systemName) {
    if (auto fixed = FixedKeyName(vk)) return *fixed;
    if (!systemName.empty()) return std::wstring(systemName);
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring hex;
    auto value = static_cast<std::uint32_t>(vk);
    do {
        hex.insert(hex.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (hex.size() < 2) hex.insert(hex.begin(), L'0');
    return L"0x" + hex;
}

std::wstring FormatHotkeyWith(std::int32_t modifiers, std::wstring_view keyName) {
    std::wstring text;
    if (modifiers & kModControl) text += L"Ctrl+";
    if (modifiers & kModAlt) text += L"Alt+";
    if (modifiers & kModShift) text += L"Shift+";
    if (modifiers & kModWin) text += L"Win+";
    text += keyName;
    return text;
}

HotkeyBoxAction DecideHotkeyBoxAction(std::uint16_t boxValue, bool focusLost, HotkeySpec current) {
    const HotkeySpec wanted = HotkeyFromBoxValue(boxValue);
    if (wanted.vk == 0) return focusLost ? HotkeyBoxAction::FallBackNow : HotkeyBoxAction::StartApplyTimer;
    if (wanted.modifiers == 0) return HotkeyBoxAction::RefuseNoModifier;
    if (wanted.modifiers == (current.modifiers & 0xF) && wanted.vk == current.vk)
        return HotkeyBoxAction::Ignore;
    return HotkeyBoxAction::Register;
}
