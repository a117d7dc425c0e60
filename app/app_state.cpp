#include "app/app_state.h"

AppState app;

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

void SetStatusText(const std::wstring& text) {
    if (HWND status = LiveControl(IDC_STATUS)) SetWindowTextW(status, text.c_str());
}
