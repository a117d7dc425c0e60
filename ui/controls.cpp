#include "ui/controls.h"

#include "base/system_library.h"
#include "ui/app_state.h"
#include "ui/layout.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <optional>

namespace {

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
};

constexpr DWORD kPushButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kDropDown = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kNumberBox = WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL;
// The edit made just before is its buddy; the layout places both.
constexpr DWORD kSpin = UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_AUTOBUDDY;

constexpr ControlSpec kControls[] = {
    {IDC_TITLE, L"STATIC", L"Veltrano", 0, 0},
    {IDC_INTRO, L"STATIC",
     L"勾选要“藏起来”的窗口，并选择藏起后要顶到前面的窗口；按快捷键隐藏，再按一次全部恢复。", 0, 0},
    {IDC_HOTKEY_LABEL, L"STATIC", L"快捷键", 0, 0},
    {IDC_HOTKEY, HOTKEY_CLASSW, L"", WS_TABSTOP, WS_EX_CLIENTEDGE},
    {IDC_HOTKEY_HINT, L"STATIC", L"点击后按下新组合键（需含 Ctrl / Alt / Shift），Esc 取消", SS_ENDELLIPSIS,
     0},
    {IDC_MOUSE_LABEL, L"STATIC", L"鼠标键", 0, 0},
    {IDC_MOUSE_BUTTON, L"ComboBox", L"", kDropDown, 0},
    {IDC_MOUSE_CTRL, L"BUTTON", L"Ctrl", kCheckBox, 0},
    {IDC_MOUSE_ALT, L"BUTTON", L"Alt", kCheckBox, 0},
    {IDC_MOUSE_SHIFT, L"BUTTON", L"Shift", kCheckBox, 0},
    {IDC_CORNER_LABEL, L"STATIC", L"屏幕角", 0, 0},
    {IDC_CORNER, L"ComboBox", L"", kDropDown, 0},
    {IDC_CORNER_MS, L"EDIT", L"", kNumberBox, WS_EX_CLIENTEDGE},
    {IDC_CORNER_MS_SPIN, UPDOWN_CLASSW, L"", kSpin, 0},
    {IDC_CORNER_MS_UNIT, L"STATIC", L"毫秒", 0, 0},
    {IDC_AWAY_LABEL, L"STATIC", L"离开", 0, 0},
    {IDC_AWAY_MINUTES, L"EDIT", L"", kNumberBox, WS_EX_CLIENTEDGE},
    {IDC_AWAY_SPIN, UPDOWN_CLASSW, L"", kSpin, 0},
    {IDC_AWAY_UNIT, L"STATIC", L"分钟无操作后自动隐藏（0 为关闭）", SS_ENDELLIPSIS, 0},
    {IDC_LIST_LABEL, L"STATIC", L"要隐藏的窗口", 0, 0},
    // The row-height image list is the program's to destroy (app.rowHeightImageList): without
    // LVS_SHAREIMAGELISTS the list view would destroy it as well, a second time, at every exit.
    {IDC_WINDOW_LIST, WC_LISTVIEWW, L"",
     WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, WS_EX_CLIENTEDGE},
    {IDC_TARGET_LABEL, L"STATIC", L"藏起后切到", 0, 0},
    {IDC_TARGET_COMBO, L"ComboBox", L"", kDropDown, 0},
    {IDC_REFRESH, L"BUTTON", L"刷新列表", kPushButton, 0},
    {IDC_SAVE, L"BUTTON", L"保存设置", kPushButton, 0},
    {IDC_TOGGLE, L"BUTTON", L"隐藏 / 恢复", WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {IDC_TO_TRAY, L"BUTTON", L"最小化到托盘", kPushButton, 0},
    {IDC_EXIT, L"BUTTON", L"退出", kPushButton, 0},
    {IDC_HELP, L"BUTTON", L"帮助", kPushButton, 0},
    {IDC_STATUS, L"STATIC", L"", SS_ENDELLIPSIS, 0},
};

HWND& ControlSlot(int id) {
    return app.controls[static_cast<std::size_t>(id - kFirstControlId)];
}

UniqueFont MakeFont(int points, int weight) {
    return UniqueFont(CreateFontW(-MulDiv(points, app.dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"Microsoft YaHei UI"));
}

HFONT FontOf(int id) {
    const UniqueFont* font = &app.fontNormal;
    switch (id) {
    case IDC_INTRO:
    case IDC_HOTKEY_HINT:
    case IDC_STATUS: font = &app.fontSmall; break;
    case IDC_TITLE: font = &app.fontTitle; break;
    case IDC_HOTKEY_LABEL:
    case IDC_LIST_LABEL:
    case IDC_TARGET_LABEL:
    case IDC_MOUSE_LABEL:
    case IDC_CORNER_LABEL:
    case IDC_AWAY_LABEL: font = &app.fontLabel; break;
    default: break;
    }
    return *font ? font->get() : app.fontNormal.get();
}

Size ClientSize(HWND mainWindow) {
    RECT client = {};
    GetClientRect(mainWindow, &client);
    return {client.right - client.left, client.bottom - client.top};
}

std::optional<MainLayout> LayoutFor(Size client) {
    return ComputeMainLayout(client.width, client.height, app.dpi,
                             GetSystemMetricsForDpi(SM_CXVSCROLL, static_cast<UINT>(app.dpi)));
}

void SetColumnWidths(const MainLayout& layout) {
    if (HWND list = ControlHandle(IDC_WINDOW_LIST)) {
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(layout.titleColumnWidth, 0));
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(layout.processColumnWidth, 0));
    }
}

