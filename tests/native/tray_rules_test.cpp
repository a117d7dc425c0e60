#include "ui/list_watch_rules.h"
#include "ui/tray_rules.h"

#include <gtest/gtest.h>

#include <vector>

TEST(NextTrayRetryDelayMs, StartsAtOneSecondAndDoublesUpToHalfAMinute) {
    std::vector<unsigned> delays;
    unsigned delay = 0;
    for (int i = 0; i < 8; ++i)
        delays.push_back(delay = NextTrayRetryDelayMs(delay));
    EXPECT_EQ(delays, (std::vector<unsigned>{1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000}));
}

TEST(StartupEntryDisabled, AnOddFirstByteIsDisabledAndNoValueIsEnabled) {
    const std::vector<std::uint8_t> enabled = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> disabled = {3, 0, 0, 0, 0x5E, 0x1B, 0xC4, 0x02, 0xA1, 0xD7, 0xD9, 0x01};
    EXPECT_FALSE(StartupEntryDisabled(enabled));
    EXPECT_TRUE(StartupEntryDisabled(disabled));
    EXPECT_TRUE(StartupEntryDisabled(std::vector<std::uint8_t>{1}));
    EXPECT_FALSE(StartupEntryDisabled(std::vector<std::uint8_t>{6}));
    EXPECT_FALSE(StartupEntryDisabled({}));
}

TEST(ListLookDue, TrustedEventsSpareTheLookUntilOneArrivesOrTheSafetyLookIsDue) {
    // Wine tells of no change: every tick looks.
    EXPECT_TRUE(ListLookDue(ListLookCause::Tick, 800, false, false));
    EXPECT_FALSE(ListLookDue(ListLookCause::Tick, 800, true, false));
    EXPECT_TRUE(ListLookDue(ListLookCause::Tick, 800, true, true));
    EXPECT_FALSE(ListLookDue(ListLookCause::Tick, kListSafetyLookMs - 1, true, false));
    EXPECT_TRUE(ListLookDue(ListLookCause::Tick, kListSafetyLookMs, true, false));
    // An activation right after a fill or a look waits for the next tick, events or not.
    EXPECT_FALSE(ListLookDue(ListLookCause::Activation, 799, false, true));
    EXPECT_TRUE(ListLookDue(ListLookCause::Activation, 800, false, false));
}
