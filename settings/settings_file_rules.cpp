#include "settings/settings_file_rules.h"

#include <algorithm>

namespace {

// The system's error codes the rules tell apart (winerror.h).
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kWriteProtect = 19;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kLockViolation = 33;
constexpr std::uint32_t kHandleDiskFull = 39;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint32_t kUserMappedFile = 1224;

} // namespace

SettingsFiles ChooseSettingsFiles(bool exeFolderWritable, bool userFileExists) {
    if (exeFolderWritable) return {true, false};
    return {false, !userFileExists};
}

SaveTrouble TroubleOfSave(std::uint32_t error, bool atMove, bool fileReadOnly) {
    switch (error) {
    case 0: return SaveTrouble::None;
    case kSharingViolation:
    case kLockViolation:
    case kUserMappedFile: return SaveTrouble::InUse;
    case kHandleDiskFull:
    case kDiskFull: return SaveTrouble::DiskFull;
    case kWriteProtect: return SaveTrouble::FolderNotWritable;
    case kAccessDenied:
        // The system refuses to replace a file that another program holds without letting it be deleted with
        // the same error as a file it may not replace at all.
        if (!atMove) return SaveTrouble::FolderNotWritable;
        return fileReadOnly ? SaveTrouble::ReadOnlyFile : SaveTrouble::InUse;
    default: return SaveTrouble::Other;
    }
}

std::optional<std::uint32_t> NextSaveTryInMs(SaveTrouble trouble, int triesSoFar, std::uint64_t elapsedMs) {
    if (trouble != SaveTrouble::InUse || triesSoFar < 1) return std::nullopt;
    // 50, 100, 200, then 250 ms apart: a scanner's look at a small file is usually over within the first.
    const std::uint32_t wait = std::min<std::uint32_t>(250, 50u << std::min(triesSoFar - 1, 3));
    if (elapsedMs + wait > kSaveRetryBudgetMs) return std::nullopt;
    return wait;
}

std::wstring SettingsNotSavedText(const SaveOutcome& outcome, std::wstring_view systemText) {
    std::wstring text = L"设置未能保存：";
    switch (outcome.trouble) {
    case SaveTrouble::InUse: return text + L"veltrano.ini 正被其他程序占用（如杀毒或同步软件），请稍后再试";
    case SaveTrouble::ReadOnlyFile: return text + L"veltrano.ini 是只读文件";
    case SaveTrouble::FolderNotWritable: return text + L"没有在其所在文件夹中写入的权限";
    case SaveTrouble::DiskFull: return text + L"磁盘已满";
    case SaveTrouble::None:
    case SaveTrouble::Other: break;
    }
    return text.append(systemText);
}

std::wstring SettingsElsewhereNote(std::wstring_view folder) {
    return L"程序所在的文件夹不能写入，设置保存在 " + std::wstring(folder);
}
