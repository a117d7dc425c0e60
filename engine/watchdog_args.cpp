#include "engine/watchdog_args.h"

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
    // Process ids are 32-bit: a longer number is not one of ours, so it counts as no id rather than wrapping.
    std::uint64_t id = 0;
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= L'0' && rest[digits] <= L'9') {
        id = id * 10 + static_cast<std::uint64_t>(rest[digits] - L'0');
        if (id > UINT32_MAX) return args;
        ++digits;
    }
    args.processId = static_cast<std::uint32_t>(id);
    rest.remove_prefix(digits);
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

unsigned NextWatchdogRetryMs(unsigned previousMs) {
    constexpr unsigned kFirstMs = 1000;
    constexpr unsigned kLongestMs = 60000;
    if (previousMs == 0) return kFirstMs;
    return previousMs >= kLongestMs / 2 ? kLongestMs : previousMs * 2;
}
