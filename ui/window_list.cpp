#include "ui/window_list.h"

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "engine/hidden_set.h"
#include "engine/hide_plan.h"
#include "ui/app_state.h"
#include "ui/keyboard.h"

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

void TickRow(HWND list, int row) {
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = kTickedState;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

int InsertRow(HWND list, int index, const std::wstring& title, const std::wstring& processName, HWND hwnd) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(title.c_str());
    item.lParam = reinterpret_cast<LPARAM>(hwnd);
    const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMW process = {};
    process.iSubItem = 1;
    process.pszText = const_cast<wchar_t*>(processName.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&process));
    return row;
}

void InsertOpenRow(HWND list, int index, const WindowEntry& entry) {
    const int row = InsertRow(list, index, entry.title, entry.processName, entry.hwnd);
    const bool ticked = std::any_of(app.settings.hideList.begin(), app.settings.hideList.end(),
                                    [&](const WindowKey& key) { return KeyMatchesEntry(key, entry); });
    if (ticked) TickRow(list, row);
}

// The row the keyboard is on, by the window it stands for: a list filled anew keeps it there, and a list that
// had none gets its first row, so that the space bar has a row to tick.
struct KeyboardRow {
    int index = -1;
    HWND window = nullptr;
    bool selected = false;
};

KeyboardRow ReadKeyboardRow(HWND list) {
    KeyboardRow row;
    row.index = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (row.index < 0) return row;
    RowWindow(list, row.index, row.window);
    row.selected = SendMessageW(list, LVM_GETITEMSTATE, row.index, LVIS_SELECTED) != 0;
    return row;
}

void PutKeyboardRow(HWND list, const KeyboardRow& was) {
    const int count = RowCount(list);
    if (count == 0) return;
    int row = std::clamp(was.index, 0, count - 1);
    HWND hwnd = nullptr;
    for (int i = 0; was.window && i < count; ++i) {
        if (RowWindow(list, i, hwnd) && hwnd == was.window) row = i;
    }
    LVITEMW state = {};
    state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    state.state = LVIS_FOCUSED | (was.selected ? LVIS_SELECTED : 0);
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

// A remembered row says after its title what a press will do with it (the title column has the room): the
// list never suggests less than a press hides.
std::wstring RememberedRowText(const WindowKey& key) {
    switch (ReachOfRememberedKey(key, app.listEntries)) {
    case RememberedReach::NotRunning: return key.title + L"（未运行）";
    case RememberedReach::EveryWindowOfItsProgram: return key.title + L"（标题已变：将隐藏该程序的全部窗口）";
    case RememberedReach::NothingOpen: break;
    }
    return key.title + L"（未打开）";
}

// A key that stands for a window hidden now: hidden windows are no candidates, and the key is no program that
// is closed.
bool StandsForHiddenWindow(const WindowKey& key) {
    return std::any_of(engine.hiddenKeys.begin(), engine.hiddenKeys.end(), [&](const HiddenKey& hidden) {
        return hidden.key == key && hidden.window && IsWindow(hidden.window);
    });
}

// The keys of the hide list that no open window matches, each once, in their order.
std::vector<WindowKey> RememberedKeys() {
    std::vector<WindowKey> remembered;
    for (const WindowKey& key : app.settings.hideList) {
        const bool open = std::any_of(app.listEntries.begin(), app.listEntries.end(),
                                      [&](const WindowEntry& entry) { return KeyMatchesEntry(key, entry); });
        if (!open && !StandsForHiddenWindow(key) &&
            std::find(remembered.begin(), remembered.end(), key) == remembered.end())
            remembered.push_back(key);
    }
    return remembered;
}

// The windows of the ticked rows, in the list's order.
std::vector<HWND> TickedWindows() {
    std::vector<HWND> ticked;
    HWND list = LiveControl(IDC_WINDOW_LIST);
    const int rows = list ? std::min(RowCount(list), static_cast<int>(app.listEntries.size())) : 0;
    for (int row = 0; row < rows; ++row) {
        HWND hwnd = nullptr;
        if (IsRowTicked(list, row) && RowWindow(list, row, hwnd)) ticked.push_back(hwnd);
    }
    return ticked;
}

// The window chosen in the drop-down; null for none, kRememberedTarget for the saved target that is not open.
HWND ChosenTarget() {
    HWND combo = LiveControl(IDC_TARGET_COMBO);
    const LRESULT selection = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (selection < 0) return nullptr;
    return reinterpret_cast<HWND>(SendMessageW(combo, CB_GETITEMDATA, selection, 0));
}

// The saved target that is not open, where the drop-down's choice is it; null otherwise.
const WindowKey* RememberedChoice(HWND chosen) {
    return chosen == kRememberedTarget && app.rememberedTarget ? &*app.rememberedTarget : nullptr;
}

// The hide list with each key that found windows to hide under their titles of the moment, and the hidden
// keys brought up to date with it. Hidden windows have no rows, so without this a title changed while hidden
// (a browser's tab, a player's next video) would leave the key behind.
std::vector<WindowKey> FollowHiddenTitles() {
    std::vector<WindowKey> now;
    for (HiddenKey& hidden : engine.hiddenKeys) {
        std::wstring title = hidden.window && IsWindow(hidden.window) ? ReadWindowTitle(hidden.window) : L"";
        now.push_back(title.empty() ? hidden.key : WindowKey{std::move(title), hidden.key.processName});
    }
    std::vector<WindowKey> followed;
    for (const WindowKey& key : app.settings.hideList) {
        bool found = false;
        for (std::size_t i = 0; i < engine.hiddenKeys.size(); ++i) {
            if (engine.hiddenKeys[i].key != key || !engine.hiddenKeys[i].window) continue;
            found = true;
            followed.push_back(now[i]);
        }
        if (!found) followed.push_back(key);
    }
    for (std::size_t i = 0; i < engine.hiddenKeys.size(); ++i)
        engine.hiddenKeys[i].key = now[i];
    return followed;
}

} // namespace

