// The main window's class and procedure (the event hub), and the normal role's start-up.
#pragma once
#include "triggers/trigger.h"

#include <windows.h>

#include <string_view>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers "VeltranoClass" and creates the hidden main window, running its creation sequence.
HWND CreateMainWindow();
// Hides or restores, as the hotkey, the button, the tray menu and a second start's --toggle ask.
void ToggleHidden();
// Every way of asking for a toggle, and the user's absence, which asks only for a hide.
void OnTrigger(Trigger trigger);
LONG WINAPI LastChanceFilter(EXCEPTION_POINTERS* exception);
// `arguments`: the command line after the program name (--tray, --toggle, --show, --exit or nothing).
int RunNormalRole(std::wstring_view arguments);
