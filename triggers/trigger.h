// What asks for a toggle. The ways that run outside the main window's own messages (the mouse button, the
// corner) post WM_TRIGGER to it, so that every way reaches the engine by one road.
#pragma once

enum class Trigger { Hotkey, MouseButton, Corner, Away };

inline constexpr unsigned WM_TRIGGER = 0x8006; // WM_APP + 6; the Trigger in wParam
// The system removed the mouse hook and it could not be set again; the error in wParam.
inline constexpr unsigned WM_POINTER_TROUBLE = 0x8007; // WM_APP + 7
// The absence timer on the main window.
inline constexpr unsigned TIMER_AWAY = 6;
