// Hiding when the user is away: one coalescable timer on the main window, set for the moment the absence can
// first reach its limit, never a poll.
#pragma once
#include <windows.h>

#include <string>

// Sets the timer for `minutes` after the last input, or ends it (off, or hidden already).
void ArmAbsenceTimer(HWND window, int minutes, bool hidden);
// TIMER_AWAY: whether the absence calls for a hide now; `note` then receives the start of the status line.
// The timer is set again either way.
bool AbsenceCallsForHide(HWND window, int minutes, bool hidden, std::wstring& note);
// A game, a video or a presentation fills the screen, as the system reports it.
bool FullScreenProgramInFront();
