#include "app/app_state.h"
#include "app/hub.h"
#include "engine/watchdog.h"
#include "engine/watchdog_args.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR lpCmdLine, int) {
    app.instance = hInstance;
    const std::wstring_view arguments = lpCmdLine ? std::wstring_view(lpCmdLine) : std::wstring_view();
    if (IsWatchdogCommandLine(arguments)) return RunWatchdog(arguments);
    return RunNormalRole(arguments);
}
