// The global toggle hotkey: its registration on a window, and its display text.
#pragma once
#include "triggers/hotkey_spec.h"

#include <windows.h>

#include <string>

inline constexpr int HOTKEY_ID_TOGGLE = 81;

// Registers the toggle on the window in place of the one it had; whether the system took it (another program
// may hold the combination).
bool RegisterToggleHotkey(HWND window, HotkeySpec hotkey);
void UnregisterToggleHotkey(HWND window);
std::wstring KeyDisplayName(std::int32_t vk);
std::wstring FormatHotkey(HotkeySpec hotkey);
