#include "ui/layout.h"

#include "ui/ids.h"

#include <algorithm>
#include <cstdint>

int MulDivRounded(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t absProduct = product < 0 ? -product : product;
    const std::int64_t absDenominator =
        denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    const std::int64_t quotient = (absProduct + absDenominator / 2) / absDenominator;
    if (quotient > INT32_MAX) return -1;
    return static_cast<int>(negative ? -quotient : quotient);
}

std::optional<MainLayout> ComputeMainLayout(int clientWidth, int clientHeight, int dpi, int vscrollWidth) {
    if (clientWidth <= 0 || clientHeight <= 0) return std::nullopt;
    const auto S = [dpi](int n) { return Scale(n, dpi); };
    const int wc = clientWidth;
    const int hc = clientHeight;
    const int m = S(18);
    const int g = S(10);
    const int w = wc - 2 * m;

    const int yk = m + S(60) + S(24);
    const int yb = hc - m - S(20) - S(32) - S(12);
    const int yc = yb - S(14) - S(30);
    const int yt = yc - S(24);
    const int x3 = m + S(104) + S(104) + 2 * g;
    // Two rows under the hotkey box: the mouse button and the corner, then the minutes of absence. Each
    // setting follows a label column; the modifiers follow the button.
    const int ym = yk + S(28) + g;
    const int ya = ym + S(28) + S(8);
    const int xm = m + S(52);
    const int xs = xm + S(120) + g;
    const int xk = m + S(340);
    const int xn = xk + S(52) + S(80) + S(8);
    const int yl = ya + S(28) + S(14);
    const int yv = yl + S(24);
    const int listHeight = yt - yv - S(14) > S(100) ? yt - yv - S(14) : S(100);

    MainLayout layout{};
    layout.controls = {{
        {IDC_TITLE, m, m, w, S(32)},
        {IDC_INTRO, m, m + S(32), w, S(20)},
        {IDC_HELP, wc - m - S(76), m + S(4), S(76), S(24)},
        {IDC_HOTKEY_LABEL, m, m + S(60), S(240), S(22)},
        {IDC_HOTKEY, m, yk, S(170), S(28)},
        {IDC_HOTKEY_HINT, m + S(182), yk + S(5), w - S(182), S(20)},
        {IDC_MOUSE_LABEL, m, ym + S(4), S(52), S(22)},
        {IDC_MOUSE_BUTTON, xm, ym, S(120), S(200)},
        {IDC_MOUSE_CTRL, xs, ym + S(2), S(50), S(24)},
        {IDC_MOUSE_ALT, xs + S(50), ym + S(2), S(44), S(24)},
        {IDC_MOUSE_SHIFT, xs + S(94), ym + S(2), S(54), S(24)},
        {IDC_CORNER_LABEL, xk, ym + S(4), S(52), S(22)},
        {IDC_CORNER, xk + S(52), ym, S(80), S(200)},
        {IDC_CORNER_MS, xn, ym, S(48), S(28)},
        {IDC_CORNER_MS_SPIN, xn + S(48), ym, S(18), S(28)},
        {IDC_CORNER_MS_UNIT, xn + S(48) + S(18) + S(6), ym + S(5), S(40), S(20)},
        {IDC_AWAY_LABEL, m, ya + S(4), S(52), S(22)},
        {IDC_AWAY_MINUTES, xm, ya, S(48), S(28)},
        {IDC_AWAY_SPIN, xm + S(48), ya, S(18), S(28)},
        {IDC_AWAY_UNIT, xm + S(48) + S(18) + S(6), ya + S(5), w - S(52) - S(48) - S(18) - S(6), S(20)},
        {IDC_TARGET_LABEL, m, yt, w, S(22)},
        {IDC_TARGET_COMBO, m, yc, w, S(200)},
        {IDC_REFRESH, m, yb, S(104), S(32)},
        {IDC_SAVE, m + S(104) + g, yb, S(104), S(32)},
        {IDC_TOGGLE, x3, yb, S(120), S(32)},
        {IDC_TO_TRAY, x3 + S(120) + g, yb, S(128), S(32)},
        {IDC_EXIT, x3 + S(120) + S(128) + 2 * g, yb, S(76), S(32)},
        {IDC_STATUS, m, hc - m - S(20), w, S(20)},
        {IDC_LIST_LABEL, m, yl, w, S(22)},
        {IDC_WINDOW_LIST, m, yv, w, listHeight},
    }};
    layout.processColumnWidth = S(190);
    layout.titleColumnWidth = w - S(4) - vscrollWidth - S(190);
    return layout;
}

Size MainClientSize(int dpi) {
    return {Scale(804, dpi), Scale(621, dpi)};
}

namespace {

// The start of a span of `length` inside [low, high), as near `start` as it can be.
int Inside(int start, int length, int low, int high) {
    if (start + length > high) start = high - length;
    return start < low ? low : start;
}

} // namespace

Rect OpeningPlace(Rect placed, Size frame, int dpi, Rect work) {
    const Size client = MainClientSize(dpi);
    const int width = std::min(client.width + frame.width, work.right - work.left);
    const int height = std::min(client.height + frame.height, work.bottom - work.top);
    const int left = Inside(placed.left, width, work.left, work.right);
    const int top = Inside(placed.top, height, work.top, work.bottom);
    return {left, top, left + width, top + height};
}

Size MinimumTrackingSize(int dpi, Size work) {
    return {std::min(MulDivRounded(660, dpi, 96), work.width),
            std::min(MulDivRounded(550, dpi, 96), work.height)};
}

Size NoticeClientSize(int dpi) {
    return {MulDivRounded(520, dpi, 96), MulDivRounded(300, dpi, 96)};
}

std::array<ControlPlacement, 4> NoticeControlPlacements(int dpi) {
    const auto S = [dpi](int n) { return Scale(n, dpi); };
    return {{
        {0, S(24), S(24), S(472), S(30)},
        {0, S(24), S(24) + S(36), S(472), S(150)},
        {IDC_NOTICE_AGREE, S(260), S(242), S(120), S(34)},
        {IDC_NOTICE_REFUSE, S(392), S(242), S(104), S(34)},
    }};
}
