// The list of candidate windows with check boxes, and the drop-down of switch targets.
#pragma once
#include "catalogue/window_types.h"

#include <windows.h>

#include <vector>

void RefreshWindowList(bool showCount);
void FillTargetCombo(HWND keepSelected);
// Turns the ticks and the chosen target into the settings' keys, reading each ticked window again. Returns
// the ticked windows that are candidates now, as read.
std::vector<WindowEntry> CommitListToSettings();
void ShowSettingsWindow();
// The list's state-image rule: index 1 is unticked, any other index ticked.
bool IsRowTicked(HWND list, int row);
