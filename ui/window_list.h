// The list of candidate windows with check boxes, and the drop-down of switch targets.
#pragma once
#include <windows.h>

void RefreshWindowList(bool showCount);
void FillTargetCombo(HWND keepSelected);
void CommitListToSettings();
void ShowSettingsWindow();
// The list's state-image rule: index 1 is unticked, any other index ticked.
bool IsRowTicked(HWND list, int row);
