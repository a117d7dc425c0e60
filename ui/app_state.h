// The one process-wide state record of the GUI thread: the main window, its controls, fonts and list, the
// notice and the tray icon. The engine keeps its own.
#pragma once
#include "base/handles.h"
#include "catalogue/window_types.h"
#include "settings/app_settings.h"
#include "settings/settings_file_rules.h"
#include "ui/layout.h"
#include "ui/ids.h"
#include "ui/palette.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AppState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    int dpi = 96;
    AppSettings settings;

    // Indexed by control id - 1001; see ControlHandle.
    std::array<HWND, kControlCount> controls{};
    UniqueFont fontNormal;
    UniqueFont fontSmall;
    UniqueFont fontTitle;
    UniqueFont fontLabel;
    // The colours the window paints with itself, and the brush of its background.
    Palette palette;
    UniqueBrush backgroundBrush;
    // F5, Ctrl+S and F1.
    UniqueAccelerators accelerators;
    // The control that had the keyboard focus when the window was last left; none: the list.
    HWND lastFocus = nullptr;
    UniqueImageList rowHeightImageList;
    // The client size and DPI the controls were last placed for.
    struct {
        Size client{-1, -1};
        int dpi = 0;
    } laidOut;

    bool hotkeyRegistered = false;
    bool settingHotkeyBox = false;
    bool settingTriggerBoxes = false;
    // Owned by the main window, and destroyed with it.
    HWND triggerTips = nullptr;
    bool trayIconAdded = false;
    // The shell took the icon's fourth version; a right click's release came and its menu event has not.
    bool trayVersionFour = false;
    bool trayRightClickPending = false;
    // The wait before the pending try to add the tray icon; 0 when none is pending.
    unsigned trayRetryDelayMs = 0;

    std::vector<WindowEntry> listEntries;
    // The hide list's keys that no open window matched at the fill: their rows follow the open windows'.
    std::vector<WindowKey> rememberedKeys;
    // The saved target when no open window matched it at the fill: the drop-down offers it all the same.
    std::optional<WindowKey> rememberedTarget;
    WindowSnapshot listSnapshot;
    bool listFilling = false;
    // The list watch: when the list last matched the desktop, and the count of other programs' window events
    // then and now, while the hooks that count them are set.
    std::uint64_t listLookedAtMs = 0;
    std::uint64_t windowEventsAtLook = 0;
    std::uint64_t windowEvents = 0;
    std::array<UniqueWinEventHook, 3> windowEventHooks;

    int noticeResult = 0;
};

extern AppState app;

inline HWND ControlHandle(int id) {
    const int index = id - kFirstControlId;
    return (index >= 0 && index < kControlCount) ? app.controls[static_cast<std::size_t>(index)] : nullptr;
}

// The control exists right now; code that does not own a control checks before using it.
inline HWND LiveControl(int id) {
    HWND control = ControlHandle(id);
    return (control && IsWindow(control)) ? control : nullptr;
}

void SetStatusText(const std::wstring& text);
// The system's words for an error, in the user's language, on one line.
std::wstring SystemErrorText(DWORD error);
// "设置未能保存：" and why, in plain words where there are any, else in the system's.
std::wstring SettingsNotSavedText(const SaveOutcome& outcome);
