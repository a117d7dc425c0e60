#include "triggers/hotkey.h"

bool RegisterToggleHotkey(HWND window, HotkeySpec hotkey) {
    UnregisterToggleHotkey(window);
    return RegisterHotKey(window, HOTKEY_ID_TOGGLE, static_cast<UINT>(hotkey.modifiers | kModNoRepeat),
                          static_cast<UINT>(hotkey.vk)) != FALSE;
}

void UnregisterToggleHotkey(HWND window) {
    UnregisterHotKey(window, HOTKEY_ID_TOGGLE);
}

std::wstring KeyDisplayName(std::int32_t vk) {
    if (FixedKeyName(vk)) return KeyDisplayNameFrom(vk, {});
    wchar_t name[64] = {};
    const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    if (scanCode != 0 && GetKeyNameTextW(static_cast<LONG>(scanCode) << 16, name, 64) > 0) {
        return KeyDisplayNameFrom(vk, name);
    }
    return KeyDisplayNameFrom(vk, {});
}

std::wstring FormatHotkey(HotkeySpec hotkey) {
    return FormatHotkeyWith(hotkey.modifiers, KeyDisplayName(hotkey.vk));
}
