// The list of candidate windows with check boxes, and the drop-down of switch targets.
#pragma once
#include "catalogue/window_types.h"

#include <windows.h>

#include <vector>

void RefreshWindowList(bool showCount);
void FillTargetCombo(HWND keepSelected);
// Turns the ticks and the chosen target into the settings' keys, reading each ticked window's title again.
// Returns the ticked windows that still have one, as read.
std::vector<WindowEntry> CommitListToSettings();
// The ticked rows and the chosen target as the list found them, from the controls alone: what the hotkey
// hides first, before any window is asked anything.
ListedChoice ReadListedChoice();
void ShowSettingsWindow();
// The list's state-image rule: index 1 is unticked, any other index ticked.
bool IsRowTicked(HWND list, int row);
