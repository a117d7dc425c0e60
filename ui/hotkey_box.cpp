#include "ui/hotkey_box.h"

#include "settings/settings_file.h"
#include "triggers/hotkey.h"
#include "ui/app_state.h"
#include "ui/window_list.h"

#include <commctrl.h>

void SayChangeSaved(const std::wstring& change) {
    CommitListToSettings();
    const SaveOutcome saved = SaveSettings(app.settings);
    SetStatusText(saved.trouble != SaveTrouble::None ? change + L"，但" + SettingsNotSavedText(saved)
                                                     : change);
}

bool RegisterOnMainWindow(HotkeySpec hotkey) {
    app.hotkeyRegistered = RegisterToggleHotkey(app.mainWindow, hotkey);
    return app.hotkeyRegistered;
}

void SetHotkeyBox(HotkeySpec hotkey) {
    HWND box = LiveControl(IDC_HOTKEY);
    if (!box) return;
    app.settingHotkeyBox = true;
    SendMessageW(box, HKM_SETHOTKEY, HotkeyBoxValue(hotkey), 0);
    app.settingHotkeyBox = false;
}

void OnHotkeyBoxNotify(bool focusLost) {
    HWND box = LiveControl(IDC_HOTKEY);
    if (!box || app.settingHotkeyBox) return;
    const auto boxValue = static_cast<std::uint16_t>(SendMessageW(box, HKM_GETHOTKEY, 0, 0));
    const HotkeySpec current = app.settings.hotkey;
    switch (DecideHotkeyBoxAction(boxValue, focusLost, current)) {
    case HotkeyBoxAction::FallBackNow: FallBackToDefaultHotkey(); return;
    case HotkeyBoxAction::StartApplyTimer:
        SetTimer(app.mainWindow, TIMER_HOTKEY_APPLY, kHotkeyApplyDelayMs, nullptr);
        return;
    case HotkeyBoxAction::Ignore: KillTimer(app.mainWindow, TIMER_HOTKEY_APPLY); return;
    case HotkeyBoxAction::RefuseNoModifier:
        KillTimer(app.mainWindow, TIMER_HOTKEY_APPLY);
        SetStatusText(L"快捷键需要包含 Ctrl / Alt / Shift 至少一个");
        SetHotkeyBox(current);
        return;
    case HotkeyBoxAction::Register: break;
    }
    KillTimer(app.mainWindow, TIMER_HOTKEY_APPLY);
    const HotkeySpec wanted = HotkeyFromBoxValue(boxValue);
    if (RegisterOnMainWindow(wanted)) {
        app.settings.hotkey = wanted;
        SayChangeSaved(L"快捷键已改为 " + FormatHotkey(wanted));
        return;
    }
    SetStatusText(L"该快捷键已被占用，已还原为 " + FormatHotkey(current));
    RegisterOnMainWindow(current);
    SetHotkeyBox(current);
}

void FallBackToDefaultHotkey() {
    const HotkeySpec old = app.settings.hotkey;
    if (RegisterOnMainWindow(kDefaultHotkey)) {
        app.settings.hotkey = kDefaultHotkey;
        SetHotkeyBox(kDefaultHotkey);
        SayChangeSaved(L"快捷键为空，已自动回退为 " + FormatHotkey(kDefaultHotkey));
        return;
    }
    RegisterOnMainWindow(old);
    SetHotkeyBox(old);
    SetStatusText(L"快捷键为空，但 " + FormatHotkey(kDefaultHotkey) + L" 注册失败，已还原");
}
