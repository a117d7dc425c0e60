#include "engine/watchdog_args.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The argument part the entry function receives: the quoted program name and the blanks after it removed.
std::wstring_view ArgumentsOf(std::wstring_view commandLine) {
    if (commandLine.empty() || commandLine.front() != L'"') return {};
    const std::size_t closing = commandLine.find(L'"', 1);
    if (closing == std::wstring_view::npos) return {};
    std::wstring_view rest = commandLine.substr(closing + 1);
    while (!rest.empty() && (rest.front() == L' ' || rest.front() == L'\t'))
        rest.remove_prefix(1);
    return rest;
}

} // namespace

TEST(WatchdogRole, IsChosenOnlyByTheExactSwitchAndABlank) {
    EXPECT_TRUE(IsWatchdogCommandLine(L"--watchdog 788 \"C:\\Tools\\veltrano.hidden\""));
    EXPECT_TRUE(IsWatchdogCommandLine(L"--watchdog "));
    EXPECT_TRUE(IsWatchdogCommandLine(L"--watchdog x"));
    EXPECT_FALSE(IsWatchdogCommandLine(L"--watchdog"));
    EXPECT_FALSE(IsWatchdogCommandLine(L"--watchdog\t788"));
    EXPECT_FALSE(IsWatchdogCommandLine(L"--watchdog=788"));
    EXPECT_FALSE(IsWatchdogCommandLine(L"--watchdogs 788"));
    EXPECT_FALSE(IsWatchdogCommandLine(L" --watchdog 788"));
    EXPECT_FALSE(IsWatchdogCommandLine(L"--WATCHDOG 788"));
    EXPECT_FALSE(IsWatchdogCommandLine(L"-watchdog 788"));
    EXPECT_FALSE(IsWatchdogCommandLine(L"/watchdog 788"));
    EXPECT_FALSE(IsWatchdogCommandLine(L""));
}

TEST(WatchdogArgs, ReadsTheProcessIdAndTheQuotedStateFile) {
    const auto args = ParseWatchdogArgs(L"--watchdog 788 \"C:\\Users\\A B\\veltrano.hidden\"");
    EXPECT_EQ(args.processId, 788u);
    EXPECT_EQ(args.stateFileOverride, L"C:\\Users\\A B\\veltrano.hidden");
}

TEST(WatchdogArgs, TheLargest32BitIdIsRead) {
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 4294967295 \"x\"").processId, 4294967295u);
}

TEST(WatchdogArgs, BlanksBeforeTheIdAreSkipped) {
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog    42 \"x\"").processId, 42u);
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog \t 42 \"x\"").processId, 42u);
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog  \t42").processId, 42u);
}

TEST(WatchdogArgs, AMissingZeroOrMalformedIdIsZero) {
    for (const wchar_t* arguments :
         {L"--watchdog ", L"--watchdog  \"C:\\x.hidden\"", L"--watchdog 0 \"C:\\x\"", L"--watchdog 00",
          L"--watchdog abc", L"--watchdog -5 \"C:\\x\"", L"--watchdog +5", L"--watchdog x42"}) {
        EXPECT_EQ(ParseWatchdogArgs(arguments).processId, 0u) << arguments;
    }
}

TEST(WatchdogArgs, AnIdTooLargeFor32BitsIsZeroAndNotWrapped) {
    for (const wchar_t* arguments : {L"--watchdog 4294967296 \"C:\\x\"", L"--watchdog 4294968084",
                                     L"--watchdog 99999999999999999999999999 \"C:\\x\""}) {
        const auto args = ParseWatchdogArgs(arguments);
        EXPECT_EQ(args.processId, 0u) << arguments;
        EXPECT_EQ(args.stateFileOverride, L"") << arguments;
    }
}

TEST(WatchdogArgs, TheIdEndsAtTheFirstNonDigit) {
    const auto args = ParseWatchdogArgs(L"--watchdog 12abc \"C:\\x\"");
    EXPECT_EQ(args.processId, 12u);
    EXPECT_EQ(args.stateFileOverride, L"");
}

TEST(WatchdogArgs, TabsAndSpacesBeforeThePathAreSkipped) {
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42\t\t\"C:\\s.hidden\"").stateFileOverride, L"C:\\s.hidden");
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42 \t  \"C:\\s.hidden\"").stateFileOverride, L"C:\\s.hidden");
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42\"C:\\s.hidden\"").stateFileOverride, L"C:\\s.hidden");
}

TEST(WatchdogArgs, AnUnquotedPathIsNotTaken) {
    const auto args = ParseWatchdogArgs(L"--watchdog 42 C:\\Tools\\veltrano.hidden");
    EXPECT_EQ(args.processId, 42u);
    EXPECT_EQ(args.stateFileOverride, L"");
}

TEST(WatchdogArgs, APathWithoutClosingQuoteIsNotTaken) {
    const auto args = ParseWatchdogArgs(L"--watchdog 42 \"C:\\Tools\\veltrano.hidden");
    EXPECT_EQ(args.processId, 42u);
    EXPECT_EQ(args.stateFileOverride, L"");
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42 \"").stateFileOverride, L"");
}

TEST(WatchdogArgs, OnlyTheTextUpToTheFirstClosingQuoteIsThePath) {
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42 \"C:\\a.hidden\" \"C:\\b.hidden\"").stateFileOverride,
              L"C:\\a.hidden");
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42 \"\"").stateFileOverride, L"");
}

