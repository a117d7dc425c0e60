#include "ui/tray.h"

#include "engine/engine.h"
#include "ui/app_state.h"
#include "ui/startup_shortcut.h"
#include "ui/tray_rules.h"
#include "ui/window_list.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cwchar>

namespace {

const wchar_t* TrayTip() {
    return engine.windowsHidden ? L"Veltrano（已隐藏，按快捷键恢复）" : L"Veltrano";
}

NOTIFYICONDATAW IconData(UINT flags) {
    NOTIFYICONDATAW data = {sizeof(data)};
    data.hWnd = app.mainWindow;
    data.uID = kTrayIconId;
    // The fourth version shows the tip only when asked to.
    data.uFlags = flags | NIF_SHOWTIP;
    wcsncpy(data.szTip, TrayTip(), std::size(data.szTip) - 1);
    return data;
}

// Everything the icon carries: callback, image and tip.
NOTIFYICONDATAW FullIconData() {
    NOTIFYICONDATAW data = IconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = WM_TRAYICON;
    data.hIcon = static_cast<HICON>(LoadImageW(app.instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED));
    if (!data.hIcon) data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    return data;
}

void ChooseStartWithWindows(bool start) {
    if (SetStartWithWindows(start)) {
        SetStatusText(start ? L"已设置开机时启动：登录后 Veltrano 在托盘中启动" : L"已取消开机时启动");
    } else {
        SetStatusText(start ? L"无法在启动文件夹中写入快捷方式，开机时不会启动"
                            : L"无法删除启动文件夹中的快捷方式，开机时仍会启动");
    }
}

// At the icon, where the shell says it is (the pointer for a click); opened from the keyboard, with its first
// item selected, as a keyboard user expects.
UserCommand ShowTrayMenu(POINT at, bool fromKeyboard) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return UserCommand::None;
    const bool startsWithWindows = StartsWithWindows();
    AppendMenuW(menu.get(), MF_STRING, IDM_OPEN_SETTINGS, L"打开设置");
    AppendMenuW(menu.get(), MF_STRING, IDM_TOGGLE,
                engine.windowsHidden ? L"恢复全部窗口" : L"立即隐藏并切换");
    AppendMenuW(menu.get(), MF_STRING | (startsWithWindows ? MF_CHECKED : MF_UNCHECKED),
                IDM_START_WITH_WINDOWS, L"开机时启动");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, IDM_EXIT, L"退出");
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(app.mainWindow);
    if (fromKeyboard) PostMessageW(app.mainWindow, WM_KEYDOWN, VK_DOWN, 0);
    const int chosen =
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y,
                       0, app.mainWindow, nullptr);
    menu.reset();
    switch (chosen) {
    case IDM_OPEN_SETTINGS: ShowSettingsWindow(); break;
    case IDM_TOGGLE: return UserCommand::Toggle;
    case IDM_START_WITH_WINDOWS: ChooseStartWithWindows(!startsWithWindows); break;
    case IDM_EXIT: DestroyWindow(app.mainWindow); break;
    default: break;
    }
    return UserCommand::None;
}

// Adding fails when the icon is there already: an announcement of the shell's start that any program can
// broadcast, or an add that timed out in a busy shell yet went through. The icon is then brought in step
// rather than forgotten, which would leave its tip stale and the icon behind at the exit.
bool PutIconInTray() {
    NOTIFYICONDATAW data = FullIconData();
    if (!Shell_NotifyIconW(NIM_ADD, &data) && !Shell_NotifyIconW(NIM_MODIFY, &data)) return false;
    // The version that lets a keyboard user select the icon and open its menu.
    data.uVersion = NOTIFYICON_VERSION_4;
    app.trayVersionFour = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
    return true;
}

} // namespace

// At sign-in the shell may not take icons yet: started from the Startup folder in the tray, Veltrano would
// have neither a window nor an icon. The tries go on, ever less often, until one succeeds or the shell
// announces its start.
void ShowTrayIcon() {
    if (!app.trayIconAdded) app.trayIconAdded = PutIconInTray();
    if (app.trayIconAdded) {
        KillTimer(app.mainWindow, TIMER_TRAY_RETRY);
        app.trayRetryDelayMs = 0;
        return;
    }
    app.trayRetryDelayMs = NextTrayRetryDelayMs(app.trayRetryDelayMs);
    SetTimer(app.mainWindow, TIMER_TRAY_RETRY, app.trayRetryDelayMs, nullptr);
}

void RemoveTrayIcon() {
    NOTIFYICONDATAW data = IconData(0);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

void UpdateTrayTip() {
    if (!app.trayIconAdded) return;
    NOTIFYICONDATAW data = IconData(NIF_TIP);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

// The shell dropped every icon when it restarted; without ours a user hidden to the tray could not get back.
void OnTaskbarCreated() {
    app.trayIconAdded = false;
    ShowTrayIcon();
}

UserCommand OnTrayIcon(WPARAM anchor, LPARAM event) {
    POINT at = {};
    if (app.trayVersionFour) {
        at = {GET_X_LPARAM(anchor), GET_Y_LPARAM(anchor)};
    } else {
        GetCursorPos(&at);
    }
    switch (DecideTrayAction(LOWORD(event), app.trayVersionFour, app.trayRightClickPending)) {
    case TrayAction::OpenWindow: ShowSettingsWindow(); break;
    case TrayAction::Menu: return ShowTrayMenu(at, false);
    case TrayAction::MenuFromKeyboard: return ShowTrayMenu(at, true);
    case TrayAction::Nothing: break;
    }
    return UserCommand::None;
}
