// What one program may do to another, and which places on disk a program may trust, judged from the rights
// each runs with and what each place's security descriptor says. Pure: the shell reads the rights and
// descriptors.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ProcessRights {
    bool known = false;          // the system let the rights be read
    std::uint32_t integrity = 0; // the integrity level: the last part of the mandatory label, 0x2000 medium
    bool elevated = false;
    std::wstring user; // the user's security identifier, as text
};

inline constexpr std::uint32_t kMediumIntegrity = 0x2000;

// The system keeps a program from changing the windows of one that runs at a higher integrity level (an
// elevated program, for an unelevated Veltrano). Unknown rights decide nothing.
bool OutranksUs(const ProcessRights& ours, const ProcessRights& theirs);

// One entry of a place's access list.
struct AccessEntry {
    enum class Kind { Allow, Deny, Other };
    Kind kind = Kind::Other;
    std::uint32_t mask = 0;
    bool administratorsOrSystem = false; // the entry is for Administrators or for the system
};

// Who owns a place (a folder or a file) and who may do what to it.
struct PlaceAccess {
    bool ownerIsAdministratorsOrSystem = false;
    bool listPresent = false;   // there is an access list, so not everyone may do everything
    bool listProtected = false; // it inherits nothing from the folder above
    std::vector<AccessEntry> entries;
};

// Only administrators and the system may change the place or anything made in it: one of them owns it, its
// list inherits nothing, and every entry that allows more than reading and running is theirs.
bool OnlyAdministratorsMayWrite(const PlaceAccess& place);

// Which places the watchdog's copy and the state file may be kept in and read from.
enum class TrustedPlaces {
    // The user's temporary folder, the folder of the exe, and the fallbacks there: whoever may write to them
    // runs with Veltrano's rights already.
    Any,
    // Only a folder in the system's temporary folder that only administrators may write to, and in it only
    // files that only administrators may change.
    AdminOnly,
};

// An elevated Veltrano runs whatever lies at its watchdog copy's path with full rights and applies the state
// file's styles to elevated programs' windows, and every program of the user, elevated or not, may write to
// the temporary folder, to the exe's folder when it is the user's, and to the user's environment that names
// them. Rights that cannot be read count as elevated. Where files keep no access control (Wine), no place is
// safer than another.
TrustedPlaces TrustedPlacesFor(const ProcessRights& ours, bool filesKeepAccessControl);
