#include "hotkey/hotkey.h"

#include "app/app_state.h"
#include "settings/settings_file.h"
#include "ui/window_list.h"

namespace {

// A hotkey change is saved at once, with the list as it stands; the status line says what became of it.
void SayHotkeyChangeSaved(const std::wstring& change) {
    CommitListToSettings();
    const DWORD error = SaveSettings();
    SetStatusText(error ? change + L"，但" + SettingsNotSavedText(error) : change);
}

} // namespace

bool RegisterToggleHotkey(HotkeySpec hotkey) {
    if (app.hotkeyRegistered) {
        UnregisterHotKey(app.mainWindow, HOTKEY_ID_TOGGLE);
        app.hotkeyRegistered = false;
    }
    app.hotkeyRegistered =
        RegisterHotKey(app.mainWindow, HOTKEY_ID_TOGGLE, static_cast<UINT>(hotkey.modifiers | kModNoRepeat),
                       static_cast<UINT>(hotkey.vk)) != FALSE;
    return app.hotkeyRegistered;
}

std::wstring KeyDisplayName(std::int32_t vk) {
    if (FixedKeyName(vk)) return KeyDisplayNameFrom(vk, {});
    wchar_t name[64] = {};
    const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    if (scanCode != 0 && GetKeyNameTextW(static_cast<LONG>(scanCode) << 16, name, 64) > 0) {
        return KeyDisplayNameFrom(vk, name);
    }
    return KeyDisplayNameFrom(vk, {});
}

std::wstring FormatHotkey(HotkeySpec hotkey) {
    return FormatHotkeyWith(hotkey.modifiers, KeyDisplayName(hotkey.vk));
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
    if (RegisterToggleHotkey(wanted)) {
        app.settings.hotkey = wanted;
        SayHotkeyChangeSaved(L"快捷键已改为 " + FormatHotkey(wanted));
        return;
    }
    SetStatusText(L"该快捷键已被占用，已还原为 " + FormatHotkey(current));
    RegisterToggleHotkey(current);
    SetHotkeyBox(current);
}

void FallBackToDefaultHotkey() {
    const HotkeySpec old = app.settings.hotkey;
    if (RegisterToggleHotkey(kDefaultHotkey)) {
        app.settings.hotkey = kDefaultHotkey;
        SetHotkeyBox(kDefaultHotkey);
        SayHotkeyChangeSaved(L"快捷键为空，已自动回退为 " + FormatHotkey(kDefaultHotkey));
        return;
    }
    RegisterToggleHotkey(old);
    SetHotkeyBox(old);
    SetStatusText(L"快捷键为空，但 " + FormatHotkey(kDefaultHotkey) + L" 注册失败，已还原");
}
