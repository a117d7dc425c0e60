// Where an elevated Veltrano keeps its watchdog's copy and its state file: a folder in the system's temporary
// folder that only administrators and the system may write to, so that no program of the user can plant a
// library there, swap the copy before it runs with full rights, or write the records it applies to elevated
// programs' windows.
#pragma once
#include "base/handles.h"
#include "catalogue/process_rights.h"

#include <string>

// A folder or file opened without delete sharing (a file without write sharing either): while it is held,
// nobody can rename, delete or replace it. Its path is the one the system gives for the handle, every link on
// the way resolved.
struct HeldPlace {
    UniqueHandle handle;
    std::wstring path; // a folder's with a trailing backslash
};

// What the descriptor, or the security of what the handle opens, says of its owner and access list; nothing
// allowed where it cannot be read.
PlaceAccess AccessOfDescriptor(PSECURITY_DESCRIPTOR descriptor);
PlaceAccess AccessOfHandle(HANDLE handle);

// The folder "vlt-guard-admin" in `parent` (which ends in a backslash), made for administrators alone, or
// checked when it is there already; where it fails the check, a folder with a name of its own is made
// instead. No handle where no such folder could be had.
HeldPlace HoldAdminOnlyFolder(const std::wstring& parent);

// That folder in the system's temporary folder, which the system names, not the user's environment. It is
// held from the first call to the end of the process, so that every copy and state file of a run lies in the
// one folder the watchdog was told of; tried again while none could be had.
const HeldPlace& AdminOnlyFolder();

// A copy of the running exe named `name` in `folder`, made only administrators' and the system's (whoever the
// system would make its owner), and held without write or delete sharing, so that what starts from it is what
// was written and checked. No handle where it cannot be made or fails the check.
HeldPlace HoldCopyOfExecutable(const HeldPlace& folder, const std::wstring& name);

// The security a file made in the admin-only folder gets.
UniqueLocalMemory AdminOnlyFileDescriptor();

// Which places this process may use, from its own rights; read once.
TrustedPlaces TrustedPlacesOfThisProcess();
