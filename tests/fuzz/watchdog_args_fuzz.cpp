// The watchdog's argument parser on arbitrary text, and the main process's command line read back by it.
#include "engine/watchdog_args.h"
#include "fuzz_input.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::wstring_view kAlphabet = L" \t\"0123456789-+\\:\n\r";

// What the entry function receives: the program name in quotes and the blanks after it removed.
std::wstring_view ArgumentsOf(std::wstring_view commandLine) {
    const std::size_t closing = commandLine.find(L'"', 1);
    Require(commandLine.front() == L'"' && closing != std::wstring_view::npos);
    std::wstring_view rest = commandLine.substr(closing + 1);
    while (!rest.empty() && (rest.front() == L' ' || rest.front() == L'\t'))
        rest.remove_prefix(1);
    return rest;
}

std::wstring WithoutQuotes(std::wstring text) {
    std::erase(text, L'"');
    return text;
}

void CheckParse(std::wstring_view arguments) {
    const WatchdogArgs args = ParseWatchdogArgs(arguments);
    if (!IsWatchdogCommandLine(arguments)) {
        Require(args.processId == 0 && args.stateFileOverride.empty());
        return;
    }
    Require(args.stateFileOverride.find(L'"') == std::wstring::npos);
    if (!args.stateFileOverride.empty())
        Require(arguments.find(L'"' + args.stateFileOverride + L'"') != std::wstring_view::npos);
}

// The starter reads what the watchdog would read, or nothing.
void CheckStartParse(std::wstring_view arguments) {
    const WatchdogStartArgs args = ParseWatchdogStartArgs(arguments);
    if (args.callerHandle == 0) return;
    const WatchdogArgs watchdog = ParseWatchdogArgs(arguments.substr(arguments.find(kWatchdogPrefix)));
    Require(args.watchdog.processId != 0 && args.watchdog.processId == watchdog.processId &&
            args.watchdog.stateFileOverride == watchdog.stateFileOverride);
}

void CheckRoundTrip(std::uint32_t processId, const std::wstring& copyPath, const std::wstring& statePath) {
    if (processId == 0) return;
    const std::wstring line = FormatWatchdogCommandLine(copyPath, processId, statePath);
    const std::wstring_view arguments = ArgumentsOf(line);
    Require(IsWatchdogCommandLine(arguments));
    const WatchdogArgs args = ParseWatchdogArgs(arguments);
    Require(args.processId == processId);
    Require(args.stateFileOverride == statePath);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // Most inputs start with one of the switches, so the parsers behind them get most of the attention.
    const bool withSwitch = (data[0] & 1) != 0;
    const std::vector<std::wstring> fields = FieldsOf(data + 1, size - 1, kAlphabet);
    std::wstring arguments = withSwitch ? std::wstring(kWatchdogPrefix) : std::wstring();
    for (const std::wstring& field : fields)
        arguments += field;
    if (data[0] & 2) arguments.insert(0, std::wstring(kWatchdogStartPrefix) + L"4 ");
    CheckParse(arguments);
    CheckStartParse(arguments);

    std::uint32_t processId = 0;
    std::memcpy(&processId, data + 1, std::min<std::size_t>(sizeof(processId), size - 1));
    const std::wstring copyPath = WithoutQuotes(fields.size() > 1 ? fields[1] : L"C:\\Temp\\vlt-guard.exe");
    CheckRoundTrip(processId, copyPath, WithoutQuotes(fields[0]));
    return 0;
}
