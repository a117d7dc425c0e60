// The main window's class and procedure (the event hub), and the normal role's start-up.
#pragma once
#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers "VeltranoClass" and creates the hidden main window, running its creation sequence.
HWND CreateMainWindow();
LONG WINAPI LastChanceFilter(EXCEPTION_POINTERS* exception);
int RunNormalRole();
