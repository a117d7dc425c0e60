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
    ASSERT_EQ(c.size(), 30u);
    ExpectPlacement(c[IDC_TITLE], 18, 18, 768, 32);
    ExpectPlacement(c[IDC_INTRO], 18, 50, 768, 20);
    ExpectPlacement(c[IDC_HELP], 804 - 18 - 76, 22, 76, 24);
    ExpectPlacement(c[IDC_HOTKEY_LABEL], 18, 78, 240, 22);
    ExpectPlacement(c[IDC_HOTKEY], 18, 102, 170, 28);
    ExpectPlacement(c[IDC_HOTKEY_HINT], 200, 107, 768 - 182, 20);
    ExpectPlacement(c[IDC_MOUSE_LABEL], 18, 144, 52, 22);
    ExpectPlacement(c[IDC_MOUSE_BUTTON], 70, 140, 120, 200);
    ExpectPlacement(c[IDC_MOUSE_SHIFT], 294, 142, 54, 24);
    ExpectPlacement(c[IDC_CORNER], 410, 140, 80, 200);
    ExpectPlacement(c[IDC_CORNER_MS], 498, 140, 48, 28);
    ExpectPlacement(c[IDC_CORNER_MS_SPIN], 546, 140, 18, 28);
    ExpectPlacement(c[IDC_CORNER_MS_UNIT], 570, 145, 40, 20);
    ExpectPlacement(c[IDC_AWAY_MINUTES], 70, 176, 48, 28);
    ExpectPlacement(c[IDC_AWAY_UNIT], 142, 181, 768 - 124, 20);
    ExpectPlacement(c[IDC_LIST_LABEL], 18, 218, 768, 22);
    ExpectPlacement(c[IDC_WINDOW_LIST], 18, 242, 768, 215);
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
    const int order[] = {
        IDC_TITLE,          IDC_INTRO,        IDC_HELP,         IDC_HOTKEY_LABEL, IDC_HOTKEY,
        IDC_HOTKEY_HINT,    IDC_MOUSE_LABEL,  IDC_MOUSE_BUTTON, IDC_MOUSE_CTRL,   IDC_MOUSE_ALT,
        IDC_MOUSE_SHIFT,    IDC_CORNER_LABEL, IDC_CORNER,       IDC_CORNER_MS,    IDC_CORNER_MS_SPIN,
        IDC_CORNER_MS_UNIT, IDC_AWAY_LABEL,   IDC_AWAY_MINUTES, IDC_AWAY_SPIN,    IDC_AWAY_UNIT,
        IDC_TARGET_LABEL,   IDC_TARGET_COMBO, IDC_REFRESH,      IDC_SAVE,         IDC_TOGGLE,
        IDC_TO_TRAY,        IDC_EXIT,         IDC_STATUS,       IDC_LIST_LABEL,   IDC_WINDOW_LIST};
    for (std::size_t i = 0; i < std::size(order); ++i)
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
    // S(60) + S(24) = 90 + 36; below the hotkey box S(28) + G, the mouse row S(28) + S(8), the absence row
    // S(28) + S(14), then the list label.
    ExpectPlacement(c[IDC_HOTKEY], 27, 27 + 90 + 36, 255, 42);
    EXPECT_EQ(c[IDC_MOUSE_BUTTON].y, 153 + 42 + 15);
    EXPECT_EQ(c[IDC_LIST_LABEL].y, 153 + 42 + 15 + 42 + 12 + 42 + 21);
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

// Drop-downs are placed with the height of their open list; closed, they are a row high.
TEST(MainLayout, AtTheSmallestSizeNoControlOverlapsAnotherOrLeavesTheClientArea) {
    for (const int dpi : {96, 120, 144, 192}) {
        const Size smallest = MinimumTrackingSize(dpi, {4000, 4000});
        const int client = smallest.width - Scale(16, dpi);
        const auto layout = ComputeMainLayout(client, smallest.height - Scale(39, dpi), dpi, Scale(17, dpi));
        ASSERT_TRUE(layout);
        for (std::size_t i = 0; i < layout->controls.size(); ++i) {
            const ControlPlacement& a = layout->controls[i];
            EXPECT_LE(a.x + a.width, client) << "control " << a.id << " at " << dpi;
            const auto bottom = [dpi](const ControlPlacement& p) {
                const bool dropDown =
                    p.id == IDC_MOUSE_BUTTON || p.id == IDC_CORNER || p.id == IDC_TARGET_COMBO;
                return p.y + (dropDown ? Scale(28, dpi) : p.height);
            };
            for (std::size_t j = 0; j < i; ++j) {
                const ControlPlacement& b = layout->controls[j];
                const bool apart =
                    a.x >= b.x + b.width || b.x >= a.x + a.width || a.y >= bottom(b) || b.y >= bottom(a);
                if (a.id != IDC_HELP && b.id != IDC_HELP)
                    EXPECT_TRUE(apart) << "controls " << a.id << " and " << b.id << " at " << dpi;
            }
        }
    }
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
    EXPECT_EQ(MinimumTrackingSize(96, {1280, 800}).height, 550);
    EXPECT_EQ(MinimumTrackingSize(144, {1920, 1040}).width, 990);
    EXPECT_EQ(MinimumTrackingSize(144, {1920, 1040}).height, 825);
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
