// The hotkey box of the main window: what the user types into it becomes the registered, saved hotkey, or is
// refused and rolled back; an emptied box falls back to the default.
#pragma once
#include "triggers/hotkey_spec.h"

// Registers the toggle on the main window; whether the system took it.
bool RegisterOnMainWindow(HotkeySpec hotkey);
void SetHotkeyBox(HotkeySpec hotkey);
void OnHotkeyBoxNotify(bool focusLost);
void FallBackToDefaultHotkey();
