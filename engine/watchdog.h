// The watchdog: a copy of this executable that waits for the main process to end and restores what it left
// hidden.
#pragma once
#include "base/handles.h"

#include <string>
#include <string_view>

void StartWatchdog();
// WM_WATCHDOG_ENDED and TIMER_WATCHDOG: a watchdog that is gone is replaced.
void OnWatchdogEnded();
// The process that starts the watchdog: it returns the watchdog's handle in the caller's handle table, or 0.
int RunWatchdogStarter(std::wstring_view arguments);
int RunWatchdog(std::wstring_view arguments);

// A folder opened without delete sharing: while it is held, nobody can rename, delete or replace it.
struct HeldFolder {
    UniqueHandle handle;
    std::wstring path; // with a trailing backslash
};

// Whether only administrators and the system may change what the descriptor guards or anything made in it:
// one of them owns it, its DACL inherits nothing, and every entry that allows more than reading and running
// is theirs.
bool OnlyAdministratorsMayWrite(PSECURITY_DESCRIPTOR descriptor);

// The folder "vlt-guard-admin" in `parent` (which ends in a backslash), made for administrators alone, or
// checked when it is there already; where it fails the check, a folder with a name of its own is made
// instead. No handle where no such folder could be had.
HeldFolder HoldAdminOnlyFolder(const std::wstring& parent);
