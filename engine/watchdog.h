// The watchdog: a copy of this executable that waits for the main process to end and restores what it left
// hidden.
#pragma once
#include <string>
#include <string_view>

void StartWatchdog();
// WM_WATCHDOG_ENDED and TIMER_WATCHDOG: a watchdog that is gone is replaced.
void OnWatchdogEnded();
// The process that starts the watchdog: it returns the watchdog's handle in the caller's handle table, or 0.
int RunWatchdogStarter(std::wstring_view arguments);
int RunWatchdog(std::wstring_view arguments);
