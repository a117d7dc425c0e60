// Enumerating and describing other programs' top-level windows.
#pragma once
#include "catalogue/process_rights.h"
#include "catalogue/window_types.h"

#include <windows.h>

#include <vector>

bool IsWindowCloaked(HWND hwnd);
// IsWindowVisible for a window EnumWindows reported. Such a window is top-level: its only parent is the
// desktop, so it is visible exactly when it carries WS_VISIBLE, which one style read tells; IsWindowVisible
// asks for the parents as well, a second round trip to the window server under Wine.
bool IsTopLevelWindowVisible(HWND hwnd);
std::wstring GetWindowProcessName(HWND hwnd);
// The file name of a process's executable; empty when it cannot be told.
std::wstring ProcessNameOfId(DWORD processId);
// The rights a process runs with; not known where the system does not let them be read.
ProcessRights RightsOfProcess(HANDLE process);
ProcessRights RightsOfProcessId(DWORD processId);
// Tests 1 to 6 of the candidate filter, for any window; the title test is made by the enumerations, which
// read the title.
bool IsCandidateWindow(HWND hwnd);
// The title as the candidate filter reads it: at most 511 units.
std::wstring ReadWindowTitle(HWND hwnd);

// `withCloaked`: cloaked windows too, marked as such, for a hide to find ticked windows on other desktops.
std::vector<WindowEntry> EnumerateCandidateWindows(bool withCloaked = false);
std::vector<HWND> EnumerateAllTopLevelWindows();
WindowEntry DescribeWindow(HWND hwnd);
WindowSnapshot TakeWindowSnapshot();
