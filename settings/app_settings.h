// What the program remembers between runs, and how each value is stored in "veltrano.ini". Pure: the profile
// functions are handed in, so the rules are tested without them.
#pragma once
#include "catalogue/window_types.h"
#include "triggers/away_rules.h"
#include "triggers/hotkey_spec.h"
#include "triggers/pointer_rules.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct AppSettings {
    std::vector<WindowKey> hideList;
    WindowKey focusTarget;
    bool hasFocusTarget = false;
    HotkeySpec hotkey = kDefaultHotkey;
    // The other ways of asking for a toggle, each off until the user turns it on.
    PointerTriggers pointer;
    int autoHideMinutes = 0;
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
// Anything but a value the key can hold is off (or, for the hold, the default).
MouseTrigger MouseTriggerFromFile(int vk, int modifiers);
HotCorner HotCornerFromFile(int value);
int CornerHoldFromFile(int value);
int AutoHideMinutesFromFile(int value);

// The settings' keys with their values as the profile functions read them back, in file order.
using SettingsValues = std::vector<std::pair<std::wstring, std::wstring>>;
SettingsValues ValuesOfSettings(const AppSettings& settings);
// The whole file: the section's header and one line per key, each value written so the profile functions read
// it back unchanged.
std::wstring SettingsFileText(const AppSettings& settings);

// A row of the window list as a commit reads it.
struct ListedRow {
    // What the fill showed: an open window, or a remembered key (no handle) that no open window matched.
    WindowEntry shown;
    // The key the row stands for now: an open window is read again, since its title may have changed.
    WindowKey now;
    bool ticked = false;
};

// The hide list is the user's choice: the ticked rows' keys in row order, then every key of `previous` that
// no row stands for, in its order (a program that is not open, a list not filled yet). A key leaves only when
// the user unticks its row. Each key appears once, and at most kMaxHideEntries are kept.
std::vector<WindowKey> CommittedHideList(const std::vector<WindowKey>& previous,
                                         const std::vector<ListedRow>& rows);

struct ProfileReader {
    std::function<int(std::wstring_view key, int defaultValue)> readInt;
    std::function<std::wstring(std::wstring_view key)> readString; // empty when missing
};

AppSettings ReadSettings(const ProfileReader& reader);
