#include "ui/ids.h"
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

std::map<int, ControlPlacement> ById(const MainLayout& layout) {
    std::map<int, ControlPlacement> byId;
    for (const ControlPlacement& placement : layout.controls)
        byId[placement.id] = placement;
    return byId;
}

void ExpectPlacement(const ControlPlacement& p, int x, int y, int width, int height) {
    EXPECT_EQ(p.x, x) << "control " << p.id;
    EXPECT_EQ(p.y, y) << "control " << p.id;
    EXPECT_EQ(p.width, width) << "control " << p.id;
    EXPECT_EQ(p.height, height) << "control " << p.id;
}

} // namespace

TEST(MainLayout, At96DpiEveryControlSitsWhereTheTableSays) {
    const auto layout = ComputeMainLayout(804, 621, 96, 17);
    ASSERT_TRUE(layout);
    auto c = ById(*layout);
    ASSERT_EQ(c.size(), 16u);
    ExpectPlacement(c[IDC_TITLE], 18, 18, 768, 32);
    ExpectPlacement(c[IDC_INTRO], 18, 50, 768, 20);
    ExpectPlacement(c[IDC_HELP], 804 - 18 - 76, 22, 76, 24);
    ExpectPlacement(c[IDC_HOTKEY_LABEL], 18, 78, 240, 22);
    ExpectPlacement(c[IDC_HOTKEY], 18, 102, 170, 28);
    ExpectPlacement(c[IDC_HOTKEY_HINT], 200, 107, 768 - 182, 20);
    ExpectPlacement(c[IDC_LIST_LABEL], 18, 144, 768, 22);
    ExpectPlacement(c[IDC_WINDOW_LIST], 18, 168, 768, 289);
    ExpectPlacement(c[IDC_TARGET_LABEL], 18, 471, 768, 22);
    ExpectPlacement(c[IDC_TARGET_COMBO], 18, 495, 768, 200);
    ExpectPlacement(c[IDC_REFRESH], 18, 539, 104, 32);
    ExpectPlacement(c[IDC_SAVE], 132, 539, 104, 32);
    ExpectPlacement(c[IDC_TOGGLE], 246, 539, 120, 32);
    ExpectPlacement(c[IDC_TO_TRAY], 376, 539, 128, 32);
    ExpectPlacement(c[IDC_EXIT], 514, 539, 76, 32);
    ExpectPlacement(c[IDC_STATUS], 18, 583, 768, 20);
    EXPECT_EQ(layout->titleColumnWidth, 557);
    EXPECT_EQ(layout->processColumnWidth, 190);
}

TEST(MainLayout, ControlsAreMovedInTheTablesOrder) {
    const auto layout = ComputeMainLayout(804, 621, 96, 17);
    ASSERT_TRUE(layout);
    const int order[] = {IDC_TITLE,   IDC_INTRO,       IDC_HELP,         IDC_HOTKEY_LABEL,
                         IDC_HOTKEY,  IDC_HOTKEY_HINT, IDC_TARGET_LABEL, IDC_TARGET_COMBO,
                         IDC_REFRESH, IDC_SAVE,        IDC_TOGGLE,       IDC_TO_TRAY,
                         IDC_EXIT,    IDC_STATUS,      IDC_LIST_LABEL,   IDC_WINDOW_LIST};
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(layout->controls[i].id, order[i]);
}

TEST(MainLayout, At144DpiEachTermIsScaledBeforeTheSum) {
    const auto layout = ComputeMainLayout(1206, 932, 144, 26);
    ASSERT_TRUE(layout);
    auto c = ById(*layout);
    // M = 27, G = 15; the button row is 48 high, its top 932 - 27 - 30 - 48 - 18.
    ExpectPlacement(c[IDC_TITLE], 27, 27, 1206 - 54, 48);
    ExpectPlacement(c[IDC_REFRESH], 27, 809, 156, 48);
    ExpectPlacement(c[IDC_SAVE], 27 + 156 + 15, 809, 156, 48);
    ExpectPlacement(c[IDC_TOGGLE], 27 + 156 + 156 + 30, 809, 180, 48);
    ExpectPlacement(c[IDC_EXIT], 27 + 156 + 156 + 30 + 180 + 192 + 30, 809, 114, 48);
    ExpectPlacement(c[IDC_STATUS], 27, 932 - 27 - 30, 1152, 30);
    // S(60) + S(24) = 90 + 36, then the list label S(28) + S(14) below the hotkey box.
    ExpectPlacement(c[IDC_HOTKEY], 27, 27 + 90 + 36, 255, 42);
    EXPECT_EQ(c[IDC_LIST_LABEL].y, 153 + 42 + 21);
    EXPECT_EQ(layout->titleColumnWidth, 1152 - 6 - 26 - 285);
}

