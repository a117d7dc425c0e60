// The one process-wide state record of the GUI thread.
#pragma once
#include "app/handles.h"
#include "catalogue/window_types.h"
#include "settings/app_settings.h"
#include "ui/ids.h"

#include <shobjidl.h>

#include <array>
#include <string>
#include <vector>

struct HiddenWindowRecord {
    HWND hwnd = nullptr;
    LONG_PTR savedExStyle = 0;
    bool wasMinimized = false;
};

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
    HBRUSH backgroundBrush = nullptr;
    UniqueImageList rowHeightImageList;

    bool hotkeyRegistered = false;
    bool settingHotkeyBox = false;
    bool trayIconAdded = false;

    std::vector<WindowEntry> listEntries;
    WindowSnapshot listSnapshot;
    bool listFilling = false;

    bool windowsHidden = false;
    std::vector<HiddenWindowRecord> hiddenSet;
    HWND focusBeforeHide = nullptr;
    // The hide list as it stood when the hide began. Hidden windows are not candidates, so a commit made
    // while they are hidden (or before the list has shown them again) would drop their keys; commits add
    // these back.
    std::vector<WindowKey> hiddenKeys;

    ComPtr<ITaskbarList> taskbarList;
    int noticeResult = 0;
    UniqueHandle watchdogProcess;
    std::wstring stateFileOverride;
};

extern AppState app;

inline HWND ControlHandle(int id) {
    const int index = id - kFirstControlId;
    return (index >= 0 && index < kControlCount) ? app.controls[static_cast<std::size_t>(index)] : nullptr;
}

// The control exists right now; Parts that do not own a control check before using it.
inline HWND LiveControl(int id) {
    HWND control = ControlHandle(id);
    return (control && IsWindow(control)) ? control : nullptr;
}

// Full path of a file beside the running executable.
std::wstring PathBesideExecutable(std::wstring_view fileName);

void SetStatusText(const std::wstring& text);
void ToggleHidden();
