// The watchdog: a copy of this executable that waits for the main process to end and restores what it left
// hidden.
#pragma once
#include <string_view>

void StartWatchdog();
void OnWatchdogTimer();
int RunWatchdog(std::wstring_view arguments);
