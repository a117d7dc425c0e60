#include "triggers/away_rules.h"
#include "triggers/hotkey_spec.h"
#include "triggers/pointer_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const MouseTrigger kCtrlSide1{kVkSideButton1, kModControl};

ButtonEvent Press(std::int32_t vk, std::int32_t modifiers, std::uint32_t ms) {
    return {vk, true, modifiers, ms};
}
ButtonEvent Release(std::int32_t vk, std::int32_t modifiers, std::uint32_t ms) {
    return {vk, false, modifiers, ms};
}

const std::vector<ScreenRect> kOneScreen = {{0, 0, 1920, 1080}};
// A laptop screen on the left, and a taller monitor to its right that reaches higher and lower.
const std::vector<ScreenRect> kTwoScreens = {{0, 0, 1920, 1080}, {1920, -200, 3360, 1240}};

} // namespace

TEST(MouseTrigger, OnlyThePressWithExactlyItsModifiersTogglesAndItsReleaseIsSwallowedWhateverIsHeldThen) {
    ClickState state;
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Press(kVkSideButton1, 0, 1000)), ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Release(kVkSideButton1, 0, 1050)), ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Press(kVkSideButton1, kModControl | kModShift, 2000)),
              ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Press(kVkSideButton1, kModControl | kModWin, 2100)),
              ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Press(kVkSideButton2, kModControl, 2200)), ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Press(kVkMiddleButton, kModControl, 2300)), ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Press(kVkSideButton1, kModControl, 3000)),
              ClickVerdict::SwallowAndToggle);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Press(0x01, kModControl, 3010)), ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Release(kVkSideButton1, 0, 3090)), ClickVerdict::Swallow);
    EXPECT_EQ(JudgeClick(state, kCtrlSide1, Release(kVkSideButton1, 0, 3100)), ClickVerdict::PassOn);
    EXPECT_EQ(JudgeClick(state, MouseTrigger{}, Press(kVkMiddleButton, 0, 4000)), ClickVerdict::PassOn);
}

TEST(MouseTrigger, ABounceOrAButtonRepeatingWhileHeldIsOnePress) {
    ClickState state;
    const MouseTrigger middle{kVkMiddleButton, 0};
    EXPECT_EQ(JudgeClick(state, middle, Press(kVkMiddleButton, 0, 0xFFFFFF80)),
              ClickVerdict::SwallowAndToggle);
    EXPECT_EQ(JudgeClick(state, middle, Release(kVkMiddleButton, 0, 0xFFFFFFA0)), ClickVerdict::Swallow);
    // The tick count wraps between the bounce and the first press.
    EXPECT_EQ(JudgeClick(state, middle, Press(kVkMiddleButton, 0, 0x40)), ClickVerdict::Swallow);
    EXPECT_EQ(JudgeClick(state, middle, Press(kVkMiddleButton, kModShift, 0x200)), ClickVerdict::Swallow);
    EXPECT_EQ(JudgeClick(state, middle, Press(kVkMiddleButton, 0, 0x300)), ClickVerdict::Swallow);
    EXPECT_EQ(JudgeClick(state, middle, Release(kVkMiddleButton, 0, 0x320)), ClickVerdict::Swallow);
    EXPECT_EQ(JudgeClick(state, middle, Press(kVkMiddleButton, 0, 0x300 + kPressRepeatMs + 1)),
              ClickVerdict::SwallowAndToggle);
}

TEST(HotCornerPlace, OnlyACornerWhereTheDesktopStopsThePointerBothWaysCounts) {
    EXPECT_TRUE(InHotCorner({0, 0}, HotCorner::TopLeft, kOneScreen));
    EXPECT_TRUE(InHotCorner({1919, 0}, HotCorner::TopRight, kOneScreen));
    EXPECT_TRUE(InHotCorner({0, 1079}, HotCorner::BottomLeft, kOneScreen));
    EXPECT_TRUE(InHotCorner({1919, 1079}, HotCorner::BottomRight, kOneScreen));
    // Reported beyond the edge while pushed there.
    EXPECT_TRUE(InHotCorner({-6, -3}, HotCorner::TopLeft, kOneScreen));
    EXPECT_FALSE(InHotCorner({1, 0}, HotCorner::TopLeft, kOneScreen));
    EXPECT_FALSE(InHotCorner({0, 0}, HotCorner::TopRight, kOneScreen));
    EXPECT_FALSE(InHotCorner({0, 0}, HotCorner::None, kOneScreen));
    EXPECT_FALSE(InHotCorner({0, 0}, HotCorner::TopLeft, {}));

    // The laptop's right corners face the taller monitor: inner corners. The monitor's left corners stick out
    // above and below the laptop: outer ones.
    EXPECT_FALSE(InHotCorner({1919, 0}, HotCorner::TopRight, kTwoScreens));
    EXPECT_FALSE(InHotCorner({1919, 1079}, HotCorner::BottomRight, kTwoScreens));
    EXPECT_TRUE(InHotCorner({1920, -200}, HotCorner::TopLeft, kTwoScreens));
    EXPECT_TRUE(InHotCorner({1920, 1239}, HotCorner::BottomLeft, kTwoScreens));
    EXPECT_TRUE(InHotCorner({3359, -200}, HotCorner::TopRight, kTwoScreens));
    // Two monitors of one height side by side: where they meet, the pointer goes on.
    const std::vector<ScreenRect> even = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
    EXPECT_FALSE(InHotCorner({1919, 0}, HotCorner::TopRight, even));
    EXPECT_FALSE(InHotCorner({1920, 0}, HotCorner::TopLeft, even));
    EXPECT_TRUE(InHotCorner({3839, 0}, HotCorner::TopRight, even));
}

