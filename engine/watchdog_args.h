// The watchdog's command line: "<copy>" --watchdog <pid> "<state file>". Pure.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::wstring_view kWatchdogPrefix = L"--watchdog ";

// The watchdog role is chosen only by the exact eleven characters "--watchdog " at the very start of the
// arguments.
bool IsWatchdogCommandLine(std::wstring_view arguments);

struct WatchdogArgs {
    std::uint32_t processId = 0; // 0: missing, malformed or out of range; the watchdog then restores nothing
    std::wstring stateFileOverride; // empty: the state file beside the running copy
};

WatchdogArgs ParseWatchdogArgs(std::wstring_view arguments);

std::wstring FormatWatchdogCommandLine(std::wstring_view copyPath, std::uint32_t processId,
                                       std::wstring_view stateFilePath);

// How long after a failed start (`previousMs` after the one before; 0 after none) the next try comes: from a
// second, doubling, up to a minute.
unsigned NextWatchdogRetryMs(unsigned previousMs);
