// Every numeric identifier of the user interface, in one place.
#pragma once

// <windows.h> names its help cursor IDC_HELP; this program never loads that cursor and keeps the name for its
// button.
#ifdef IDC_HELP
#undef IDC_HELP
#endif

// Controls of the main window.
inline constexpr int IDC_INTRO = 1001;
inline constexpr int IDC_WINDOW_LIST = 1002;
inline constexpr int IDC_HOTKEY_LABEL = 1003;
inline constexpr int IDC_HOTKEY = 1004;
inline constexpr int IDC_HOTKEY_HINT = 1005;
inline constexpr int IDC_TARGET_LABEL = 1006;
inline constexpr int IDC_TARGET_COMBO = 1007;
inline constexpr int IDC_REFRESH = 1008;
inline constexpr int IDC_SAVE = 1009;
inline constexpr int IDC_TOGGLE = 1010;
inline constexpr int IDC_TO_TRAY = 1011;
inline constexpr int IDC_EXIT = 1012;
inline constexpr int IDC_HELP = 1013;
inline constexpr int IDC_STATUS = 1014;
inline constexpr int IDC_TITLE = 1015;
inline constexpr int IDC_LIST_LABEL = 1016;
// The other ways of asking for a toggle, beside the hotkey box.
inline constexpr int IDC_MOUSE_LABEL = 1017;
inline constexpr int IDC_MOUSE_BUTTON = 1018;
inline constexpr int IDC_MOUSE_CTRL = 1019;
inline constexpr int IDC_MOUSE_ALT = 1020;
inline constexpr int IDC_MOUSE_SHIFT = 1021;
inline constexpr int IDC_CORNER_LABEL = 1022;
inline constexpr int IDC_CORNER = 1023;
inline constexpr int IDC_CORNER_MS = 1024;
inline constexpr int IDC_CORNER_MS_SPIN = 1025;
inline constexpr int IDC_CORNER_MS_UNIT = 1026;
inline constexpr int IDC_AWAY_LABEL = 1027;
inline constexpr int IDC_AWAY_MINUTES = 1028;
inline constexpr int IDC_AWAY_SPIN = 1029;
inline constexpr int IDC_AWAY_UNIT = 1030;
inline constexpr int kFirstControlId = 1001;
inline constexpr int kControlCount = 30;

// Buttons of the usage notice.
inline constexpr int IDC_NOTICE_AGREE = 2001;
inline constexpr int IDC_NOTICE_REFUSE = 2002;

// Tray menu items.
inline constexpr int IDM_OPEN_SETTINGS = 2001;
inline constexpr int IDM_TOGGLE = 2002;
inline constexpr int IDM_EXIT = 2003;
inline constexpr int IDM_START_WITH_WINDOWS = 2004;

// Timers on the main window.
inline constexpr unsigned TIMER_HOTKEY_APPLY = 1;
inline constexpr unsigned TIMER_LIST_WATCH = 2;
// Timers 3 and 5 and the message 0x8003 are the engine's; timer 6 and the messages 0x8006 and 0x8007 the
// triggers'.
inline constexpr unsigned TIMER_TRAY_RETRY = 4;
inline constexpr unsigned kHotkeyApplyDelayMs = 900;
inline constexpr unsigned kListWatchPeriodMs = 800;

inline constexpr unsigned WM_TRAYICON = 0x8001; // WM_APP + 1
// The rest of the start, once the main window has painted.
inline constexpr unsigned WM_FINISH_START = 0x8005; // WM_APP + 5
// A second start hands its command (a StartCommand in wParam) to the running instance.
inline constexpr unsigned WM_START_COMMAND = 0x8004; // WM_APP + 4
inline constexpr unsigned kTrayIconId = 1;
inline constexpr int kAppIconId = 101;
