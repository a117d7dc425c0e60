// The notification-area icon's decisions that need no window system.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// How long to wait before trying again to add the icon, after a try that waited `lastDelayMs` (0: the first
// try at the start) failed: the shell may take a while to start at sign-in, and later tries need not be
// often.
unsigned NextTrayRetryDelayMs(unsigned lastDelayMs);

// Whether the Startup folder's shortcut is disabled in Task Manager's list of start-up programs, from the
// value Windows keeps for it (the first byte is odd when disabled). No value, or an empty one, is enabled.
bool StartupEntryDisabled(std::span<const std::uint8_t> approvedValue);
