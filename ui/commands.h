// The user-facing half of the main window procedure: commands, list notifications, colours and sizing.
#pragma once
#include <windows.h>

// What the user asked for that only the program's hub can do.
enum class UserCommand { None, Toggle };

UserCommand OnCommand(WPARAM wParam);
LRESULT OnNotify(NMHDR& header);
LRESULT OnCtlColorStatic(HDC dc, HWND control);
LRESULT OnCtlColorButton(HDC dc);
void OnEraseBackground(HWND window, HDC dc);
// The palette for the system's colours and whether high contrast is on; the brush follows it.
void UpdatePalette();
// A theme, high contrast or a system colour changed: the window and its controls are painted anew.
void OnColorsChanged(HWND window);
void OnGetMinMaxInfo(HWND window, MINMAXINFO& info);
void OnDpiChanged(HWND window, WPARAM wParam, const RECT& suggested);
