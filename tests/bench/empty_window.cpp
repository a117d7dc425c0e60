// vlt-empty-window.exe: the least a Win32 program does before the user sees it — one window class, one window
// of the main window's size, shown, and a message loop. Its start-up time is the reference for
// veltrano.exe's. Never shipped: a benchmark-only program.
#include "tests/bench/reference_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HWND window = OpenReferenceWindow(instance, L"VltEmptyWindow", L"Empty");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    RunReferenceLoop();
    return 0;
}
