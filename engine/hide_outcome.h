// What became of the windows a hide or a restore asked for, as the status line tells it. Pure.
#pragma once
#include <cstddef>
#include <string>

// The windows that did not do what was asked, in hiding order; the first is named.
struct OutcomeTally {
    std::size_t done = 0;
    std::size_t notAnswering = 0;
    std::size_t refused = 0;
    std::wstring firstTitle;
    bool firstRefused = false;
};

// Counts a window that did not go (or come back); the first one counted is the one named.
void AddShortfall(OutcomeTally& tally, bool refused, std::wstring_view title);

// "已隐藏 3 个窗口", or how many did not go and why: not answering, or refused.
std::wstring HideOutcomeText(const OutcomeTally& tally);
// "已恢复全部窗口" only when every window came back; otherwise what is still out and why.
std::wstring RestoreOutcomeText(const OutcomeTally& tally);

// At most this many units of a title are shown before an ellipsis.
inline constexpr std::size_t kOutcomeTitleUnits = 24;
