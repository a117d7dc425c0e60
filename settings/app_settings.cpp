#include "settings/app_settings.h"

#include <algorithm>
#include <cwctype>

namespace {

// The profile functions drop the blanks at the start of a value when they read it, so a title such as
// "  Notes" would come back as "Notes" and never match its window again. They also take off a pair of double
// quotes around a value, so such a value is written inside quotes and read back with its blanks. A stored key
// never ends in a quote (it ends in the process name or the bar), so no other value is affected.
std::wstring ProfileValue(std::wstring_view value) {
    if (!value.empty() && (std::iswspace(value.front()) || value.front() == L'\x1A'))
        return L"\"" + std::wstring(value) + L"\"";
    return std::wstring(value);
}

} // namespace

std::wstring StoredFormOfKey(const WindowKey& key) {
    std::wstring stored;
    stored.reserve(key.title.size() + key.processName.size() + 1);
    for (const wchar_t c : key.title) {
        if (c == L'\r') {
            stored += kTitleEscape;
            stored += L'r';
        } else if (c == L'\n') {
            stored += kTitleEscape;
            stored += L'n';
        } else if (c == kTitleEscape) {
            stored += kTitleEscape;
            stored += kTitleEscape;
        } else {
            stored += c;
        }
    }
    stored += L'|';
    stored += key.processName;
    return stored;
}

WindowKey KeyFromStoredForm(std::wstring_view stored) {
    WindowKey key;
    const std::size_t bar = stored.rfind(L'|');
    const std::wstring_view title = bar == std::wstring_view::npos ? stored : stored.substr(0, bar);
    if (bar != std::wstring_view::npos) key.processName = std::wstring(stored.substr(bar + 1));
    key.title.reserve(title.size());
    for (std::size_t i = 0; i < title.size(); ++i) {
        if (title[i] == kTitleEscape && i + 1 < title.size()) {
            const wchar_t next = title[i + 1];
            if (next == L'r' || next == L'n' || next == kTitleEscape) {
                key.title += next == L'r' ? L'\r' : next == L'n' ? L'\n' : kTitleEscape;
                ++i;
                continue;
            }
        }
        key.title += title[i];
    }
    return key;
}

std::int32_t HotkeyModsFromFile(int value) {
    const std::int32_t mods = value & 0xF;
    return mods == 0 ? kDefaultHotkey.modifiers : mods;
}

std::int32_t HotkeyVkFromFile(int value) {
    return (value >= 8 && value <= 254) ? value : kDefaultHotkey.vk;
}

MouseTrigger MouseTriggerFromFile(int vk, int modifiers) {
    if (vk != kVkMiddleButton && vk != kVkSideButton1 && vk != kVkSideButton2) return {};
    constexpr int kAllowed = kModAlt | kModControl | kModShift;
    return {vk, (modifiers & ~kAllowed) == 0 ? modifiers : 0};
}

HotCorner HotCornerFromFile(int value) {
    return (value >= 0 && value <= static_cast<int>(HotCorner::BottomRight)) ? static_cast<HotCorner>(value)
                                                                             : HotCorner::None;
}

int CornerHoldFromFile(int value) {
    return (value >= kMinCornerHoldMs && value <= kMaxCornerHoldMs) ? value : kDefaultCornerHoldMs;
}

int AutoHideMinutesFromFile(int value) {
    return (value >= 0 && value <= kMaxAutoHideMinutes) ? value : 0;
}

AppSettings ReadSettings(const ProfileReader& reader) {
    AppSettings settings;
    const int count = std::min(reader.readInt(L"hideCount", 0), kMaxHideEntries);
    for (int i = 0; i < count; ++i) {
        const std::wstring value = reader.readString(L"hide" + std::to_wstring(i));
        if (value.empty()) continue;
        WindowKey key = KeyFromStoredForm(value);
        if (!key.title.empty() || !key.processName.empty()) settings.hideList.push_back(std::move(key));
    }
    const std::wstring focus = reader.readString(L"focus");
    if (!focus.empty()) {
        settings.focusTarget = KeyFromStoredForm(focus);
        settings.hasFocusTarget =
            !settings.focusTarget.title.empty() || !settings.focusTarget.processName.empty();
    }
    settings.hotkey.modifiers = HotkeyModsFromFile(reader.readInt(L"hotkeyMods", 3));
    settings.hotkey.vk = HotkeyVkFromFile(reader.readInt(L"hotkeyVk", 32));
    settings.pointer.mouse =
        MouseTriggerFromFile(reader.readInt(L"mouseVk", 0), reader.readInt(L"mouseMods", 0));
    settings.pointer.corner = HotCornerFromFile(reader.readInt(L"hotCorner", 0));
    settings.pointer.cornerHoldMs = CornerHoldFromFile(reader.readInt(L"hotCornerMs", kDefaultCornerHoldMs));
    settings.autoHideMinutes = AutoHideMinutesFromFile(reader.readInt(L"autoHideMinutes", 0));
    settings.noticeShown = reader.readInt(L"noticeShown", 0) != 0;
    return settings;
}

std::vector<WindowKey> CommittedHideList(const std::vector<WindowKey>& previous,
                                         const std::vector<ListedRow>& rows) {
    std::vector<WindowKey> committed;
    const auto add = [&](const WindowKey& key) {
        if (committed.size() < static_cast<std::size_t>(kMaxHideEntries) &&
            std::find(committed.begin(), committed.end(), key) == committed.end())
            committed.push_back(key);
    };
    for (const ListedRow& row : rows) {
        if (row.ticked) add(row.now);
    }
    for (const WindowKey& key : previous) {
        const bool shown = std::any_of(rows.begin(), rows.end(), [&](const ListedRow& row) {
            return row.shown.hwnd ? KeyMatchesEntry(key, row.shown) : key == KeyOf(row.shown);
        });
        if (!shown) add(key);
    }
    return committed;
}

SettingsValues ValuesOfSettings(const AppSettings& settings) {
    SettingsValues values;
    values.emplace_back(L"hideCount", std::to_wstring(settings.hideList.size()));
    for (std::size_t i = 0; i < settings.hideList.size(); ++i)
        values.emplace_back(L"hide" + std::to_wstring(i), StoredFormOfKey(settings.hideList[i]));
    values.emplace_back(L"focus", settings.hasFocusTarget ? StoredFormOfKey(settings.focusTarget) : L"");
    values.emplace_back(L"hotkeyMods", std::to_wstring(settings.hotkey.modifiers & 0xF));
    values.emplace_back(L"hotkeyVk", std::to_wstring(settings.hotkey.vk));
    values.emplace_back(L"mouseVk", std::to_wstring(settings.pointer.mouse.vk));
    values.emplace_back(L"mouseMods", std::to_wstring(settings.pointer.mouse.modifiers));
    values.emplace_back(L"hotCorner", std::to_wstring(static_cast<int>(settings.pointer.corner)));
    values.emplace_back(L"hotCornerMs", std::to_wstring(settings.pointer.cornerHoldMs));
    values.emplace_back(L"autoHideMinutes", std::to_wstring(settings.autoHideMinutes));
    values.emplace_back(L"noticeShown", settings.noticeShown ? L"1" : L"0");
    return values;
}

std::wstring SettingsFileText(const AppSettings& settings) {
    std::wstring text = L"[" + std::wstring(kSettingsSection) + L"]\r\n";
    for (const auto& [key, value] : ValuesOfSettings(settings)) {
        text += key;
        text += L'=';
        text += ProfileValue(value);
        text += L"\r\n";
    }
    return text;
}
