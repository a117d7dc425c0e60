// vlt-library-window.exe: the empty window program made to carry what Veltrano carries before it does any
// work of its own: the same system libraries (common controls 6 through the same manifest, COM, the shell,
// themes, the window manager's library, the taskbar-list object) and one list view. Its footprint and
// start-up are the floor for veltrano.exe's. Never shipped: a benchmark-only program.
#include "tests/bench/reference_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <shobjidl.h>

#include <initializer_list>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (const wchar_t* library : {L"shell32.dll", L"uxtheme.dll", L"dwmapi.dll"})
        LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HWND window = OpenReferenceWindow(instance, L"VltLibraryWindow", L"Libraries");
    CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 20, 20, 760, 480,
                    window, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    ITaskbarList* taskbarList = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                                   reinterpret_cast<void**>(&taskbarList))))
        taskbarList->HrInit();
    RunReferenceLoop();
    if (taskbarList) taskbarList->Release();
    CoUninitialize();
    return 0;
}
