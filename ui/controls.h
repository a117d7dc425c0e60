// The sixteen controls of the main window, their fonts and their placement.
#pragma once
#include <windows.h>

void CreateFonts(HWND mainWindow);
void CreateControls(HWND mainWindow);
void ApplyFonts(HWND mainWindow);
void LayoutControls(HWND mainWindow);