bool IsRowTicked(HWND list, int row) {
    const auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return ((state & LVIS_STATEIMAGEMASK) >> 12) != 1;
}

bool IsRememberedRow(int row) {
    return row >= static_cast<int>(app.listEntries.size());
}

void RefreshWindowList(bool showCount) {
    HWND list = LiveControl(IDC_WINDOW_LIST);
    if (list && RowCount(list) > 0) CommitListToSettings();
    const KeyboardRow keyboardRow = list ? ReadKeyboardRow(list) : KeyboardRow{};
    if (list) SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    if (HWND combo = LiveControl(IDC_TARGET_COMBO)) SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    app.listFilling = true;
    const std::uint64_t eventsBeforeFill = app.windowEvents;
    app.listEntries = EnumerateCandidateWindows();
    app.rememberedKeys = RememberedKeys();
    if (list) {
        for (std::size_t i = 0; i < app.listEntries.size(); ++i)
            InsertOpenRow(list, static_cast<int>(i), app.listEntries[i]);
        // After the open windows: what the user ticked and is not open now, ticked.
        for (std::size_t i = 0; i < app.rememberedKeys.size(); ++i) {
            const WindowKey& key = app.rememberedKeys[i];
            TickRow(list, InsertRow(list, static_cast<int>(app.listEntries.size() + i),
                                    RememberedRowText(key), key.processName, nullptr));
        }
        PutKeyboardRow(list, keyboardRow);
    }
    HWND preselect = nullptr;
    app.rememberedTarget.reset();
    if (app.settings.hasFocusTarget) {
        const auto match =
            std::find_if(app.listEntries.begin(), app.listEntries.end(), [](const WindowEntry& entry) {
                return KeyMatchesEntry(app.settings.focusTarget, entry);
            });
        if (match != app.listEntries.end()) {
            preselect = match->hwnd;
        } else {
            app.rememberedTarget = app.settings.focusTarget;
            preselect = kRememberedTarget;
        }
    }
    FillTargetCombo(preselect);
    app.listFilling = false;
    if (showCount) SetStatusText(L"共 " + std::to_wstring(app.listEntries.size()) + L" 个窗口");
    app.listSnapshot = SnapshotFromEntries(app.listEntries);
    app.windowEventsAtLook = eventsBeforeFill;
    app.listLookedAtMs = GetTickCount64();
    // Once the list shows the restored windows again, their ticks hold the keys.
    if (!engine.windowsHidden) engine.hiddenKeys.clear();
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
    // A saved target that is not open stays the choice until the user makes another.
    if (app.rememberedTarget) {
        const WindowKey& target = *app.rememberedTarget;
        const std::wstring text = target.title + L"    [" + target.processName + L"]（未打开）";
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(kRememberedTarget));
        if (keepSelected == kRememberedTarget) selected = index;
    }
    SendMessageW(combo, CB_SETCURSEL, selected, 0);
}

