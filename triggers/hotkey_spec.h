// The global hotkey as stored and registered, its hotkey-box encoding, and its display text. Pure.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct HotkeySpec {
    std::int32_t modifiers = 0; // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4, MOD_WIN 8; never MOD_NOREPEAT
    std::int32_t vk = 0;
    bool operator==(const HotkeySpec&) const = default;
};

inline constexpr std::int32_t kModAlt = 0x1;
inline constexpr std::int32_t kModControl = 0x2;
inline constexpr std::int32_t kModShift = 0x4;
inline constexpr std::int32_t kModWin = 0x8;
inline constexpr std::int32_t kModNoRepeat = 0x4000;

inline constexpr std::int32_t kHotkeyfShift = 0x01;
inline constexpr std::int32_t kHotkeyfControl = 0x02;
inline constexpr std::int32_t kHotkeyfAlt = 0x04;
inline constexpr std::int32_t kHotkeyfExt = 0x08;

inline constexpr HotkeySpec kDefaultHotkey{kModControl | kModAlt, 0x20};

// Win has no hotkey-box bit and is dropped; the box's extended-key bit has no modifier and is ignored.
std::int32_t BoxFlagsFromModifiers(std::int32_t modifiers);
std::int32_t ModifiersFromBoxFlags(std::int32_t boxFlags);
std::uint16_t HotkeyBoxValue(HotkeySpec hotkey);
HotkeySpec HotkeyFromBoxValue(std::uint16_t boxValue);

// The fixed names: the table, F1-F24, letters and digits. Nothing for keys the system must name.
std::optional<std::wstring> FixedKeyName(std::int32_t vk);
// Full naming rule given what the system calls the key (empty when it has no name): "0x%02X" as the last
// resort.
std::wstring KeyDisplayNameFrom(std::int32_t vk, std::wstring_view systemName);
std::wstring FormatHotkeyWith(std::int32_t modifiers, std::wstring_view keyName);

// What a hotkey-box notification asks for.
enum class HotkeyBoxAction {
    Ignore,           // the box shows the current combination
    StartApplyTimer,  // no key yet: decide later
    FallBackNow,      // the box was left without a key
    RefuseNoModifier, // a key without Ctrl, Alt or Shift
    Register,         // a new combination to register
};

HotkeyBoxAction DecideHotkeyBoxAction(std::uint16_t boxValue, bool focusLost, HotkeySpec current);
