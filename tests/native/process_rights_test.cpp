#include "catalogue/process_rights.h"

#include <gtest/gtest.h>

TEST(ProcessRights, AHigherIntegrityOutranksUs) {
    const ProcessRights medium{true, 0x2000, false, L"S-1-5-21-1-1001"};
    const ProcessRights elevated{true, 0x3000, true, L"S-1-5-21-1-1001"};
    const ProcessRights otherUser{true, 0x2000, false, L"S-1-5-21-1-1002"};
    EXPECT_TRUE(OutranksUs(medium, elevated));
    EXPECT_FALSE(OutranksUs(elevated, medium) || OutranksUs(medium, otherUser));
    EXPECT_FALSE(OutranksUs(medium, ProcessRights{})); // rights that cannot be read decide nothing
}

TEST(ProcessRights, AnElevatedWatchdogRunsFromAFolderOnlyAdministratorsMayWriteTo) {
    const ProcessRights elevated{true, 0x3000, true, L"S-1-5-21-1-1001"};
    EXPECT_EQ(WatchdogFolderFor({true, 0x2000, false, L"S-1-5-21-1-1001"}, true), WatchdogFolder::Temporary);
    EXPECT_EQ(WatchdogFolderFor(elevated, true), WatchdogFolder::AdminOnly);
    EXPECT_EQ(WatchdogFolderFor({true, 0x3000, false, L"S-1-5-21-1-1001"}, true), WatchdogFolder::AdminOnly);
    EXPECT_EQ(WatchdogFolderFor(ProcessRights{}, true),
              WatchdogFolder::AdminOnly);                                     // unknown counts as elevated
    EXPECT_EQ(WatchdogFolderFor(elevated, false), WatchdogFolder::Temporary); // nothing keeps others out
}
