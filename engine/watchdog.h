// The watchdog: a copy of this executable that waits for the main process to end and restores what it left
// hidden.
#pragma once
#include <string_view>

void StartWatchdog();
// WM_WATCHDOG_ENDED and TIMER_WATCHDOG: a watchdog that is gone is replaced.
void OnWatchdogEnded();
int RunWatchdog(std::wstring_view arguments);
