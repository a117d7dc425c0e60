// The main window from the keyboard, as a dialog is: Tab and Shift+Tab move in visual order, Enter presses
// the focused button or else the default one, Esc sends the window to the tray, F5 refreshes, Ctrl+S saves,
// F1 helps; the hotkey box keeps every key but Tab, since it takes the combination being set.
#pragma once
#include <windows.h>

void CreateKeyboardShortcuts();
// Whether the message was a key the main window took as a dialog does; it is not to be dispatched then.
bool TranslateMainWindowKeys(MSG& message);
// WM_ACTIVATE: the focus leaves with the window and comes back to the control that had it.
void OnMainWindowActivation(bool active);
// The window opens anew (from the tray, the command line, a start): the list has the focus.
void FocusListNextTime();
