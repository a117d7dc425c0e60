#include "ui/app_state.h"

#include "ui/accessibility.h"

AppState app;

void SetStatusText(const std::wstring& text) {
    HWND status = LiveControl(IDC_STATUS);
    if (!status) return;
    SetWindowTextW(status, text.c_str());
    AnnounceStatus(status);
}

std::wstring SystemErrorText(DWORD error) {
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    const UniqueLocalMemory owned(message);
    std::wstring reason = length ? std::wstring(message, length) : L"错误 " + std::to_wstring(error);
    // The system's text ends with a line break, which the one-line status would show as a box.
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
        reason.pop_back();
    return reason;
}

std::wstring SettingsNotSavedText(const SaveOutcome& outcome) {
    return SettingsNotSavedText(outcome, SystemErrorText(outcome.error));
}
