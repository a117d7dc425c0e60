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
