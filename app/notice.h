// The usage notice that must be accepted once before the main window is first shown.
#pragma once
#include <windows.h>

bool ShowUsageNotice();
// Closes the notice on the screen as the user's refusal (a second start asked for --exit).
void RefuseUsageNotice();
LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
