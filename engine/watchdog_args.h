// The watchdog's command line: "<copy>" --watchdog <pid> "<state file>", and the one of the short-lived
// process that starts it: "<copy>" --watchdog-start <handle> --watchdog <pid> "<state file>". Pure.
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
// The process that starts the watchdog and ends at once, so the watchdog's parent is a process that no longer
// exists: ending Veltrano's process tree finds no link to it. `callerHandle` is Veltrano's handle to itself,
// inherited, through which the watchdog's handle is handed back.
inline constexpr std::wstring_view kWatchdogStartPrefix = L"--watchdog-start ";

bool IsWatchdogStartCommandLine(std::wstring_view arguments);

struct WatchdogStartArgs {
    std::uint32_t callerHandle = 0; // 0: missing, malformed or out of range; nothing is started then
    WatchdogArgs watchdog;
};

// The watchdog's arguments must follow the handle after one blank, and name a process.
WatchdogStartArgs ParseWatchdogStartArgs(std::wstring_view arguments);

std::wstring FormatWatchdogStartCommandLine(std::wstring_view copyPath, std::uint32_t callerHandle,
                                            std::uint32_t processId, std::wstring_view stateFilePath);

// The starter's exit code carries the watchdog's handle in Veltrano's handle table. 0 where it cannot be one:
// a failed start (0), a crash (an exception code) or a kill with some other code. Handle values are
// multiples of four below 2^26, since a process holds at most 2^24 handles.
std::uint32_t WatchdogHandleOfExitCode(std::uint32_t exitCode);

unsigned NextWatchdogRetryMs(unsigned previousMs);

// The copy named with a process id, "vlt-guard-<pid>.exe", made when "vlt-guard.exe" is locked; whether a
// file name is one (a leftover, once no process runs from it).
std::wstring WatchdogCopyName(std::uint32_t processId);
bool IsWatchdogCopyWithId(std::wstring_view name);
