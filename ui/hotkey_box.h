// The hotkey box of the main window: what the user types into it becomes the registered, saved hotkey, or is
// refused and rolled back; an emptied box falls back to the default.
#pragma once
#include "triggers/hotkey_spec.h"

#include <string>

// Registers the toggle on the main window; whether the system took it.
bool RegisterOnMainWindow(HotkeySpec hotkey);
void SetHotkeyBox(HotkeySpec hotkey);
void OnHotkeyBoxNotify(bool focusLost);
void FallBackToDefaultHotkey();
// A change of a setting in the window is saved at once, with the list as it stands; the status line says what
// became of it.
void SayChangeSaved(const std::wstring& change);
