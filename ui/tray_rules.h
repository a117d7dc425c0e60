// The notification-area icon's decisions that need no window system.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// How long to wait before trying again to add the icon, after a try that waited `lastDelayMs` (0: the first
// try at the start) failed: the shell may take a while to start at sign-in, and later tries need not be
// often.
unsigned NextTrayRetryDelayMs(unsigned lastDelayMs);

// What the icon's callback asks for. The icon declares the shell's fourth version, where a right click comes
// as the button's release and then a context-menu event, the keyboard's menu key (or Shift+F10) as the
// context-menu event alone, and Enter or Space as a key selection; a shell that refuses the version sends the
// mouse's messages only. The menu of a right click opens at the release, as it always did.
enum class TrayAction { Nothing, OpenWindow, Menu, MenuFromKeyboard };
// `event`: the notification (the low word of the callback's lParam). `rightClickPending`: a right button's
// release came and its context-menu event has not; it is updated here.
TrayAction DecideTrayAction(unsigned event, bool versionFour, bool& rightClickPending);

// Whether the Startup folder's shortcut is disabled in Task Manager's list of start-up programs, from the
// value Windows keeps for it (the first byte is odd when disabled). No value, or an empty one, is enabled.
bool StartupEntryDisabled(std::span<const std::uint8_t> approvedValue);
