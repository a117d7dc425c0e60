// The mouse button and the screen corner: a low-level mouse hook on a thread of its own, which answers every
// mouse event at once and posts what it finds to the window it serves. While neither is chosen there is no
// thread and no hook.
#pragma once
#include "triggers/pointer_rules.h"

#include <windows.h>

// Starts, changes or ends the watch for `window`; ERROR_SUCCESS, or why the system would not set the hook.
DWORD WatchPointer(HWND window, const PointerTriggers& triggers);
void StopWatchingPointer();
// Monitors were added, removed or moved (WM_DISPLAYCHANGE): the corners are elsewhere.
void OnMonitorsChanged();
