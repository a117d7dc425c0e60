// "veltrano.hidden": the on-disk copy of the hidden set, read back by the watchdog or the next start.
#pragma once
#include <windows.h>

#include <string>

inline constexpr UINT kFrameRefreshFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

std::wstring StateFilePath();
void WriteStateFile();
int RestoreFromStateFile();
