// The other ways of asking for a toggle, beside the hotkey box: the mouse button with its modifiers, the
// screen corner with its hold, the minutes of absence. A change is applied and saved at once, as a hotkey
// change is.
#pragma once
#include <windows.h>

#include <string>

// Shows the settings in the controls.
void ShowTriggerSettings();
void OnTriggerBoxCommand(int id, int code);
// Sets the mouse hook and the absence timer to the settings; ERROR_SUCCESS, or why the hook could not be set.
DWORD ApplyTriggers();
// "鼠标键和屏幕角无法启用：" and the system's words.
std::wstring PointerTroubleText(DWORD error);
// What the labels cannot say, shown when the pointer rests on a control.
void AddTriggerTooltips();
