#include "ui/trigger_boxes.h"

#include "engine/engine.h"
#include "triggers/absence.h"
#include "triggers/hotkey_spec.h"
#include "triggers/pointer_hook.h"
#include "ui/app_state.h"
#include "ui/hotkey_box.h"

#include <commctrl.h>

#include <array>
#include <optional>
#include <string>
#include <utility>

namespace {

constexpr std::array<std::int32_t, 4> kButtons = {0, kVkMiddleButton, kVkSideButton1, kVkSideButton2};
constexpr std::array<std::pair<int, std::int32_t>, 3> kModifierBoxes = {
    {{IDC_MOUSE_CTRL, kModControl}, {IDC_MOUSE_ALT, kModAlt}, {IDC_MOUSE_SHIFT, kModShift}}};
constexpr std::array<HotCorner, 5> kCorners = {HotCorner::None, HotCorner::TopLeft, HotCorner::TopRight,
                                               HotCorner::BottomLeft, HotCorner::BottomRight};

// A number box with its spin, and what it holds.
struct NumberBox {
    int box;
    int spin;
    int low;
    int high;
    UDACCEL steps[2];
    const wchar_t* outOfRange;
};
constexpr NumberBox kHoldBox = {IDC_CORNER_MS,    IDC_CORNER_MS_SPIN,  kMinCornerHoldMs,
                                kMaxCornerHoldMs, {{0, 50}, {2, 100}}, L"停留时间须在 100 到 2000 毫秒之间"};
constexpr NumberBox kAwayBox = {IDC_AWAY_MINUTES,    IDC_AWAY_SPIN,     0,
                                kMaxAutoHideMinutes, {{0, 1}, {2, 10}}, L"分钟数须在 0 到 1440 之间"};

// The settings written into the controls make them notify as the user's changes do.
struct SettingBoxes {
    SettingBoxes() { app.settingTriggerBoxes = true; }
    ~SettingBoxes() { app.settingTriggerBoxes = false; }
    SettingBoxes(const SettingBoxes&) = delete;
    SettingBoxes& operator=(const SettingBoxes&) = delete;
};

void FillOnce(int id, const std::wstring* texts, std::size_t count) {
    HWND combo = LiveControl(id);
    if (!combo || SendMessageW(combo, CB_GETCOUNT, 0, 0) > 0) return;
    for (std::size_t i = 0; i < count; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i].c_str()));
}

int Selected(int id) {
    HWND combo = LiveControl(id);
    const LRESULT selection = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
    return selection == CB_ERR ? 0 : static_cast<int>(selection);
}

void ShowNumber(const NumberBox& box, int value) {
    SetDlgItemInt(app.mainWindow, box.box, static_cast<UINT>(value), FALSE);
    if (HWND spin = LiveControl(box.spin)) SendMessageW(spin, UDM_SETPOS32, 0, value);
}

std::optional<int> NumberIn(const NumberBox& box) {
    BOOL read = FALSE;
    const UINT value = GetDlgItemInt(app.mainWindow, box.box, &read, FALSE);
    if (!read || value < static_cast<UINT>(box.low) || value > static_cast<UINT>(box.high))
        return std::nullopt;
    return static_cast<int>(value);
}

// What belongs to a trigger that is off cannot be changed.
void EnableDependents() {
    const bool button = app.settings.pointer.mouse.vk != 0;
    for (const auto& [id, modifier] : kModifierBoxes) {
        if (HWND box = LiveControl(id)) EnableWindow(box, button);
    }
    const bool corner = app.settings.pointer.corner != HotCorner::None;
    for (const int id : {IDC_CORNER_MS, IDC_CORNER_MS_SPIN}) {
        if (HWND control = LiveControl(id)) EnableWindow(control, corner);
    }
}

void ApplyAndSave(std::wstring change) {
    if (const DWORD error = ApplyTriggers()) change = PointerTroubleText(error);
    EnableDependents();
    SayChangeSaved(change);
}

void ChangeMouse() {
    MouseTrigger mouse{kButtons[static_cast<std::size_t>(Selected(IDC_MOUSE_BUTTON)) % kButtons.size()]};
    for (const auto& [id, modifier] : kModifierBoxes) {
        if (mouse.vk && IsDlgButtonChecked(app.mainWindow, id) == BST_CHECKED) mouse.modifiers |= modifier;
    }
    if (mouse == app.settings.pointer.mouse) return;
    app.settings.pointer.mouse = mouse;
    ApplyAndSave(mouse.vk ? L"鼠标键已改为 " + MouseTriggerName(mouse) : L"已关闭鼠标键");
}

void ChangeCorner() {
    const HotCorner corner = kCorners[static_cast<std::size_t>(Selected(IDC_CORNER)) % kCorners.size()];
    if (corner == app.settings.pointer.corner) return;
    app.settings.pointer.corner = corner;
    ApplyAndSave(corner != HotCorner::None ? L"屏幕角已改为 " + HotCornerName(corner) : L"已关闭屏幕角");
}

// The number the user typed, once it is a new one the box may hold. While he types, a number outside the
// range waits; once he leaves the box, the one in force comes back.
std::optional<int> ChangedNumber(const NumberBox& box, int current, bool leaving) {
    const std::optional<int> value = NumberIn(box);
    if (!value && leaving) {
        SettingBoxes guard;
        ShowNumber(box, current);
        SetStatusText(box.outOfRange);
    }
    if (!value || *value == current) return std::nullopt;
    return value;
}

