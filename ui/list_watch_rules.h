// When the list watch looks at the desktop again: a look reads every top-level window, and while nothing has
// changed it finds nothing.
#pragma once
#include <cstdint>

// Every tick of the list watch, or an activation of the main window.
enum class ListLookCause { Tick, Activation };

// No window event tells of a window given or stripped of the tool-window style while it stays on the screen:
// where the events are trusted, a look is still made this often.
inline constexpr std::uint64_t kListSafetyLookMs = 4000;

// Whether to look now, `msSinceLook` after the list was last filled or compared with the desktop.
// `eventsTrusted`: the system tells this program of other programs' windows made, destroyed, shown, hidden,
// renamed, cloaked and uncloaked (Windows does; Wine tells only of the making). `eventsSinceLook`: it told of
// one since the last look.
bool ListLookDue(ListLookCause cause, std::uint64_t msSinceLook, bool eventsTrusted, bool eventsSinceLook);
