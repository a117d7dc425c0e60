// The notification-area icon: added at creation, tried again until the shell takes it, added again when the
// shell restarts; its tooltip follows the hidden state.
#pragma once
#include "ui/commands.h"

#include <windows.h>

// Adds the icon unless it is there; while the shell refuses it, tries again on TIMER_TRAY_RETRY.
void ShowTrayIcon();
void RemoveTrayIcon();
void UpdateTrayTip();
void OnTaskbarCreated();
// `anchor`: where the shell places the icon's menu (the fourth version's wParam); `event`: the callback's
// lParam.
UserCommand OnTrayIcon(WPARAM anchor, LPARAM event);
