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
    if (HWND list = LiveControl(IDC_WINDOW_LIST)) {
        // This runs on every press of the hotkey, before anything is hidden: what it reads of a ticked window
        // is what hiding it takes, and a window's program never changes, so the one the list found stands.
        const int rows = RowCount(list);
        for (int row = 0; row < rows; ++row) {
            HWND hwnd = nullptr;
            if (!IsRowTicked(list, row) || !RowWindow(list, row, hwnd)) continue;
            WindowEntry entry;
            const bool candidate = ReadCandidate(hwnd, entry);
            if (!candidate && entry.title.empty()) entry.title = ReadWindowTitle(hwnd);
            // A window that is gone reads no title.
            if (entry.title.empty()) continue;
            const WindowEntry* listed = FindEntry(app.listEntries, hwnd);
            entry.processName =
                listed && !listed->processName.empty() ? listed->processName : GetWindowProcessName(hwnd);
            app.settings.hideList.push_back(KeyOf(entry));
            if (candidate) ticked.push_back(std::move(entry));
        }
    }
    for (const WindowKey& key : app.hiddenKeys) {
        if (std::find(app.settings.hideList.begin(), app.settings.hideList.end(), key) ==
            app.settings.hideList.end()) {
            app.settings.hideList.push_back(key);
        }
    }
    app.settings.hasFocusTarget = false;
    app.settings.focusTarget = {};
    HWND combo = LiveControl(IDC_TARGET_COMBO);
    if (!combo) return ticked;
    const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selection < 0) return ticked;
    HWND target = reinterpret_cast<HWND>(SendMessageW(combo, CB_GETITEMDATA, selection, 0));
    WindowEntry described = DescribeWindow(target);
    if (described.title.empty()) return ticked;
    app.settings.focusTarget = KeyOf(described);
    app.settings.hasFocusTarget = true;
    return ticked;
}

void ShowSettingsWindow() {
    ShowWindow(app.mainWindow, SW_SHOW);
    ShowWindow(app.mainWindow, SW_RESTORE);
    SwitchFocusTo(app.mainWindow);
    // While windows are out of sight or owed their undo, the status line keeps saying how that went: the
    // list's count in its place would hide a window that did not go or has not come back.
    RefreshWindowList(!app.windowsHidden && app.pendingUndo.empty());
}