TEST(MainLayout, RoundsEveryTermOnItsOwnAtFractionalScales) {
    // At 120 DPI, S(18) = 22.5 -> 23 and S(10) = 12.5 -> 13: rounding per term, not of the sum.
    const auto layout = ComputeMainLayout(1000, 800, 120, 21);
    ASSERT_TRUE(layout);
    auto c = ById(*layout);
    EXPECT_EQ(c[IDC_TITLE].x, 23);
    EXPECT_EQ(c[IDC_SAVE].x, 23 + 130 + 13);
    EXPECT_EQ(c[IDC_HOTKEY_HINT].x, 23 + 228);
}

TEST(MainLayout, AVeryLowWindowKeepsTheListAHundredHigh) {
    const auto layout = ComputeMainLayout(700, 300, 96, 17);
    ASSERT_TRUE(layout);
    auto c = ById(*layout);
    EXPECT_EQ(c[IDC_WINDOW_LIST].height, 100);
    EXPECT_GT(c[IDC_WINDOW_LIST].y + c[IDC_WINDOW_LIST].height, c[IDC_TARGET_COMBO].y);
}

TEST(MainLayout, AnEmptyClientAreaMovesNothing) {
    EXPECT_FALSE(ComputeMainLayout(0, 621, 96, 17));
    EXPECT_FALSE(ComputeMainLayout(804, 0, 96, 17));
    EXPECT_FALSE(ComputeMainLayout(-5, -5, 96, 17));
}

TEST(MainLayout, TheWindowOpensAroundTheClientItsLayoutNeedsInsideTheWorkArea) {
    const auto expectRect = [](Rect r, Rect expected) {
        EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
                  std::vector<int>({expected.left, expected.top, expected.right, expected.bottom}));
    };
    // Windows' frame at 96 DPI is 16 wide and 39 high: 820 x 660 in all, where the system put it.
    expectRect(OpeningPlace({100, 50, 920, 710}, {16, 39}, 96, {0, 0, 1920, 1040}), {100, 50, 920, 710});
    // At 144 DPI the client is 1206 x 932; the window moves back inside the work area.
    expectRect(OpeningPlace({800, 300, 1620, 960}, {22, 53}, 144, {0, 0, 1920, 1040}), {692, 55, 1920, 1040});
    // A work area smaller than that takes the whole of it.
    expectRect(OpeningPlace({40, 40, 860, 700}, {30, 70}, 192, {0, 30, 1280, 800}), {0, 30, 1280, 800});
}

TEST(MainLayout, MinimumSizeAndNoticeScaleWithDpi) {
    EXPECT_EQ(MinimumTrackingSize(96, {1280, 800}).width, 660);
    EXPECT_EQ(MinimumTrackingSize(96, {1280, 800}).height, 500);
    EXPECT_EQ(MinimumTrackingSize(144, {1920, 1040}).width, 990);
    EXPECT_EQ(MinimumTrackingSize(144, {1920, 1040}).height, 750);
    EXPECT_EQ(MinimumTrackingSize(192, {1280, 770}).width, 1280);
    EXPECT_EQ(MinimumTrackingSize(192, {1280, 770}).height, 770);
    EXPECT_EQ(NoticeClientSize(144).width, 780);
    EXPECT_EQ(NoticeClientSize(144).height, 450);
    const auto notice = NoticeControlPlacements(144);
    EXPECT_EQ(notice[1].y, 36 + 54);
    EXPECT_EQ(notice[2].id, 2001);
    EXPECT_EQ(notice[3].x, 588);
}

TEST(MulDivRounded, RoundsHalfAwayFromZeroLikeThePlatform) {
    EXPECT_EQ(MulDivRounded(18, 120, 96), 23);
    EXPECT_EQ(MulDivRounded(-18, 120, 96), -23);
    EXPECT_EQ(MulDivRounded(5, 1, 2), 3);
    EXPECT_EQ(MulDivRounded(1, 1, 0), -1);
}
