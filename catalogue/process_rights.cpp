#include "catalogue/process_rights.h"

bool OutranksUs(const ProcessRights& ours, const ProcessRights& theirs) {
    return ours.known && theirs.known && theirs.integrity > ours.integrity;
}

bool MayAdoptWatchdog(const ProcessRights& ours, const ProcessRights& parent) {
    return ours.known && parent.known && !ours.user.empty() && parent.user == ours.user &&
           parent.integrity == ours.integrity && parent.elevated == ours.elevated;
}

WatchdogFolder WatchdogFolderFor(const ProcessRights& ours, bool filesKeepAccessControl) {
    constexpr std::uint32_t kHighIntegrity = 0x3000;
    const bool elevated = !ours.known || ours.elevated || ours.integrity >= kHighIntegrity;
    return filesKeepAccessControl && elevated ? WatchdogFolder::AdminOnly : WatchdogFolder::Temporary;
}
