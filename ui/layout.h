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
    std::array<ControlPlacement, 30> controls;
    int titleColumnWidth;
    int processColumnWidth;
};

// Nothing when the client area is empty (a minimised window keeps its controls where they were).
std::optional<MainLayout> ComputeMainLayout(int clientWidth, int clientHeight, int dpi, int vscrollWidth);

struct Size {
    int width;
    int height;
};

struct Rect {
    int left;
    int top;
    int right;
    int bottom;
};

// The client area the layout is drawn for: 804 x 621 at 96 DPI, scaled.
Size MainClientSize(int dpi);

// Where the main window opens: a client of MainClientSize inside `frame`, the system's border and caption
// around it, no larger than the work area, moved from where the system placed it (`placed`) only as far as
// needed to lie inside the work area.
Rect OpeningPlace(Rect placed, Size frame, int dpi, Rect work);

// The smallest the user can make the main window: 660 x 550 at 96 DPI, scaled, but never more than the work
// area.
Size MinimumTrackingSize(int dpi, Size work);
Size NoticeClientSize(int dpi);

// The notice's four controls in creation order (heading, body, agree, refuse); ids 0, 0, 2001, 2002.
std::array<ControlPlacement, 4> NoticeControlPlacements(int dpi);
