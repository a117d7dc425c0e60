// How a save of "veltrano.ini" tries again while another program holds the file, and what the user is told
// when nothing could be written. Pure: the Win32 shell finds the facts and makes the calls.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Why a save wrote nothing, in the terms the user can act on.
enum class SaveTrouble {
    None,
    InUse,             // another program has the file open (a scanner, the search indexer, a sync client)
    ReadOnlyFile,      // the file is marked read-only
    FolderNotWritable, // nothing may be made in its folder
    DiskFull,
    Other, // the system's own words say why
};

struct SaveOutcome {
    SaveTrouble trouble = SaveTrouble::None;
    std::uint32_t error = 0; // the system's error code, 0 when saved
};

// `atMove`: the new file was written beside the old one, and only moving it over the old one failed, which is
// what a program holding the old file makes fail; `fileReadOnly`: the old file carries the read-only mark.
SaveTrouble TroubleOfSave(std::uint32_t error, bool atMove, bool fileReadOnly);

// Another program holds a file for a moment; a save waits this long in all for it before it gives up, at the
// exit and at the end of the session too.
inline constexpr std::uint64_t kSaveRetryBudgetMs = 1000;

// How long to wait before trying again after `triesSoFar` tries (the first included) that took `elapsedMs`
// since the first began; none when the trouble will not pass or the budget would be overrun.
std::optional<std::uint32_t> NextSaveTryInMs(SaveTrouble trouble, int triesSoFar, std::uint64_t elapsedMs);

// "设置未能保存：" and why; `systemText` is the system's own words, used where no plainer ones exist.
std::wstring SettingsNotSavedText(const SaveOutcome& outcome, std::wstring_view systemText);
