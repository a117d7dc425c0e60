#include "app/hub.h"
#include "engine/watchdog.h"
#include "engine/watchdog_args.h"
#include "ui/app_state.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR lpCmdLine, int) {
    // Before anything can load a library: whatever this process or the system on its behalf loads later comes
    // from System32, never from the exe's folder, the temporary folder or the current one.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    app.instance = hInstance;
    const std::wstring_view arguments = lpCmdLine ? std::wstring_view(lpCmdLine) : std::wstring_view();
    if (IsWatchdogStartCommandLine(arguments)) return RunWatchdogStarter(arguments);
    if (IsWatchdogCommandLine(arguments)) return RunWatchdog(arguments);
    return RunNormalRole(arguments);
}