void ChangeHold(bool leaving) {
    const auto ms = ChangedNumber(kHoldBox, app.settings.pointer.cornerHoldMs, leaving);
    if (!ms) return;
    app.settings.pointer.cornerHoldMs = *ms;
    ApplyAndSave(L"屏幕角停留时间已改为 " + std::to_wstring(*ms) + L" 毫秒");
}

void ChangeAway(bool leaving) {
    const auto minutes = ChangedNumber(kAwayBox, app.settings.autoHideMinutes, leaving);
    if (!minutes) return;
    app.settings.autoHideMinutes = *minutes;
    ApplyAndSave(*minutes ? L"离开 " + std::to_wstring(*minutes) + L" 分钟后自动隐藏"
                          : L"已关闭离开后自动隐藏");
}

} // namespace

void ShowTriggerSettings() {
    SettingBoxes setting;
    std::array<std::wstring, kButtons.size()> buttons;
    for (std::size_t i = 0; i < kButtons.size(); ++i)
        buttons[i] = MouseTriggerName({kButtons[i], 0});
    FillOnce(IDC_MOUSE_BUTTON, buttons.data(), buttons.size());
    std::array<std::wstring, kCorners.size()> corners;
    for (std::size_t i = 0; i < kCorners.size(); ++i)
        corners[i] = HotCornerName(kCorners[i]);
    FillOnce(IDC_CORNER, corners.data(), corners.size());

    const PointerTriggers& pointer = app.settings.pointer;
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        if (kButtons[i] == pointer.mouse.vk) SendMessageW(LiveControl(IDC_MOUSE_BUTTON), CB_SETCURSEL, i, 0);
    }
    for (const auto& [id, modifier] : kModifierBoxes)
        CheckDlgButton(app.mainWindow, id,
                       (pointer.mouse.modifiers & modifier) ? BST_CHECKED : BST_UNCHECKED);
    for (std::size_t i = 0; i < kCorners.size(); ++i) {
        if (kCorners[i] == pointer.corner) SendMessageW(LiveControl(IDC_CORNER), CB_SETCURSEL, i, 0);
    }
    for (const auto& [box, value] :
         {std::pair{&kHoldBox, pointer.cornerHoldMs}, std::pair{&kAwayBox, app.settings.autoHideMinutes}}) {
        if (HWND spin = LiveControl(box->spin)) {
            SendMessageW(spin, UDM_SETRANGE32, box->low, box->high);
            SendMessageW(spin, UDM_SETACCEL, std::size(box->steps), reinterpret_cast<LPARAM>(box->steps));
        }
        ShowNumber(*box, value);
    }
    EnableDependents();
}

void OnTriggerBoxCommand(int id, int code) {
    if (app.settingTriggerBoxes) return;
    switch (id) {
    case IDC_MOUSE_BUTTON:
        if (code == CBN_SELCHANGE) ChangeMouse();
        break;
    case IDC_MOUSE_CTRL:
    case IDC_MOUSE_ALT:
    case IDC_MOUSE_SHIFT:
        if (code == BN_CLICKED) ChangeMouse();
        break;
    case IDC_CORNER:
        if (code == CBN_SELCHANGE) ChangeCorner();
        break;
    case IDC_CORNER_MS:
        if (code == EN_CHANGE || code == EN_KILLFOCUS) ChangeHold(code == EN_KILLFOCUS);
        break;
    case IDC_AWAY_MINUTES:
        if (code == EN_CHANGE || code == EN_KILLFOCUS) ChangeAway(code == EN_KILLFOCUS);
        break;
    default: break;
    }
}

DWORD ApplyTriggers() {
    ArmAbsenceTimer(app.mainWindow, app.settings.autoHideMinutes, engine.windowsHidden);
    return WatchPointer(app.mainWindow, app.settings.pointer);
}

std::wstring PointerTroubleText(DWORD error) {
    return L"鼠标键和屏幕角无法启用：" + SystemErrorText(error);
}

void AddTriggerTooltips() {
    if (app.triggerTips) return;
    app.triggerTips = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, app.mainWindow, nullptr, app.instance, nullptr);
    if (!app.triggerTips) return;
    SendMessageW(app.triggerTips, TTM_SETMAXTIPWIDTH, 0, Scale(360, app.dpi));
    static constexpr const wchar_t* kButtonTip =
        L"按下所选的鼠标键（同时按住勾选的修饰键）即隐藏 / 恢复，这一下不会传给鼠标下的窗口";
    static constexpr const wchar_t* kCornerTip = L"把鼠标推进所选的屏幕角并停留设定的毫秒数即隐藏 / "
                                                 L"恢复；离开该角后才能再次触发，全屏程序在前时不触发";
    static constexpr const wchar_t* kAwayTip = L"这么多分钟没有键盘和鼠标操作时自动隐藏；之后的操作不会自动恢"
                                               L"复，请用快捷键、鼠标键、屏幕角或托盘恢复";
    const std::pair<int, const wchar_t*> tips[] = {
        {IDC_MOUSE_BUTTON, kButtonTip}, {IDC_MOUSE_CTRL, kButtonTip}, {IDC_MOUSE_ALT, kButtonTip},
        {IDC_MOUSE_SHIFT, kButtonTip},  {IDC_CORNER, kCornerTip},     {IDC_CORNER_MS, kCornerTip},
        {IDC_AWAY_MINUTES, kAwayTip},   {IDC_AWAY_SPIN, kAwayTip}};
    for (const auto& [id, text] : tips) {
        TTTOOLINFOW tool = {sizeof(tool)};
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = app.mainWindow;
        tool.uId = reinterpret_cast<UINT_PTR>(ControlHandle(id));
        tool.lpszText = const_cast<wchar_t*>(text);
        SendMessageW(app.triggerTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}
