// Keeping hidden what the user hid until the next press: a hidden window its program shows again, and a new
// window owned by a hidden one, go out of sight too. The system's window events trigger a look at once
// where it sends them (Windows does; Wine sends only the creation of other programs' windows), and a light
// periodic look at the hidden set is the safety net.
#pragma once
#include <windows.h>

#include <vector>

// Starts watching; `topLevel` is every top-level window at the moment of hiding.
void StartHiddenWatch(const std::vector<HWND>& topLevel);
void StopHiddenWatch();
// TIMER_HIDDEN_WATCH_SOON: a window event asked for a look.
void OnHiddenWatchSoon();
// WM_HIDDEN_SHOWN: the periodic look found a watched window visible.
void OnHiddenWindowShown();
// The windows the periodic look watches have changed (nothing to do while it does not run).
void PublishWatchedWindows();
