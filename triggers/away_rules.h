// Hiding when the user is away, and keeping quiet while a full-screen program is in front. Pure.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

inline constexpr int kMaxAutoHideMinutes = 1440;

// What a look at the user's absence decides.
struct AwayCheck {
    bool hideNow = false;
    // When to look again; none while there is nothing to wait for (off, or hidden already).
    std::optional<std::uint32_t> lookAgainInMs;
};

// `idleMs`: since the last keyboard or mouse input. `actedOnThisAbsence`: this absence has already had its
// hide (or found nothing to hide), and only new input starts another.
AwayCheck CheckAbsence(int minutes, std::uint32_t idleMs, bool hidden, bool actedOnThisAbsence,
                       bool fullScreen);

// From the system's notification state: a full-screen program (a game, a video, a presentation) is in front,
// or the user asked Windows for quiet to present.
bool FullScreenInFront(int notificationState);

// "离开 5 分钟（14:02 起无操作），", the start of the status line after a hide for the user's absence.
std::wstring AwayNote(int minutes, int sinceHour, int sinceMinute);
