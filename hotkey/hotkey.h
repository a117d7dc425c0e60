// The global toggle hotkey: registration, the hotkey box, and its display text.
#pragma once
#include "hotkey/hotkey_spec.h"

#include <string>

bool RegisterToggleHotkey(HotkeySpec hotkey);
std::wstring KeyDisplayName(std::int32_t vk);
std::wstring FormatHotkey(HotkeySpec hotkey);
void SetHotkeyBox(HotkeySpec hotkey);
void OnHotkeyBoxNotify(bool focusLost);
void FallBackToDefaultHotkey();
