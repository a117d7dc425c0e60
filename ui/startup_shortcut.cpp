#include "ui/startup_shortcut.h"

#include "ui/app_state.h"
#include "base/paths.h"

#include <shlobj.h>

#include <string>

namespace {

std::wstring ShortcutPath() {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder)))
        path = std::wstring(folder) + L"\\Veltrano.lnk";
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
    return CompareStringOrdinal(target.c_str(), -1, executable.c_str(), -1, TRUE) == CSTR_EQUAL;
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
           SUCCEEDED(link->SetWorkingDirectory(folder.c_str())) && SUCCEEDED(file->Save(path.c_str(), TRUE));
}
