// The watchdog: a copy of this executable that waits for the main process to end and restores what it left
// hidden.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

void StartWatchdog();

// What the host's message loop waits on besides its messages, so that a watchdog that ends is replaced at
// once with no thread to wait for it: the process starting the watchdog until its time is up, then the
// watchdog. No handle while none runs.
struct WatchdogWait {
    HANDLE handle = nullptr;
    DWORD timeoutMs = INFINITE;
};
WatchdogWait CurrentWatchdogWait();
// That wait ended, TIMER_WATCHDOG, or a hide is about to begin: a watchdog that is gone is replaced.
void OnWatchdogEnded();
// The process that starts the watchdog: it returns the watchdog's handle in the caller's handle table, or 0.
int RunWatchdogStarter(std::wstring_view arguments);
int RunWatchdog(std::wstring_view arguments);
