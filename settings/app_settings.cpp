#include "settings/app_settings.h"

#include <algorithm>

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
    settings.noticeShown = reader.readInt(L"noticeShown", 0) != 0;
    return settings;
}

void WriteSettings(const AppSettings& settings, const ProfileWriter& write) {
    write(L"hideCount", std::nullopt);
    write(L"hideCount", std::to_wstring(settings.hideList.size()));
    for (std::size_t i = 0; i < settings.hideList.size(); ++i) {
        write(L"hide" + std::to_wstring(i), StoredFormOfKey(settings.hideList[i]));
    }
    write(L"focus", settings.hasFocusTarget ? StoredFormOfKey(settings.focusTarget) : std::wstring());
    write(L"hotkeyMods", std::to_wstring(settings.hotkey.modifiers & 0xF));
    write(L"hotkeyVk", std::to_wstring(settings.hotkey.vk));
    write(L"noticeShown", settings.noticeShown ? L"1" : L"0");
}
