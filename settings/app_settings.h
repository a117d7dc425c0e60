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

// "title|process", split at the last bar. Line breaks, and a backslash before 'r', 'n', another backslash or
// a line break, are escaped so a title can never inject further lines (keys) into the file and every title
// reads back as it was.
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
