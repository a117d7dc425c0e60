#include "ui/palette.h"
#include "ui/tray_rules.h"

#include <gtest/gtest.h>

TEST(Palette, IsTheWindowsOwnUnlessHighContrastGivesTheThemesColours) {
    const SystemColors theme = {0x000000, 0xFFFFFF, 0x00FF00};
    EXPECT_EQ(ChoosePalette(false, theme), (Palette{0xFFFFFF, 0x202020, 0x606060}));
    EXPECT_EQ(ChoosePalette(true, theme), (Palette{0x000000, 0xFFFFFF, 0x00FF00}));
}

TEST(TrayAction, ARightClickOpensTheMenuOnceTheKeyboardWithItsFirstItemEnterOrSpaceTheWindow) {
    constexpr unsigned kRightUp = 0x0205, kContextMenu = 0x007B, kDoubleClick = 0x0203, kKeySelect = 0x0401;
    bool pending = false;
    EXPECT_EQ(DecideTrayAction(kRightUp, true, pending), TrayAction::Menu);
    EXPECT_EQ(DecideTrayAction(kContextMenu, true, pending), TrayAction::Nothing);
    EXPECT_EQ(DecideTrayAction(kContextMenu, true, pending), TrayAction::MenuFromKeyboard);
    EXPECT_EQ(DecideTrayAction(kKeySelect, true, pending), TrayAction::OpenWindow);
    EXPECT_EQ(DecideTrayAction(kDoubleClick, true, pending), TrayAction::OpenWindow);
    EXPECT_EQ(DecideTrayAction(0x0400, true, pending), TrayAction::Nothing); // a single click selects
    // A shell without the fourth version: the mouse's messages, as they always were.
    EXPECT_EQ(DecideTrayAction(kRightUp, false, pending), TrayAction::Menu);
    EXPECT_EQ(DecideTrayAction(kContextMenu, false, pending), TrayAction::Menu);
    EXPECT_EQ(DecideTrayAction(kKeySelect, false, pending), TrayAction::Nothing);
    EXPECT_EQ(DecideTrayAction(kDoubleClick, false, pending), TrayAction::OpenWindow);
}
