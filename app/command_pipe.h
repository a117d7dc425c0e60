// Commands of later starts that the system keeps from an elevated instance's window: a program of lower
// integrity (the user's Explorer, a macro tool, a sandboxed browser) may not post to it, so it takes them
// through a pipe that the system opens only to the user's own programs of medium integrity or above.
#pragma once
#include "app/command_line.h"

#include <windows.h>

#include <string>

// Listens for commands on a thread of its own, which posts each one it accepts to `window` as
// WM_START_COMMAND, the message every loop of the program dispatches, so a command waits for nothing the
// window does. Nothing where the pipe cannot be made (a program took its name first): commands from below are
// then refused.
void StartCommandPipe(HWND window, const ProcessRights& ours);
void StopCommandPipe();

// A later start's side: hands `command` to the instance whose main window belongs to `processId`. Empty, or
// why not.
std::wstring HandOverThroughPipe(StartCommand command, DWORD processId);