// Without the theme library the control keeps the classic look.
void ApplyExplorerTheme(HWND control) {
    static const auto setWindowTheme =
        SystemFunction<decltype(SetWindowTheme)>(L"uxtheme.dll", "SetWindowTheme");
    if (setWindowTheme) setWindowTheme(control, L"Explorer", nullptr);
}

void SetUpWindowList(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER);
    ApplyExplorerTheme(list);
    const struct {
        const wchar_t* text;
        int width;
    } columns[] = {{L"窗口标题", 430}, {L"进程", 190}};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = Scale(columns[i].width, app.dpi);
        column.pszText = const_cast<wchar_t*>(columns[i].text);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

} // namespace

void CreateFonts(HWND mainWindow) {
    UniqueFont normal = MakeFont(10, 400);
    UniqueFont small = MakeFont(9, 400);
    UniqueFont title = MakeFont(15, 600);
    UniqueFont label = MakeFont(10, 600);
    // The old fonts stay alive until the controls hold the new ones.
    app.fontNormal.swap(normal);
    app.fontSmall.swap(small);
    app.fontTitle.swap(title);
    app.fontLabel.swap(label);
    ApplyFonts(mainWindow);
}

// Each control is made where the layout puts it, so that nothing moves before the window first shows.
void CreateControls(HWND mainWindow) {
    const Size client = ClientSize(mainWindow);
    const std::optional<MainLayout> layout = LayoutFor(client);
    for (const ControlSpec& spec : kControls) {
        ControlPlacement place{spec.id, 0, 0, 0, 0};
        if (layout) {
            const auto found = std::find_if(layout->controls.begin(), layout->controls.end(),
                                            [&](const ControlPlacement& p) { return p.id == spec.id; });
            if (found != layout->controls.end()) place = *found;
        }
        HWND control =
            CreateWindowExW(spec.exStyle, spec.className, spec.text, WS_CHILD | WS_VISIBLE | spec.style,
                            place.x, place.y, place.width, place.height, mainWindow,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), app.instance, nullptr);
        ControlSlot(spec.id) = control;
        if (!control) continue;
        if (spec.id == IDC_WINDOW_LIST) {
            SetUpWindowList(control);
            SetRowHeight();
        }
        if (spec.id == IDC_TARGET_COMBO || spec.id == IDC_MOUSE_BUTTON || spec.id == IDC_CORNER)
            ApplyExplorerTheme(control);
    }
    ApplyFonts(mainWindow);
    if (layout) SetColumnWidths(*layout);
    app.laidOut = {client, app.dpi};
}

void SetRowHeight() {
    HWND list = ControlHandle(IDC_WINDOW_LIST);
    if (!list) return;
    // Never given an image: its height alone sets the row height. The old list goes once the new one is set.
    UniqueImageList rows(ImageList_Create(1, Scale(26, app.dpi), ILC_COLOR32, 1, 1));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows.get()));
    app.rowHeightImageList.swap(rows);
}

Rect WorkAreaOf(HWND window) {
    MONITORINFO monitor = {sizeof(monitor)};
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
}

void FitMainWindow(HWND mainWindow) {
    RECT frame = {};
    RECT client = {};
    GetWindowRect(mainWindow, &frame);
    GetClientRect(mainWindow, &client);
    const Size border = {frame.right - frame.left - client.right, frame.bottom - frame.top - client.bottom};
    const Rect place = OpeningPlace({frame.left, frame.top, frame.right, frame.bottom}, border, app.dpi,
                                    WorkAreaOf(mainWindow));
    SetWindowPos(mainWindow, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A window not shown yet is drawn whole when it shows: its controls need not redraw now.
void ApplyFonts(HWND mainWindow) {
    const BOOL redraw = IsWindowVisible(mainWindow);
    for (int id = kFirstControlId; id < kFirstControlId + kControlCount; ++id) {
        if (HWND control = ControlHandle(id))
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(id)), redraw);
    }
}

void LayoutControls(HWND mainWindow) {
    const Size client = ClientSize(mainWindow);
    const auto layout = LayoutFor(client);
    if (!layout) return;
    for (const ControlPlacement& placement : layout->controls) {
        if (HWND control = ControlHandle(placement.id)) {
            MoveWindow(control, placement.x, placement.y, placement.width, placement.height, TRUE);
        }
    }
    SetColumnWidths(*layout);
    app.laidOut = {client, app.dpi};
}

void LayoutControlsIfResized(HWND mainWindow) {
    const Size client = ClientSize(mainWindow);
    if (client.width != app.laidOut.client.width || client.height != app.laidOut.client.height ||
        app.dpi != app.laidOut.dpi)
        LayoutControls(mainWindow);
}
