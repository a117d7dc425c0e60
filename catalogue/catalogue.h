// Enumerating and describing other programs' top-level windows.
#pragma once
#include "catalogue/window_types.h"

#include <windows.h>

#include <vector>

bool IsWindowCloaked(HWND hwnd);
std::wstring GetWindowProcessName(HWND hwnd);
// Tests 1 to 6 of the candidate filter; the title test is made by the enumerations once the title is read.
bool IsCandidateWindow(HWND hwnd);
// The title as the candidate filter reads it: at most 511 units.
std::wstring ReadWindowTitle(HWND hwnd);

std::vector<WindowEntry> EnumerateCandidateWindows();
std::vector<HWND> EnumerateAllTopLevelWindows();
WindowEntry DescribeWindow(HWND hwnd);
WindowSnapshot TakeWindowSnapshot();
