// What became of the windows a hide or a restore asked for, as the status line tells it. Pure.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Why a window did not go (or come back).
enum class Shortfall {
    NotAnswering,
    Refused,
    NeedsRights, // its program runs with higher rights than Veltrano, and the system keeps its windows from
                 // it
};

// The windows that did not do what was asked, in hiding order; the first is named.
struct OutcomeTally {
    std::size_t done = 0;
    std::array<std::size_t, 3> missing{}; // by Shortfall
    std::wstring firstTitle;
    Shortfall firstKind = Shortfall::NotAnswering;
};

// Counts a window that did not go (or come back); the first one counted is the one named.
void AddShortfall(OutcomeTally& tally, Shortfall kind, std::wstring_view title);

// "已隐藏 3 个窗口", or how many did not go and why: not answering, refused, or needing higher rights.
std::wstring HideOutcomeText(const OutcomeTally& tally);
// Why every window comes back at once: the user asked, or the session is ending, for the reason Windows
// gives.
enum class RestoreReason { User, SignOut, Shutdown, AppUpdate };
// From the flags of WM_QUERYENDSESSION and WM_ENDSESSION: ENDSESSION_CLOSEAPP (an installer or an update has
// Windows close the program), ENDSESSION_LOGOFF, or neither (shut down or restart).
RestoreReason ReasonOfSessionEnd(std::uint32_t flags);

// "已恢复全部窗口" only when every window came back; otherwise what is still out and why. A restore for the
// end of the session says why: should the session go on after all, the user learns why the windows are back.
std::wstring RestoreOutcomeText(const OutcomeTally& tally, RestoreReason why = RestoreReason::User);

// At most this many units of a title are shown before an ellipsis.
inline constexpr std::size_t kOutcomeTitleUnits = 24;
