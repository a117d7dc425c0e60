// The list of candidate windows with check boxes, and the drop-down of switch targets.
#pragma once
#include "catalogue/window_types.h"

#include <windows.h>

#include <vector>

// The drop-down item's data for a saved target whose window is not open: no window has this handle.
inline const HWND kRememberedTarget = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

void RefreshWindowList(bool showCount);
void FillTargetCombo(HWND keepSelected);
// Turns the ticks and the chosen target into the settings' keys, reading each ticked window's title again;
// keys the list does not show stay. Returns the ticked open windows that still have a title, as read.
std::vector<WindowEntry> CommitListToSettings();
// The ticked rows and the chosen target as the list found them, from the controls alone: what the hotkey
// hides first, before any window is asked anything.
ListedChoice ReadListedChoice();
void ShowSettingsWindow();
// The list's state-image rule: index 1 is unticked, any other index ticked.
bool IsRowTicked(HWND list, int row);
// Rows after the open windows stand for remembered keys that no open window matches.
bool IsRememberedRow(int row);
