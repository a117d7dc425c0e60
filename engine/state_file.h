// "veltrano.hidden": the on-disk copy of the hidden set, read back by the watchdog or the next start.
#pragma once
#include <windows.h>

#include <string>

inline constexpr UINT kFrameRefreshFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

std::wstring StateFilePath();
void WriteStateFile();
int RestoreFromStateFile();

// The one way a hidden window is put back: saved style, frame refresh, shown as it was, taskbar button unless
// it was a tool window before.
void ApplyRestore(HWND hwnd, LONG_PTR savedExStyle, bool minimized);
