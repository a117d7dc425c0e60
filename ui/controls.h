// The controls of the main window, their fonts and their placement.
#pragma once
#include "ui/layout.h"

#include <windows.h>

void CreateFonts(HWND mainWindow);
void CreateControls(HWND mainWindow);
void ApplyFonts(HWND mainWindow);
void LayoutControls(HWND mainWindow);
// WM_SIZE: the first show, and a restore from the taskbar, leave the size as it was laid out.
void LayoutControlsIfResized(HWND mainWindow);
// Sizes the new main window for its layout at the DPI of the monitor it opens on, inside that monitor's work
// area.
void FitMainWindow(HWND mainWindow);
// The list's row height, for the current DPI.
void SetRowHeight();
// The work area of the monitor the window is on.
Rect WorkAreaOf(HWND window);
