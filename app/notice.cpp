#include "app/notice.h"

#include "app/notice_text.h"
#include "settings/settings_file.h"
#include "ui/app_state.h"
#include "ui/commands.h"
#include "ui/layout.h"

namespace {

constexpr wchar_t kNoticeClassName[] = L"VltNoticeWnd";

void CreateNoticeControls(HWND notice) {
    const std::wstring body = NoticeBodyText();
    const auto placements = NoticeControlPlacements(app.dpi);
    const struct {
        const wchar_t* className;
        const wchar_t* text;
        DWORD style;
        HFONT font;
    } controls[] = {
        {L"STATIC", kNoticeHeading, 0, app.fontLabel.get()},
        {L"STATIC", body.c_str(), 0, app.fontNormal.get()},
        {L"BUTTON", kNoticeAgree, WS_TABSTOP | BS_DEFPUSHBUTTON, app.fontNormal.get()},
        {L"BUTTON", kNoticeRefuse, WS_TABSTOP, app.fontNormal.get()},
    };
    HWND created[4] = {};
    for (std::size_t i = 0; i < 4; ++i) {
        const ControlPlacement& place = placements[i];
        created[i] = CreateWindowExW(
            0, controls[i].className, controls[i].text, WS_CHILD | WS_VISIBLE | controls[i].style, place.x,
            place.y, place.width, place.height, notice,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)), app.instance, nullptr);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (created[i])
            SendMessageW(created[i], WM_SETFONT, reinterpret_cast<WPARAM>(controls[i].font), TRUE);
    }
}

// The notice while it is on the screen.
HWND shownNotice = nullptr;

void CloseNotice(HWND notice, int result) {
    app.noticeResult = result;
    DestroyWindow(notice);
}

} // namespace

LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: CreateNoticeControls(window); return 0;
    case WM_COMMAND: CloseNotice(window, LOWORD(wParam) == IDC_NOTICE_AGREE ? 1 : 0); return 0;
    case WM_CLOSE: CloseNotice(window, 0); return 0;
    // As in a dialog: the focus is on the agreement, Enter gives it and Esc refuses.
    case WM_SETFOCUS: SetFocus(GetDlgItem(window, IDC_NOTICE_AGREE)); return 0;
    case DM_GETDEFID: return MAKELRESULT(IDC_NOTICE_AGREE, DC_HASDEFID);
    case WM_ERASEBKGND: OnEraseBackground(window, reinterpret_cast<HDC>(wParam)); return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetTextColor(reinterpret_cast<HDC>(wParam), app.palette.text);
        SetBkColor(reinterpret_cast<HDC>(wParam), app.palette.background);
        return reinterpret_cast<LRESULT>(app.backgroundBrush.get());
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETHIGHCONTRAST) OnColorsChanged(window);
        break;
    case WM_SYSCOLORCHANGE: OnColorsChanged(window); break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool ShowUsageNotice() {
    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.lpfnWndProc = NoticeWindowProc;
    windowClass.hInstance = app.instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(app.instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, 0, 0, LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kNoticeClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    const Size client = NoticeClientSize(app.dpi);
    RECT frame = {0, 0, client.width, client.height};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    app.noticeResult = 0;
    HWND notice = CreateWindowExW(WS_EX_DLGMODALFRAME, kNoticeClassName, kNoticeCaption,
                                  WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
                                  work.left + (work.right - work.left - width) / 2,
                                  work.top + (work.bottom - work.top - height) / 2, width, height,
                                  app.mainWindow, nullptr, app.instance, nullptr);
    if (!notice) return false;
    shownNotice = notice;
    EnableWindow(app.mainWindow, FALSE);
    ShowWindow(notice, SW_SHOW);
    UpdateWindow(notice);
    SetForegroundWindow(notice);
    MSG message = {};
    while (IsWindow(notice)) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        if (IsDialogMessageW(notice, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    shownNotice = nullptr;
    EnableWindow(app.mainWindow, TRUE);
    if (app.noticeResult != 1) return false;
    app.settings.noticeShown = true;
    if (const SaveOutcome saved = SaveSettings(app.settings); saved.trouble != SaveTrouble::None)
        SetStatusText(SettingsNotSavedText(saved));
    return true;
}

void RefuseUsageNotice() {
    if (shownNotice && IsWindow(shownNotice)) CloseNotice(shownNotice, 0);
}
