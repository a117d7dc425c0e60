#include "ui/tray_rules.h"

namespace {

constexpr unsigned kFirstRetryDelayMs = 1000;
constexpr unsigned kLongestRetryDelayMs = 30000;

} // namespace

unsigned NextTrayRetryDelayMs(unsigned lastDelayMs) {
    if (lastDelayMs == 0) return kFirstRetryDelayMs;
    return lastDelayMs >= kLongestRetryDelayMs / 2 ? kLongestRetryDelayMs : lastDelayMs * 2;
}

bool StartupEntryDisabled(std::span<const std::uint8_t> approvedValue) {
    return !approvedValue.empty() && (approvedValue.front() & 1) != 0;
}
