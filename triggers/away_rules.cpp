#include "triggers/away_rules.h"

AwayCheck CheckAbsence(int minutes, std::uint32_t idleMs, bool hidden, bool actedOnThisAbsence,
                       bool fullScreen) {
    if (minutes <= 0 || minutes > kMaxAutoHideMinutes || hidden) return {};
    const auto limit = static_cast<std::uint32_t>(minutes) * 60000u;
    if (idleMs < limit) return {false, limit - idleMs};
    // A video watched without input stays on the screen; the look after it ends may hide.
    if (actedOnThisAbsence || fullScreen) return {false, limit};
    return {true, limit};
}

bool FullScreenInFront(int notificationState) {
    constexpr int kBusy = 2;               // a full-screen program, or presentation settings
    constexpr int kDirect3DFullScreen = 3; // an exclusive full-screen game
    constexpr int kPresentationMode = 4;   // the user's presentation settings
    return notificationState == kBusy || notificationState == kDirect3DFullScreen ||
           notificationState == kPresentationMode;
}

std::wstring AwayNote(int minutes, int sinceHour, int sinceMinute) {
    const auto twoDigits = [](int value) {
        return std::wstring(value < 10 ? L"0" : L"") + std::to_wstring(value);
    };
    return L"离开 " + std::to_wstring(minutes) + L" 分钟（" + twoDigits(sinceHour) + L":" +
           twoDigits(sinceMinute) + L" 起无操作），";
}
