// Where an elevated Veltrano's watchdog is copied to and started from: a folder in the temporary folder that
// only administrators and the system may write to, so that no program of the user can plant a library there
// or swap the copy before it runs with full rights.
#pragma once
#include "base/handles.h"

#include <string>

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

bool FilesKeepAccessControl();
