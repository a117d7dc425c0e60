#include "app/app_state.h"
#include "app/hub.h"
#include "engine/watchdog.h"
#include "engine/watchdog_args.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    app.instance = instance;
    const std::wstring_view arguments = commandLine ? std::wstring_view(commandLine) : std::wstring_view();
    if (IsWatchdogCommandLine(arguments)) return RunWatchdog(arguments);
    return RunNormalRole();
}
