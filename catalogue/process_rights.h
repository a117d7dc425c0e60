// What one program may do to another, judged from the rights each runs with. Pure: the shell reads the
// rights.
#pragma once
#include <cstdint>
#include <string>

struct ProcessRights {
    bool known = false;          // the system let the rights be read
    std::uint32_t integrity = 0; // the integrity level: the last part of the mandatory label, 0x2000 medium
    bool elevated = false;
    std::wstring user; // the user's security identifier, as text
};

// The system keeps a program from changing the windows of one that runs at a higher integrity level (an
// elevated program, for an unelevated Veltrano). Unknown rights decide nothing.
bool OutranksUs(const ProcessRights& ours, const ProcessRights& theirs);

// Where the watchdog's copy of the exe is written and started from.
enum class WatchdogFolder {
    Temporary, // the user's temporary folder: whoever may write there runs with Veltrano's rights already
    AdminOnly, // a folder in it that only administrators and the system may write to
};

// An elevated watchdog runs whatever lies at its copy's path with full rights, and every program of the user,
// elevated or not, may write to the temporary folder: it needs a folder of its own. Rights that cannot be
// read count as elevated. Where files keep no access control (Wine), no folder is safer than another.
WatchdogFolder WatchdogFolderFor(const ProcessRights& ours, bool filesKeepAccessControl);