std::vector<WindowEntry> CommitListToSettings() {
    std::vector<ListedRow> rows;
    std::vector<WindowEntry> ticked;
    HWND list = LiveControl(IDC_WINDOW_LIST);
    const int count = list ? RowCount(list) : 0;
    for (int row = 0; row < count; ++row) {
        const auto index = static_cast<std::size_t>(row);
        const bool isTicked = IsRowTicked(list, row);
        if (index >= app.listEntries.size()) {
            if (index - app.listEntries.size() >= app.rememberedKeys.size()) break;
            const WindowKey& key = app.rememberedKeys[index - app.listEntries.size()];
            rows.push_back({WindowEntry{nullptr, key.title, key.processName}, key, isTicked});
            continue;
        }
        const WindowEntry& listed = app.listEntries[index];
        ListedRow& read = rows.emplace_back(ListedRow{listed, KeyOf(listed), isTicked});
        if (!isTicked) continue;
        // A window's program never changes, so the one the list found stands; its title may have. A window
        // that is gone reads no title, and its key stays as the list showed it.
        WindowEntry entry = listed;
        entry.title = ReadWindowTitle(listed.hwnd);
        if (entry.title.empty()) continue;
        if (entry.processName.empty()) entry.processName = GetWindowProcessName(listed.hwnd);
        read.now = KeyOf(entry);
        ticked.push_back(std::move(entry));
    }
    app.settings.hideList = CommittedHideList(FollowHiddenTitles(), rows);
    const HWND chosen = ChosenTarget();
    if (const WindowKey* remembered = RememberedChoice(chosen)) {
        app.settings.focusTarget = *remembered;
        app.settings.hasFocusTarget = true;
        return ticked;
    }
    const WindowEntry described = DescribeWindow(chosen);
    app.settings.hasFocusTarget = !described.title.empty();
    app.settings.focusTarget = app.settings.hasFocusTarget ? KeyOf(described) : WindowKey{};
    return ticked;
}

ListedChoice ReadListedChoice() {
    ListedChoice choice;
    for (HWND hwnd : TickedWindows()) {
        if (const WindowEntry* listed = FindEntry(app.listEntries, hwnd)) choice.ticked.push_back(*listed);
    }
    const HWND chosen = ChosenTarget();
    if (const WindowKey* remembered = RememberedChoice(chosen)) {
        choice.target = *remembered;
    } else if (const WindowEntry* listed = FindEntry(app.listEntries, chosen)) {
        choice.target = KeyOf(*listed);
    }
    return choice;
}

void ShowSettingsWindow() {
    FocusListNextTime();
    ShowWindow(app.mainWindow, SW_SHOW);
    ShowWindow(app.mainWindow, SW_RESTORE);
    SwitchFocusTo(app.mainWindow);
    // While windows are out of sight or owed their undo, the status line keeps saying how that went: the
    // list's count in its place would hide a window that did not go or has not come back.
    RefreshWindowList(!engine.windowsHidden && engine.pendingUndo.empty());
}
