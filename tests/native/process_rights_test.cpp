#include "catalogue/process_rights.h"

#include <gtest/gtest.h>

TEST(ProcessRights, AHigherIntegrityOutranksUsAndOnlyOurEqualMayAdoptTheWatchdog) {
    const ProcessRights medium{true, 0x2000, false, L"S-1-5-21-1-1001"};
    ProcessRights elevated = medium;
    elevated.integrity = 0x3000;
    elevated.elevated = true;
    ProcessRights otherUser = medium;
    otherUser.user = L"S-1-5-21-1-1002";
    EXPECT_TRUE(OutranksUs(medium, elevated));
    EXPECT_FALSE(OutranksUs(elevated, medium));
    EXPECT_FALSE(OutranksUs(medium, otherUser));
    EXPECT_FALSE(OutranksUs(medium, ProcessRights{})); // rights that cannot be read decide nothing
    EXPECT_TRUE(MayAdoptWatchdog(medium, medium));
    EXPECT_FALSE(MayAdoptWatchdog(elevated, medium)); // the watchdog would lose the rights it needs
    EXPECT_FALSE(MayAdoptWatchdog(medium, elevated));
    EXPECT_FALSE(MayAdoptWatchdog(medium, otherUser));
    EXPECT_FALSE(MayAdoptWatchdog(medium, ProcessRights{}));
}
