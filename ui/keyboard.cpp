#include "ui/keyboard.h"

#include "ui/app_state.h"

namespace {

bool Held(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

} // namespace

void CreateKeyboardShortcuts() {
    ACCEL keys[] = {
        {FVIRTKEY, VK_F5, IDC_REFRESH}, {FVIRTKEY | FCONTROL, 'S', IDC_SAVE}, {FVIRTKEY, VK_F1, IDC_HELP}};
    app.accelerators.reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
}

bool TranslateMainWindowKeys(MSG& message) {
    HWND main = app.mainWindow;
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !main ||
        (message.hwnd != main && !IsChild(main, message.hwnd)))
        return false;
    HWND box = ControlHandle(IDC_HOTKEY);
    if (box && message.hwnd == box) {
        if (message.wParam != VK_TAB || Held(VK_CONTROL) || Held(VK_MENU)) return false;
    } else if (app.accelerators && TranslateAcceleratorW(main, app.accelerators.get(), &message)) {
        return true;
    }
    return IsDialogMessageW(main, &message) != FALSE;
}

void OnMainWindowActivation(bool active) {
    HWND main = app.mainWindow;
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(main, focus)) app.lastFocus = focus;
        return;
    }
    HWND focus = app.lastFocus && IsChild(main, app.lastFocus) && IsWindowEnabled(app.lastFocus)
                     ? app.lastFocus
                     : ControlHandle(IDC_WINDOW_LIST);
    if (focus) SetFocus(focus);
}

void FocusListNextTime() {
    app.lastFocus = nullptr;
}
