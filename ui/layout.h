// Placement arithmetic of the main window and the usage notice. Pure: no window system needed.
#pragma once
#include <array>
#include <optional>

// MulDiv as the platform defines it: 64-bit product, rounded half away from zero, -1 on division by 0.
int MulDivRounded(int number, int numerator, int denominator);

// A length given at 96 DPI, scaled to `dpi`.
inline int Scale(int n, int dpi) {
    return MulDivRounded(n, dpi, 96);
}

struct ControlPlacement {
    int id;
    int x;
    int y;
    int width;
    int height;
};

struct MainLayout {
    // In the order the controls are moved.
    std::array<ControlPlacement, 16> controls;
    int titleColumnWidth;
    int processColumnWidth;
};

// Nothing when the client area is empty (a minimised window keeps its controls where they were).
std::optional<MainLayout> ComputeMainLayout(int clientWidth, int clientHeight, int dpi, int vscrollWidth);

struct Size {
    int width;
    int height;
};

Size MinimumTrackingSize(int dpi);
Size NoticeClientSize(int dpi);

// The notice's four controls in creation order (heading, body, agree, refuse); ids 0, 0, 2001, 2002.
std::array<ControlPlacement, 4> NoticeControlPlacements(int dpi);
