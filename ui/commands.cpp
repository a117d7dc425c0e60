#include "ui/commands.h"

#include "settings/settings_file.h"
#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/help_text.h"
#include "ui/hotkey_box.h"
#include "ui/layout.h"
#include "ui/trigger_boxes.h"
#include "ui/window_list.h"

#include <commctrl.h>

namespace {

void OnListItemChanged(const NMLISTVIEW& change) {
    if (!(change.uChanged & LVIF_STATE) || app.listFilling) return;
    if (((change.uOldState ^ change.uNewState) & LVIS_STATEIMAGEMASK) == 0) return;
    HWND keep = nullptr;
    if (HWND combo = LiveControl(IDC_TARGET_COMBO)) {
        const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (selection > 0) keep = reinterpret_cast<HWND>(SendMessageW(combo, CB_GETITEMDATA, selection, 0));
    }
    FillTargetCombo(keep);
}

void OnListDoubleClick(const NMITEMACTIVATE& activation) {
    if (activation.iItem < 0) return;
    if (IsRememberedRow(activation.iItem)) {
        SetStatusText(L"该窗口未打开，不能作为切换目标");
        return;
    }
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = activation.iItem;
    if (!SendMessageW(activation.hdr.hwndFrom, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return;
    HWND combo = LiveControl(IDC_TARGET_COMBO);
    const LRESULT count = combo ? SendMessageW(combo, CB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageW(combo, CB_GETITEMDATA, i, 0) == item.lParam) {
            SendMessageW(combo, CB_SETCURSEL, i, 0);
            SetStatusText(L"已选择藏起后要切到的窗口");
            return;
        }
    }
    SetStatusText(L"该窗口已被勾选为隐藏对象，不能作为切换目标");
}

// A remembered row is drawn in grey: it is no window on the screen.
LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
        IsRememberedRow(static_cast<int>(draw.nmcd.dwItemSpec))) {
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

void SaveNow() {
    CommitListToSettings();
    const SaveOutcome saved = SaveSettings(app.settings);
    SetStatusText(saved.trouble != SaveTrouble::None ? SettingsNotSavedText(saved) : L"设置已保存");
}

} // namespace

UserCommand OnCommand(WPARAM wParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDC_HOTKEY:
        if (code == EN_CHANGE) OnHotkeyBoxNotify(false);
        if (code == EN_KILLFOCUS) OnHotkeyBoxNotify(true);
        break;
    case IDC_MOUSE_BUTTON:
    case IDC_MOUSE_CTRL:
    case IDC_MOUSE_ALT:
    case IDC_MOUSE_SHIFT:
    case IDC_CORNER:
    case IDC_CORNER_MS:
    case IDC_AWAY_MINUTES: OnTriggerBoxCommand(id, code); break;
    case IDC_REFRESH: RefreshWindowList(true); break;
    case IDC_SAVE: SaveNow(); break;
    case IDC_TOGGLE: return UserCommand::Toggle;
    case IDC_TO_TRAY:
    case IDCANCEL: ShowWindow(app.mainWindow, SW_HIDE); break;
    case IDC_EXIT: DestroyWindow(app.mainWindow); break;
    case IDC_HELP:
        MessageBoxW(app.mainWindow, HelpText(SettingsFilePath()).c_str(), L"使用帮助",
                    MB_ICONINFORMATION | MB_OK);
        break;
    default: break;
    }
    return UserCommand::None;
}

LRESULT OnNotify(NMHDR& header) {
    if (header.idFrom != IDC_WINDOW_LIST) return 0;
    switch (header.code) {
    case LVN_ITEMCHANGED: OnListItemChanged(reinterpret_cast<const NMLISTVIEW&>(header)); break;
    case NM_DBLCLK: OnListDoubleClick(reinterpret_cast<const NMITEMACTIVATE&>(header)); break;
    case NM_CUSTOMDRAW: return OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    default: break;
    }
    return 0;
}

LRESULT OnCtlColorStatic(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (id == IDC_INTRO || id == IDC_HOTKEY_HINT) ? app.palette.hint : app.palette.text);
    return reinterpret_cast<LRESULT>(app.backgroundBrush.get());
}

LRESULT OnCtlColorButton(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(app.backgroundBrush.get());
}

void OnEraseBackground(HWND window, HDC dc) {
    RECT client = {};
    GetClientRect(window, &client);
    FillRect(dc, &client, app.backgroundBrush.get());
}

void UpdatePalette() {
    HIGHCONTRASTW contrast = {sizeof(contrast)};
    const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                      (contrast.dwFlags & HCF_HIGHCONTRASTON);
    const Palette palette = ChoosePalette(
        high, {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_GRAYTEXT)});
    if (app.backgroundBrush && palette == app.palette) return;
    UniqueBrush brush(CreateSolidBrush(palette.background));
    if (!brush) return;
    app.palette = palette;
    app.backgroundBrush.swap(brush);
}

void OnColorsChanged(HWND window) {
    UpdatePalette();
    // The common controls learn of new system colours only from their parent.
    EnumChildWindows(
        window,
        [](HWND child, LPARAM) {
            SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
            return TRUE;
        },
        0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void OnGetMinMaxInfo(HWND window, MINMAXINFO& info) {
    const Rect work = WorkAreaOf(window);
    const Size minimum = MinimumTrackingSize(app.dpi, {work.right - work.left, work.bottom - work.top});
    info.ptMinTrackSize = {minimum.width, minimum.height};
}

void OnDpiChanged(HWND window, WPARAM wParam, const RECT& suggested) {
    app.dpi = HIWORD(wParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    CreateFonts(window);
    SetRowHeight();
    LayoutControls(window);
}
