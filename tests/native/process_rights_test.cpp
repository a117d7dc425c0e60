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

TEST(ProcessRights, AnElevatedRunKeepsToPlacesOnlyAdministratorsMayWriteTo) {
    const ProcessRights elevated{true, 0x3000, true, L"S-1-5-21-1-1001"};
    EXPECT_EQ(TrustedPlacesFor({true, 0x2000, false, L"S-1-5-21-1-1001"}, true), TrustedPlaces::Any);
    EXPECT_EQ(TrustedPlacesFor(elevated, true), TrustedPlaces::AdminOnly);
    EXPECT_EQ(TrustedPlacesFor({true, 0x3000, false, L"S-1-5-21-1-1001"}, true), TrustedPlaces::AdminOnly);
    EXPECT_EQ(TrustedPlacesFor(ProcessRights{}, true),
              TrustedPlaces::AdminOnly);                              // unknown counts as elevated
    EXPECT_EQ(TrustedPlacesFor(elevated, false), TrustedPlaces::Any); // nothing keeps others out
}

TEST(ProcessRights, OnlyAPlaceNoOneButAdministratorsMayChangeIsAdminOnly) {
    const AccessEntry adminsFull{AccessEntry::Kind::Allow, 0x1F01FF, true};
    const AccessEntry usersRead{AccessEntry::Kind::Allow, 0x1200A9, false};
    const PlaceAccess adminOnly{
        true, true, true, {adminsFull, usersRead, {AccessEntry::Kind::Deny, 0x1F01FF, false}}};
    EXPECT_TRUE(OnlyAdministratorsMayWrite(adminOnly));
    PlaceAccess place = adminOnly;
    place.entries.push_back({AccessEntry::Kind::Allow, 0x2, false}); // a user may write
    EXPECT_FALSE(OnlyAdministratorsMayWrite(place));
    place = adminOnly;
    place.entries.push_back({AccessEntry::Kind::Other, 0x1200A9, false}); // an object or callback entry
    EXPECT_FALSE(OnlyAdministratorsMayWrite(place));
    for (auto open : {&PlaceAccess::ownerIsAdministratorsOrSystem, &PlaceAccess::listPresent,
                      &PlaceAccess::listProtected}) {
        place = adminOnly;
        place.*open =
            false; // the user owns it, everyone may do anything, or it inherits the parent's entries
        EXPECT_FALSE(OnlyAdministratorsMayWrite(place));
    }
}
