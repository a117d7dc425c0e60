// What the program remembers between runs, and how each value is stored in "veltrano.ini". Pure: the profile
// functions are handed in, so the rules are tested without them.
#pragma once
#include "catalogue/window_types.h"
#include "hotkey/hotkey_spec.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct AppSettings {
    std::vector<WindowKey> hideList;
    WindowKey focusTarget;
    bool hasFocusTarget = false;
    HotkeySpec hotkey = kDefaultHotkey;
    bool noticeShown = false;
};

inline constexpr std::wstring_view kSettingsSection = L"config";
inline constexpr std::wstring_view kSettingsFileName = L"veltrano.ini";
// A hand-edited or corrupted "hideCount" must not make start-up probe billions of keys.
inline constexpr int kMaxHideEntries = 1024;
// Profile strings are read into 1024 units, so 1023 survive.
inline constexpr std::size_t kProfileValueUnits = 1024;

// "title|process", split at the last bar. A line break in a title would end the value and let the rest of the
// title add keys to the file, so CR and LF are stored as the escape character followed by 'r' or 'n' (the
// escape character itself is doubled). The escape is U+241B SYMBOL FOR ESCAPE rather than a backslash: window
// titles are full of paths such as "C:\new\readme.txt", and files written before escaping existed must load
// unchanged.
inline constexpr wchar_t kTitleEscape = L'\u241B';
std::wstring StoredFormOfKey(const WindowKey& key);
WindowKey KeyFromStoredForm(std::wstring_view stored);

std::int32_t HotkeyModsFromFile(int value);
std::int32_t HotkeyVkFromFile(int value);

struct ProfileReader {
    std::function<int(std::wstring_view key, int defaultValue)> readInt;
    std::function<std::wstring(std::wstring_view key)> readString; // empty when missing
};

// (key, value) in write order; no value deletes the key.
using ProfileWriter = std::function<void(std::wstring_view key, std::optional<std::wstring_view> value)>;

AppSettings ReadSettings(const ProfileReader& reader);
void WriteSettings(const AppSettings& settings, const ProfileWriter& write);
