#include "ui/window_list.h"

#include "app/app_state.h"
#include "catalogue/catalogue.h"
#include "engine/hidden_set.h"

#include <algorithm>
#include <commctrl.h>

namespace {

constexpr UINT kTickedState = 0x2000; // state image index 2

int RowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

bool RowWindow(HWND list, int row, HWND& hwnd) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
    hwnd = reinterpret_cast<HWND>(item.lParam);
    return true;
}

void InsertRow(HWND list, int index, const WindowEntry& entry) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(entry.title.c_str());
    item.lParam = reinterpret_cast<LPARAM>(entry.hwnd);
    const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMW process = {};
    process.iSubItem = 1;
    process.pszText = const_cast<wchar_t*>(entry.processName.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&process));
    for (const WindowKey& key : app.settings.hideList) {
        if (!KeyMatchesEntry(key, entry)) continue;
        LVITEMW state = {};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = kTickedState;
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        break;
    }
}

// The windows of the ticked rows, in the list's order.
std::vector<HWND> TickedWindows() {
    std::vector<HWND> ticked;
    HWND list = LiveControl(IDC_WINDOW_LIST);
    const int rows = list ? RowCount(list) : 0;
    for (int row = 0; row < rows; ++row) {
        HWND hwnd = nullptr;
        if (IsRowTicked(list, row) && RowWindow(list, row, hwnd)) ticked.push_back(hwnd);
    }
    return ticked;
}

// The window chosen in the drop-down; null for none.
HWND ChosenTarget() {
    HWND combo = LiveControl(IDC_TARGET_COMBO);
    const LRESULT selection = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (selection < 0) return nullptr;
    return reinterpret_cast<HWND>(SendMessageW(combo, CB_GETITEMDATA, selection, 0));
}

} // namespace

bool IsRowTicked(HWND list, int row) {
    const auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return ((state & LVIS_STATEIMAGEMASK) >> 12) != 1;
}

void RefreshWindowList(bool showCount) {
    HWND list = LiveControl(IDC_WINDOW_LIST);
    if (list && RowCount(list) > 0) CommitListToSettings();
    if (list) SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    if (HWND combo = LiveControl(IDC_TARGET_COMBO)) SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    app.listFilling = true;
    app.listEntries = EnumerateCandidateWindows();
    if (list) {
        for (std::size_t i = 0; i < app.listEntries.size(); ++i)
            InsertRow(list, static_cast<int>(i), app.listEntries[i]);
    }
    HWND preselect = nullptr;
    if (app.settings.hasFocusTarget) {
        const auto match =
            std::find_if(app.listEntries.begin(), app.listEntries.end(), [](const WindowEntry& entry) {
                return KeyMatchesEntry(app.settings.focusTarget, entry);
            });
        if (match != app.listEntries.end()) preselect = match->hwnd;
    }
    FillTargetCombo(preselect);
    app.listFilling = false;
    if (showCount) SetStatusText(L"共 " + std::to_wstring(app.listEntries.size()) + L" 个窗口");
    app.listSnapshot = SnapshotFromEntries(app.listEntries);
    // Once the list shows the restored windows again, their ticks hold the keys.
    if (!app.windowsHidden) app.hiddenKeys.clear();
}

void FillTargetCombo(HWND keepSelected) {
    HWND combo = LiveControl(IDC_TARGET_COMBO);
    if (!combo) return;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"（不切换，保持当前焦点）"));
    SendMessageW(combo, CB_SETITEMDATA, 0, 0);
    LRESULT selected = 0;
    if (HWND list = LiveControl(IDC_WINDOW_LIST)) {
        const std::size_t rows = std::min(static_cast<std::size_t>(RowCount(list)), app.listEntries.size());
        for (std::size_t i = 0; i < rows; ++i) {
            if (IsRowTicked(list, static_cast<int>(i))) continue;
            const WindowEntry& entry = app.listEntries[i];
            const std::wstring text = entry.title + L"    [" + entry.processName + L"]";
            const LRESULT index =
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            SendMessageW(combo, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(entry.hwnd));
            if (keepSelected && IsWindow(keepSelected) && keepSelected == entry.hwnd) selected = index;
        }
    }
    SendMessageW(combo, CB_SETCURSEL, selected, 0);
}

std::vector<WindowEntry> CommitListToSettings() {
    app.settings.hideList.clear();
    std::vector<WindowEntry> ticked;
    // A window's program never changes, so the one the list found stands; its title may have.
    for (HWND hwnd : TickedWindows()) {
        const WindowEntry* listed = FindEntry(app.listEntries, hwnd);
        WindowEntry entry = listed ? *listed : WindowEntry{hwnd};
        entry.title = ReadWindowTitle(hwnd);
        // A window that is gone reads no title.
        if (entry.title.empty()) continue;
        if (entry.processName.empty()) entry.processName = GetWindowProcessName(hwnd);
        app.settings.hideList.push_back(KeyOf(entry));
        ticked.push_back(std::move(entry));
    }
    for (const HiddenKey& hidden : app.hiddenKeys) {
        WindowKey key = hidden.key;
        if (hidden.window && IsWindow(hidden.window)) {
            std::wstring title = ReadWindowTitle(hidden.window);
            if (!title.empty()) key.title = std::move(title);
        }
        if (std::find(app.settings.hideList.begin(), app.settings.hideList.end(), key) ==
            app.settings.hideList.end()) {
            app.settings.hideList.push_back(std::move(key));
        }
    }
    const WindowEntry described = DescribeWindow(ChosenTarget());
    app.settings.hasFocusTarget = !described.title.empty();
    app.settings.focusTarget = app.settings.hasFocusTarget ? KeyOf(described) : WindowKey{};
    return ticked;
}

ListedChoice ReadListedChoice() {
    ListedChoice choice;
    for (HWND hwnd : TickedWindows()) {
        if (const WindowEntry* listed = FindEntry(app.listEntries, hwnd)) choice.ticked.push_back(*listed);
    }
    if (const WindowEntry* listed = FindEntry(app.listEntries, ChosenTarget()))
        choice.target = KeyOf(*listed);
    return choice;
}

void ShowSettingsWindow() {
    ShowWindow(app.mainWindow, SW_SHOW);
    ShowWindow(app.mainWindow, SW_RESTORE);
    SwitchFocusTo(app.mainWindow);
    // While windows are out of sight or owed their undo, the status line keeps saying how that went: the
    // list's count in its place would hide a window that did not go or has not come back.
    RefreshWindowList(!app.windowsHidden && app.pendingUndo.empty());
}
