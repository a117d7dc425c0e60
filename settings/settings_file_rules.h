// Where "veltrano.ini" lies, how a save tries again while another program holds the file, and what the user
// is told when nothing could be written. Pure: the Win32 shell finds the facts and makes the calls.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The folder the settings take when the exe's own cannot be written, inside the user's local application
// data.
inline constexpr std::wstring_view kUserSettingsFolderName = L"Veltrano";

// Where this run reads and writes its settings.
struct SettingsFiles {
    // Beside the exe, as a portable copy keeps them; otherwise in the user's own folder.
    bool besideExe = true;
    // The user's own file does not exist yet: the first settings come from the file beside the exe (a
    // default shipped with it), which is never written.
    bool seedFromBesideExe = false;
};

// Decided once at start, from whether a file could be made beside the exe.
SettingsFiles ChooseSettingsFiles(bool exeFolderWritable, bool userFileExists);

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

// The start's note when the settings are not beside the exe: where they are, and why.
std::wstring SettingsElsewhereNote(std::wstring_view folder);
