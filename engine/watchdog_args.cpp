#include "engine/watchdog_args.h"

namespace {

// Takes the decimal number off the start of `rest` (0 where there is none). Process ids and handle values are
// 32-bit: a longer number is not one of ours, so it is refused rather than wrapped.
bool ReadNumber(std::wstring_view& rest, std::uint32_t& value) {
    std::uint64_t number = 0;
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= L'0' && rest[digits] <= L'9') {
        number = number * 10 + static_cast<std::uint64_t>(rest[digits] - L'0');
        if (number > UINT32_MAX) return false;
        ++digits;
    }
    value = static_cast<std::uint32_t>(number);
    rest.remove_prefix(digits);
    return true;
}

} // namespace

bool IsWatchdogCommandLine(std::wstring_view arguments) {
    return arguments.substr(0, kWatchdogPrefix.size()) == kWatchdogPrefix;
}

WatchdogArgs ParseWatchdogArgs(std::wstring_view arguments) {
    WatchdogArgs args;
    if (!IsWatchdogCommandLine(arguments)) return args;
    std::wstring_view rest = arguments.substr(kWatchdogPrefix.size());
    while (!rest.empty() && (rest.front() == L' ' || rest.front() == L'\t' || rest.front() == L'\n' ||
                             rest.front() == L'\r' || rest.front() == L'\v' || rest.front() == L'\f')) {
        rest.remove_prefix(1);
    }
    if (!ReadNumber(rest, args.processId)) return args;
    while (!rest.empty() && (rest.front() == L' ' || rest.front() == L'\t'))
        rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == L'"') {
        const std::size_t closing = rest.find(L'"', 1);
        if (closing != std::wstring_view::npos)
            args.stateFileOverride = std::wstring(rest.substr(1, closing - 1));
    }
    return args;
}

std::wstring FormatWatchdogCommandLine(std::wstring_view copyPath, std::uint32_t processId,
                                       std::wstring_view stateFilePath) {
    std::wstring line;
    line.reserve(copyPath.size() + stateFilePath.size() + 32);
    line += L'"';
    line += copyPath;
    line += L"\" --watchdog ";
    line += std::to_wstring(processId);
    line += L" \"";
    line += stateFilePath;
    line += L'"';
    return line;
}

bool IsWatchdogStartCommandLine(std::wstring_view arguments) {
    return arguments.substr(0, kWatchdogStartPrefix.size()) == kWatchdogStartPrefix;
}

WatchdogStartArgs ParseWatchdogStartArgs(std::wstring_view arguments) {
    WatchdogStartArgs args;
    if (!IsWatchdogStartCommandLine(arguments)) return args;
    std::wstring_view rest = arguments.substr(kWatchdogStartPrefix.size());
    std::uint32_t handle = 0;
    if (!ReadNumber(rest, handle) || rest.empty() || rest.front() != L' ') return args;
    rest.remove_prefix(1);
    if (!IsWatchdogCommandLine(rest)) return args;
    args.watchdog = ParseWatchdogArgs(rest);
    if (args.watchdog.processId != 0) args.callerHandle = handle;
    return args;
}

std::wstring FormatWatchdogStartCommandLine(std::wstring_view copyPath, std::uint32_t callerHandle,
                                            std::uint32_t processId, std::wstring_view stateFilePath) {
    std::wstring line = FormatWatchdogCommandLine(copyPath, processId, stateFilePath);
    // After the quoted copy and its blank, before the watchdog's own switch.
    line.insert(copyPath.size() + 3,
                std::wstring(kWatchdogStartPrefix) + std::to_wstring(callerHandle) + L' ');
    return line;
}

std::uint32_t WatchdogHandleOfExitCode(std::uint32_t exitCode) {
    constexpr std::uint32_t kHandleLimit = 1u << 26;
    return exitCode % 4 == 0 && exitCode < kHandleLimit ? exitCode : 0;
}

unsigned NextWatchdogRetryMs(unsigned previousMs) {
    constexpr unsigned kFirstMs = 1000;
    constexpr unsigned kLongestMs = 60000;
    if (previousMs == 0) return kFirstMs;
    return previousMs >= kLongestMs / 2 ? kLongestMs : previousMs * 2;
}

namespace {

constexpr std::wstring_view kCopyPrefix = L"vlt-guard-";
constexpr std::wstring_view kCopySuffix = L".exe";

} // namespace

std::wstring WatchdogCopyName(std::uint32_t processId) {
    return std::wstring(kCopyPrefix) + std::to_wstring(processId) + std::wstring(kCopySuffix);
}

bool IsWatchdogCopyWithId(std::wstring_view name) {
    if (name.size() <= kCopyPrefix.size() + kCopySuffix.size() || !name.starts_with(kCopyPrefix) ||
        !name.ends_with(kCopySuffix))
        return false;
    std::wstring_view id =
        name.substr(kCopyPrefix.size(), name.size() - kCopyPrefix.size() - kCopySuffix.size());
    std::uint32_t value = 0;
    return ReadNumber(id, value) && id.empty();
}
