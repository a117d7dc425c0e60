#include "engine/hidden_set.h"

#include "catalogue/catalogue.h"
#include "engine/hide_plan.h"
#include "engine/state_file.h"
#include "ui/tray.h"

#include <string>

namespace {

std::vector<TopLevelWindow> DescribeTopLevelWindows() {
    std::vector<TopLevelWindow> windows;
    for (HWND hwnd : EnumerateAllTopLevelWindows()) {
        const bool visible = IsTopLevelWindowVisible(hwnd);
        windows.push_back({hwnd, visible, visible ? GetWindow(hwnd, GW_OWNER) : nullptr});
    }
    return windows;
}

HiddenWindowRecord RecordBeforeHiding(HWND hwnd) {
    return {hwnd, GetWindowLongPtrW(hwnd, GWL_EXSTYLE), IsIconic(hwnd) != FALSE};
}

void HideRecordedWindow(const HiddenWindowRecord& record) {
    const LONG_PTR hiddenStyle = static_cast<LONG_PTR>(HiddenExStyle(record.savedExStyle));
    if (hiddenStyle != record.savedExStyle) {
        SetWindowLongPtrW(record.hwnd, GWL_EXSTYLE, hiddenStyle);
        SetWindowPos(record.hwnd, nullptr, 0, 0, 0, 0, kFrameRefreshFlags);
    }
    if (app.taskbarList) app.taskbarList->DeleteTab(record.hwnd);
    ShowWindow(record.hwnd, SW_HIDE);
}

void RestoreRecordsLastToFirst() {
    for (auto record = app.hiddenSet.rbegin(); record != app.hiddenSet.rend(); ++record)
        RestoreHiddenWindow(*record);
    app.hiddenSet.clear();
    app.windowsHidden = false;
}

} // namespace

void HideWindows() {
    if (app.windowsHidden) return;
    const std::vector<WindowEntry> candidates = EnumerateCandidateWindows();
    std::vector<WindowHandle> toHide = ResolveWindowsToHide(app.settings.hideList, candidates);
    const std::optional<WindowHandle> target = ResolveSwitchTarget(app.settings.focusTarget, candidates);
    if (target) std::erase(toHide, *target);
    if (app.mainWindow && IsWindowVisible(app.mainWindow)) toHide.push_back(app.mainWindow);
    AddOwnedWindows(toHide, DescribeTopLevelWindows());
    if (toHide.empty() && !target) {
        SetStatusText(L"未配置窗口：先勾选要隐藏的窗口，再选切换目标");
        return;
    }
    app.focusBeforeHide = GetForegroundWindow();
    app.hiddenKeys = app.settings.hideList;
    app.hiddenSet.clear();
    app.hiddenSet.reserve(toHide.size());
    for (HWND hwnd : toHide)
        app.hiddenSet.push_back(RecordBeforeHiding(hwnd));
    app.windowsHidden = true;
    // The state file lists every window before the first one changes: a process killed half-way through a
    // hide still leaves the watchdog all it needs, and putting back a window that was not hidden yet is
    // harmless.
    WriteStateFile();
    for (const HiddenWindowRecord& record : app.hiddenSet)
        HideRecordedWindow(record);
    if (target) SwitchFocusTo(*target);
    UpdateTrayTip();
    SetStatusText(L"已隐藏 " + std::to_wstring(app.hiddenSet.size()) + L" 个窗口");
}

void RestoreHiddenWindow(const HiddenWindowRecord& record) {
    if (!record.hwnd || !IsWindow(record.hwnd)) return;
    ApplyRestore(record.hwnd, record.savedExStyle, record.wasMinimized);
}

void RestoreAllWindows() {
    if (!app.windowsHidden) return;
    RestoreRecordsLastToFirst();
    WriteStateFile();
    HWND previous = app.focusBeforeHide;
    if (previous && IsWindow(previous) && IsWindowVisible(previous)) SwitchFocusTo(previous);
    app.focusBeforeHide = nullptr;
    UpdateTrayTip();
    SetStatusText(L"已恢复全部窗口");
}

void RestoreAllOnCrash() {
    if (app.hiddenSet.empty()) return;
    RestoreRecordsLastToFirst();
    WriteStateFile();
}

void SwitchFocusTo(HWND target) {
    if (!target || !IsWindow(target)) return;
    if (IsIconic(target)) ShowWindow(target, SW_RESTORE);
    HWND foreground = GetForegroundWindow();
    if (!foreground) {
        SetForegroundWindow(target);
        BringWindowToTop(target);
        return;
    }
    const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    bool attached = false;
    if (foregroundThread != 0 && foregroundThread != ownThread) {
        attached = AttachThreadInput(foregroundThread, ownThread, TRUE) != FALSE;
    }
    SetForegroundWindow(target);
    BringWindowToTop(target);
    if (attached) AttachThreadInput(foregroundThread, ownThread, FALSE);
    // Detaching can leave no foreground window at all (Wine does): the target is asked for once more.
    if (GetForegroundWindow() != target) SetForegroundWindow(target);
}
