// What a screen reader needs beyond what the controls and their labels tell it: a name for the controls no
// label precedes, and the status line read out when it changes.
#pragma once
#include <windows.h>

// Once a screen reader runs (now, or when it says so later): the annotation service is not loaded for users
// without one.
void AnnotateForScreenReaders();
// The status line's text has changed.
void AnnounceStatus(HWND status);
