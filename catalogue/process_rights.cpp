#include "catalogue/process_rights.h"

bool OutranksUs(const ProcessRights& ours, const ProcessRights& theirs) {
    return ours.known && theirs.known && theirs.integrity > ours.integrity;
}

bool OnlyAdministratorsMayWrite(const PlaceAccess& place) {
    if (!place.ownerIsAdministratorsOrSystem || !place.listPresent || !place.listProtected) return false;
    // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | GENERIC_READ | GENERIC_EXECUTE
    constexpr std::uint32_t kReadAndRun = 0x001200A9u | 0x80000000u | 0x20000000u;
    for (const AccessEntry& entry : place.entries) {
        // The other kinds of entry (object, callback) may allow as well, and none is made here.
        if (entry.kind == AccessEntry::Kind::Other) return false;
        if (entry.kind == AccessEntry::Kind::Allow && (entry.mask & ~kReadAndRun) &&
            !entry.administratorsOrSystem)
            return false;
    }
    return true;
}

TrustedPlaces TrustedPlacesFor(const ProcessRights& ours, bool filesKeepAccessControl) {
    constexpr std::uint32_t kHighIntegrity = 0x3000;
    const bool elevated = !ours.known || ours.elevated || ours.integrity >= kHighIntegrity;
    return filesKeepAccessControl && elevated ? TrustedPlaces::AdminOnly : TrustedPlaces::Any;
}
