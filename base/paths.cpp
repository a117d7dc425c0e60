#include "base/paths.h"

#include <windows.h>

std::wstring ExecutablePath() {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    return module;
}

std::wstring PathBesideExecutable(std::wstring_view fileName) {
    std::wstring path = ExecutablePath();
    path.erase(path.find_last_of(L'\\') + 1);
    path += fileName;
    return path;
}
