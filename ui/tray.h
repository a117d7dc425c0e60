// The notification-area icon: added at creation, again when the shell restarts, tooltip follows the hidden
// state.
#pragma once
#include "ui/commands.h"

#include <windows.h>

bool AddTrayIcon();
void RemoveTrayIcon();
void UpdateTrayTip();
void OnTaskbarCreated();
UserCommand OnTrayIcon(LPARAM event);
