#include "ui/tray_rules.h"

#include <utility>

namespace {

constexpr unsigned kFirstRetryDelayMs = 1000;
constexpr unsigned kLongestRetryDelayMs = 30000;

} // namespace

unsigned NextTrayRetryDelayMs(unsigned lastDelayMs) {
    if (lastDelayMs == 0) return kFirstRetryDelayMs;
    return lastDelayMs >= kLongestRetryDelayMs / 2 ? kLongestRetryDelayMs : lastDelayMs * 2;
}

TrayAction DecideTrayAction(unsigned event, bool versionFour, bool& rightClickPending) {
    constexpr unsigned kContextMenu = 0x007B;
    constexpr unsigned kRightButtonUp = 0x0205;
    constexpr unsigned kLeftButtonDoubleClick = 0x0203;
    constexpr unsigned kKeySelect = 0x0401; // NIN_KEYSELECT
    switch (event) {
    case kLeftButtonDoubleClick: return TrayAction::OpenWindow;
    case kKeySelect: return versionFour ? TrayAction::OpenWindow : TrayAction::Nothing;
    case kRightButtonUp: rightClickPending = versionFour; return TrayAction::Menu;
    case kContextMenu:
        // The menu of a right click is open already, or was.
        if (std::exchange(rightClickPending, false)) return TrayAction::Nothing;
        return versionFour ? TrayAction::MenuFromKeyboard : TrayAction::Menu;
    default: return TrayAction::Nothing;
    }
}

bool StartupEntryDisabled(std::span<const std::uint8_t> approvedValue) {
    return !approvedValue.empty() && (approvedValue.front() & 1) != 0;
}
