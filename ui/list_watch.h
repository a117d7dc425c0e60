// Keeping the window list in step with the desktop while the main window can be seen: a tick every 800 ms
// compares a fresh snapshot with the list, and rebuilds the list on a difference. Where the system tells of
// other programs' window changes, a tick after none takes no snapshot.
#pragma once
#include <windows.h>

// The main window was shown or restored from the taskbar.
void StartListWatch(HWND window);
// TIMER_LIST_WATCH; the watch ends itself once the main window is hidden or minimised.
void OnListWatchTick(HWND window);
void OnMainWindowActivated();
// Every hidden window came back: the list looks now.
void RefreshListIfWindowsChanged();
void StopListWatch(HWND window);
