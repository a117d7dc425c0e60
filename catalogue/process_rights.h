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

// A watchdog started on behalf of `parent` takes that process's rights: only a parent with exactly ours may
// adopt it, or the watchdog could not put back the windows Veltrano hid.
bool MayAdoptWatchdog(const ProcessRights& ours, const ProcessRights& parent);
