#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(StartCommand, EachSwitchAloneAsksForItsCommandAndAnythingElseIsUnknown) {
    EXPECT_EQ(ParseStartCommand(L""), StartCommand::Normal);
    EXPECT_EQ(ParseStartCommand(L" \t"), StartCommand::Normal);
    EXPECT_EQ(ParseStartCommand(L"--tray"), StartCommand::Tray);
    EXPECT_EQ(ParseStartCommand(L" --TOGGLE "), StartCommand::Toggle);
    EXPECT_EQ(ParseStartCommand(L"--show"), StartCommand::Show);
    EXPECT_EQ(ParseStartCommand(L"--Exit"), StartCommand::Exit);
    for (const wchar_t* other : {L"--watchdog", L"--tray --show", L"/tray", L"-tray", L"--trays", L"tray"})
        EXPECT_EQ(ParseStartCommand(other), StartCommand::Unknown) << other;
    EXPECT_FALSE(IsForRunningInstance(StartCommand::Tray));
    EXPECT_TRUE(IsForRunningInstance(StartCommand::Toggle) && IsForRunningInstance(StartCommand::Show) &&
                IsForRunningInstance(StartCommand::Exit));
    EXPECT_EQ(UnknownSwitchText(L" --bogus ").rfind(L"不认识的参数：--bogus\n", 0), 0u);
}

// An elevated instance's mutex is guarded against an unelevated start: it runs all the same.
TEST(StartCommand, AnInstanceRunsWhenItsMutexIsThereOrGuardedAndCommandsWaitForConsent) {
    EXPECT_TRUE(AnotherInstanceRuns(InstanceMutex::AlreadyThere));
    EXPECT_TRUE(AnotherInstanceRuns(InstanceMutex::Guarded));
    EXPECT_FALSE(AnotherInstanceRuns(InstanceMutex::Created) || AnotherInstanceRuns(InstanceMutex::Failed));
    EXPECT_EQ(CommandBeforeConsent(StartCommand::Toggle), BeforeConsent::KeepForAfter);
    EXPECT_EQ(CommandBeforeConsent(StartCommand::Show), BeforeConsent::KeepForAfter);
    EXPECT_EQ(CommandBeforeConsent(StartCommand::Exit), BeforeConsent::RefuseNotice);
    EXPECT_EQ(CommandBeforeConsent(StartCommand::Tray), BeforeConsent::Nothing);
}

// An elevated instance takes a command only from the user's own programs at medium integrity or above.
TEST(StartCommand, ACommandFromBelowReachesAnElevatedInstanceOnlyFromTheSameUserAtMediumOrAbove) {
    const ProcessRights elevated{true, 0x3000, true, L"S-1-5-21-1-1001"};
    EXPECT_TRUE(AboveMediumIntegrity(elevated));
    EXPECT_FALSE(AboveMediumIntegrity({true, 0x2000, false, L"S-1-5-21-1-1001"}) ||
                 AboveMediumIntegrity(ProcessRights{}));
    EXPECT_TRUE(AcceptsCommandFrom(elevated, {true, 0x2000, false, L"S-1-5-21-1-1001"}));
    EXPECT_TRUE(AcceptsCommandFrom(elevated, elevated));
    for (const ProcessRights& sender :
         {ProcessRights{true, 0x1000, false, L"S-1-5-21-1-1001"},   // sandboxed
          ProcessRights{true, 0x2000, false, L"S-1-5-21-1-1002"},   // another user
          ProcessRights{false, 0x2000, false, L"S-1-5-21-1-1001"}}) // unread
        EXPECT_FALSE(AcceptsCommandFrom(elevated, sender)) << sender.integrity;
    EXPECT_EQ(CommandPipeSecurity(L"S-1-5-21-1-1001"),
              L"D:P(A;;0x12008b;;;S-1-5-21-1-1001)S:(ML;;NWNR;;;ME)");
    EXPECT_NE(CommandPipeName(1), CommandPipeName(2));
}
