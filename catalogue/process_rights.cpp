#include "catalogue/process_rights.h"

bool OutranksUs(const ProcessRights& ours, const ProcessRights& theirs) {
    return ours.known && theirs.known && theirs.integrity > ours.integrity;
}

WatchdogFolder WatchdogFolderFor(const ProcessRights& ours, bool filesKeepAccessControl) {
    constexpr std::uint32_t kHighIntegrity = 0x3000;
    const bool elevated = !ours.known || ours.elevated || ours.integrity >= kHighIntegrity;
    return filesKeepAccessControl && elevated ? WatchdogFolder::AdminOnly : WatchdogFolder::Temporary;
}
