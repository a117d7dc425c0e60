// The usage notice that must be accepted once before the main window is first shown.
#pragma once
#include <windows.h>

bool ShowUsageNotice();
LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