TEST(HotCornerHold, AsksOnceWhenHeldLongEnoughAndAgainOnlyAfterLeaving) {
    CornerDwell dwell;
    EXPECT_EQ(StepCornerDwell(dwell, false, 100, 300).lookAgainInMs, std::nullopt);
    CornerStep step = StepCornerDwell(dwell, true, 1000, 300);
    EXPECT_FALSE(step.toggle);
    EXPECT_EQ(step.lookAgainInMs, 300u);
    step = StepCornerDwell(dwell, true, 1250, 300);
    EXPECT_FALSE(step.toggle);
    EXPECT_EQ(step.lookAgainInMs, 50u);
    EXPECT_TRUE(StepCornerDwell(dwell, true, 1300, 300).toggle);
    step = StepCornerDwell(dwell, true, 5000, 300);
    EXPECT_FALSE(step.toggle);
    EXPECT_EQ(step.lookAgainInMs, std::nullopt);
    // Left before the hold is over: nothing.
    StepCornerDwell(dwell, false, 5100, 300);
    StepCornerDwell(dwell, true, 5200, 300);
    StepCornerDwell(dwell, false, 5400, 300);
    EXPECT_FALSE(StepCornerDwell(dwell, true, 5600, 300).toggle);
    EXPECT_TRUE(StepCornerDwell(dwell, true, 5900, 300).toggle);
}

TEST(HookWatch, APressOnlyRawInputSawTellsThatTheSystemRemovedTheHook) {
    HookWatch watch;
    HookSawPress(watch, 1000);
    EXPECT_EQ(RawSawPress(watch, 1002), std::nullopt);
    // Raw input first, the hook a moment later, each with its own time.
    EXPECT_EQ(RawSawPress(watch, 5000), kHookMatchMs);
    HookSawPress(watch, 4998);
    EXPECT_FALSE(HookLost(watch, 7000));
    // The hook sees nothing any more.
    EXPECT_EQ(RawSawPress(watch, 9000), kHookMatchMs);
    EXPECT_EQ(RawSawPress(watch, 9100), std::nullopt);
    EXPECT_FALSE(HookLost(watch, 9000 + kHookMatchMs - 1));
    EXPECT_TRUE(HookLost(watch, 9000 + kHookMatchMs));
    EXPECT_FALSE(HookLost(watch, 9000 + 2 * kHookMatchMs));
}

TEST(Absence, HidesOnceWhenTheLimitIsReachedAndLooksNoMoreOftenThanItMust) {
    constexpr std::uint32_t kFiveMinutes = 5 * 60000;
    EXPECT_EQ(CheckAbsence(0, kFiveMinutes * 9, false, false, false).lookAgainInMs, std::nullopt);
    EXPECT_EQ(CheckAbsence(5, kFiveMinutes * 9, true, false, false).lookAgainInMs, std::nullopt);
    EXPECT_FALSE(CheckAbsence(5, kFiveMinutes * 9, true, false, false).hideNow);
    AwayCheck check = CheckAbsence(5, 60000, false, false, false);
    EXPECT_FALSE(check.hideNow);
    EXPECT_EQ(check.lookAgainInMs, 4 * 60000u);
    EXPECT_TRUE(CheckAbsence(5, kFiveMinutes, false, false, false).hideNow);
    // Once per absence: a restore without input (a script's --toggle) is not followed by another hide.
    check = CheckAbsence(5, kFiveMinutes + 1, false, true, false);
    EXPECT_FALSE(check.hideNow);
    EXPECT_EQ(check.lookAgainInMs, kFiveMinutes);
    check = CheckAbsence(5, kFiveMinutes * 3, false, false, true);
    EXPECT_FALSE(check.hideNow);
    EXPECT_EQ(check.lookAgainInMs, kFiveMinutes);
    EXPECT_TRUE(CheckAbsence(1440, 1440u * 60000, false, false, false).hideNow);
}

TEST(Absence, AFullScreenProgramIsWhatWindowsCallsBusyDirect3DOrPresenting) {
    for (int state = 0; state <= 8; ++state)
        EXPECT_EQ(FullScreenInFront(state), state == 2 || state == 3 || state == 4) << state;
}

TEST(TriggerTexts, NameTheButtonCornerAndAbsence) {
    EXPECT_EQ(MouseTriggerName({kVkMiddleButton, 0}), L"中键");
    EXPECT_EQ(MouseTriggerName({kVkSideButton2, kModControl | kModAlt}), L"Ctrl+Alt+侧键 2（前进）");
    EXPECT_EQ(MouseTriggerName({}), L"无");
    EXPECT_EQ(HotCornerName(HotCorner::BottomLeft), L"左下角");
    EXPECT_EQ(AwayNote(5, 9, 7), L"离开 5 分钟（09:07 起无操作），");
}
