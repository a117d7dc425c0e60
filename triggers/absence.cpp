#include "triggers/absence.h"

#include "triggers/away_rules.h"
#include "triggers/trigger.h"

#include <shellapi.h>

#include <algorithm>
#include <optional>

namespace {

// The last input of the absence that has had its hide: only new input starts another.
std::optional<DWORD> actedOnInputAt;

// The time since the last keyboard or mouse input of this session, and when that was.
struct Idle {
    DWORD ms = 0;
    DWORD lastInputTick = 0;
};

Idle ReadIdle() {
    LASTINPUTINFO input = {sizeof(input)};
    if (!GetLastInputInfo(&input)) return {};
    return {GetTickCount() - input.dwTime, input.dwTime};
}

// A wake a second late costs nothing here, and lets the system serve it with others.
constexpr ULONG kToleranceMs = 1000;

void SetTimerIn(HWND window, std::optional<std::uint32_t> ms) {
    if (ms) {
        SetCoalescableTimer(window, TIMER_AWAY, std::max<UINT>(*ms, USER_TIMER_MINIMUM), nullptr,
                            kToleranceMs);
    } else {
        KillTimer(window, TIMER_AWAY);
    }
}

SYSTEMTIME LocalTimeAgo(DWORD ms) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    FILETIME file = {};
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER ticks = {{file.dwLowDateTime, file.dwHighDateTime}};
    ticks.QuadPart -= static_cast<ULONGLONG>(ms) * 10000;
    file = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME then = now;
    FileTimeToSystemTime(&file, &then);
    return then;
}

} // namespace

void ArmAbsenceTimer(HWND window, int minutes, bool hidden) {
    // Due already (a restore without input, after a long absence): the timer's look decides.
    const AwayCheck check = CheckAbsence(minutes, ReadIdle().ms, hidden, false, false);
    SetTimerIn(window, check.hideNow ? std::optional<std::uint32_t>(0) : check.lookAgainInMs);
}

bool AbsenceCallsForHide(HWND window, int minutes, bool hidden, std::wstring& note) {
    const Idle idle = ReadIdle();
    const bool acted = actedOnInputAt == idle.lastInputTick;
    const bool reached = static_cast<std::uint64_t>(idle.ms) >= static_cast<std::uint64_t>(minutes) * 60000u;
    const AwayCheck check =
        CheckAbsence(minutes, idle.ms, hidden, acted, reached && !acted && FullScreenProgramInFront());
    SetTimerIn(window, check.lookAgainInMs);
    if (!check.hideNow) return false;
    actedOnInputAt = idle.lastInputTick;
    const SYSTEMTIME since = LocalTimeAgo(idle.ms);
    note = AwayNote(minutes, since.wHour, since.wMinute);
    return true;
}

bool FullScreenProgramInFront() {
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    return SUCCEEDED(SHQueryUserNotificationState(&state)) && FullScreenInFront(static_cast<int>(state));
}