TEST(WatchdogArgs, PathsKeepEveryCharacter) {
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42 \"D:\\工具\\veltrano.hidden\"").stateFileOverride,
              L"D:\\工具\\veltrano.hidden");
    EXPECT_EQ(ParseWatchdogArgs(L"--watchdog 42 \"  C:\\a b\\\t.hidden  \"").stateFileOverride,
              L"  C:\\a b\\\t.hidden  ");
}

TEST(WatchdogArgs, ArgumentsWithoutTheSwitchGiveNothing) {
    const auto args = ParseWatchdogArgs(L"--watchdogs 42 \"C:\\x\"");
    EXPECT_EQ(args.processId, 0u);
    EXPECT_EQ(args.stateFileOverride, L"");
}

TEST(WatchdogCommandLine, IsTheQuotedCopyTheSwitchTheIdAndTheQuotedStateFile) {
    EXPECT_EQ(FormatWatchdogCommandLine(L"C:\\Temp\\vlt-guard.exe", 788, L"C:\\Tools\\veltrano.hidden"),
              L"\"C:\\Temp\\vlt-guard.exe\" --watchdog 788 \"C:\\Tools\\veltrano.hidden\"");
    EXPECT_EQ(FormatWatchdogCommandLine(L"C:\\T\\vlt-guard-4294967295.exe", 4294967295u, L"x"),
              L"\"C:\\T\\vlt-guard-4294967295.exe\" --watchdog 4294967295 \"x\"");
}

TEST(WatchdogCommandLine, TheWatchdogReadsBackWhatTheMainProcessWrote) {
    const std::wstring longPath = L"C:\\" + std::wstring(250, L'd') + L"\\veltrano.hidden";
    for (std::uint32_t pid : {1u, 788u, 65536u, 4294967295u}) {
        for (const std::wstring& statePath : {std::wstring(L"C:\\Tools\\veltrano.hidden"),
                                              std::wstring(L"C:\\Users\\Zoë Li\\My Tools\\veltrano.hidden"),
                                              std::wstring(L"D:\\工具\\veltrano.hidden"), longPath}) {
            const std::wstring line = FormatWatchdogCommandLine(
                L"C:\\Users\\Zoë Li\\AppData\\Local\\Temp\\vlt-guard.exe", pid, statePath);
            const std::wstring_view arguments = ArgumentsOf(line);
            ASSERT_TRUE(IsWatchdogCommandLine(arguments)) << line;
            const auto args = ParseWatchdogArgs(arguments);
            EXPECT_EQ(args.processId, pid) << line;
            EXPECT_EQ(args.stateFileOverride, statePath) << line;
        }
    }
}

TEST(WatchdogStarter, CarriesTheCallersHandleAndTheWatchdogsArgumentsUnchanged) {
    const std::wstring line =
        FormatWatchdogStartCommandLine(L"C:\\T\\vlt-guard.exe", 412, 788, L"C:\\A B\\x.hidden");
    EXPECT_FALSE(IsWatchdogCommandLine(ArgumentsOf(line))); // the starter never takes the watchdog's role
    const auto args = ParseWatchdogStartArgs(ArgumentsOf(line));
    EXPECT_TRUE(args.callerHandle == 412 && args.watchdog.processId == 788);
    EXPECT_EQ(args.watchdog.stateFileOverride, L"C:\\A B\\x.hidden");
}

TEST(WatchdogStarter, StartsNothingWithoutAHandleOrAWatchedProcess) {
    for (const wchar_t* arguments : {L"--watchdog-start --watchdog 7", L"--watchdog-start 4 --watchdog 0",
                                     L"--watchdog-start 4  --watchdog 7", L"--watchdog-start 4 7",
                                     L"--watchdog-start 4294967296 --watchdog 7", L"--watchdog 7"})
        EXPECT_EQ(ParseWatchdogStartArgs(arguments).callerHandle, 0u) << arguments;
}

TEST(WatchdogStarter, OnlyAnExitCodeThatCanBeAHandleIsTakenForOne) {
    EXPECT_EQ(WatchdogHandleOfExitCode(0x3fffffc), 0x3fffffcu);
    // A failed start, a kill with 1, STILL_ACTIVE, a crash's exception codes, beyond any handle table.
    for (std::uint32_t code : {0u, 1u, 259u, 0xc0000005u, 0xc0000374u, 0x80000003u, 0x4000000u})
        EXPECT_EQ(WatchdogHandleOfExitCode(code), 0u) << code;
}

// Only what a locked first copy made is taken for a leftover; the first copy and the admin folder are not.
TEST(WatchdogCopy, OnlyANameWithAProcessIdIsALeftover) {
    EXPECT_EQ(WatchdogCopyName(788), L"vlt-guard-788.exe");
    EXPECT_TRUE(IsWatchdogCopyWithId(WatchdogCopyName(4294967295u)));
    for (const wchar_t* name :
         {L"vlt-guard.exe", L"vlt-guard-.exe", L"vlt-guard-admin", L"vlt-guard-12a.exe",
          L"vlt-guard-4294967296.exe", L"vlt-guard-788.exe.tmp", L"x-vlt-guard-788.exe"})
        EXPECT_FALSE(IsWatchdogCopyWithId(name)) << name;
}
