// Hiding the ticked windows, switching the focus, and putting everything back.
#pragma once
#include "app/app_state.h"

void HideWindows();
void RestoreHiddenWindow(const HiddenWindowRecord& record);
void RestoreAllWindows();
void RestoreAllOnCrash();
void SwitchFocusTo(HWND target);
