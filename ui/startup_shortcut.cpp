#include "ui/startup_shortcut.h"

#include "base/paths.h"
#include "ui/app_state.h"
#include "ui/tray_rules.h"

#include <shlobj.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Where Task Manager marks the Startup folder's shortcuts the user has disabled. Undocumented: the key, or
// the value, may be missing, and then nothing is disabled.
constexpr wchar_t kApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
constexpr wchar_t kShortcutName[] = L"Veltrano.lnk";

bool DisabledInTaskManager() {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kApprovedKey, kShortcutName, RRF_RT_REG_BINARY, nullptr, nullptr,
                     &size) != ERROR_SUCCESS)
        return false;
    std::vector<std::uint8_t> value(size);
    if (RegGetValueW(HKEY_CURRENT_USER, kApprovedKey, kShortcutName, RRF_RT_REG_BINARY, nullptr, value.data(),
                     &size) != ERROR_SUCCESS)
        return false;
    value.resize(size);
    return StartupEntryDisabled(value);
}

// Without its mark the shortcut counts as enabled, as a new one does; the mark's layout need not be known.
bool ClearTaskManagerMark() {
    const LSTATUS result = RegDeleteKeyValueW(HKEY_CURRENT_USER, kApprovedKey, kShortcutName);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::wstring ShortcutPath() {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder)))
        path = std::wstring(folder) + L"\\" + kShortcutName;
    CoTaskMemFree(folder);
    return path;
}

ComPtr<IShellLinkW> NewShellLink() {
    IShellLinkW* link = nullptr;
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                     reinterpret_cast<void**>(&link));
    return ComPtr<IShellLinkW>(link);
}

ComPtr<IPersistFile> FileOf(IShellLinkW* link) {
    IPersistFile* file = nullptr;
    if (link) link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    return ComPtr<IPersistFile>(file);
}

// Read from the shortcut's item list, which keeps a path in any script whole: Wine's GetPath gives back only
// what the ANSI code page can hold, and a folder named in Chinese would never match.
std::wstring TargetOf(IShellLinkW* link) {
    PIDLIST_ABSOLUTE item = nullptr;
    wchar_t target[MAX_PATH] = {};
    if (SUCCEEDED(link->GetIDList(&item)) && item) SHGetPathFromIDListW(item, target);
    CoTaskMemFree(item);
    return target;
}

} // namespace

bool StartsWithWindows() {
    const std::wstring path = ShortcutPath();
    const ComPtr<IShellLinkW> link = NewShellLink();
    const ComPtr<IPersistFile> file = FileOf(link.get());
    if (path.empty() || !file || FAILED(file->Load(path.c_str(), STGM_READ))) return false;
    const std::wstring target = TargetOf(link.get());
    const std::wstring executable = ExecutablePath();
    return CompareStringOrdinal(target.c_str(), -1, executable.c_str(), -1, TRUE) == CSTR_EQUAL &&
           !DisabledInTaskManager();
}

bool SetStartWithWindows(bool start) {
    const std::wstring path = ShortcutPath();
    if (path.empty()) return false;
    if (!start) return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    const ComPtr<IShellLinkW> link = NewShellLink();
    const ComPtr<IPersistFile> file = FileOf(link.get());
    const std::wstring executable = ExecutablePath();
    const std::wstring folder = executable.substr(0, executable.find_last_of(L'\\'));
    return file && SUCCEEDED(link->SetPath(executable.c_str())) && SUCCEEDED(link->SetArguments(L"--tray")) &&
           SUCCEEDED(link->SetWorkingDirectory(folder.c_str())) &&
           SUCCEEDED(file->Save(path.c_str(), TRUE)) && ClearTaskManagerMark();
}
