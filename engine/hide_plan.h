// Which windows a hide touches. Pure: the Win32 shell gathers the facts, these functions decide.
#pragma once
#include "catalogue/window_types.h"

#include <optional>
#include <vector>

// Every candidate a key designates; a key that finds nothing by title falls back to every window of its
// process.
std::vector<WindowHandle> ResolveWindowsToHide(const std::vector<WindowKey>& hideList,
                                               const std::vector<WindowEntry>& candidates);

// The first candidate matching title (and process, when given), else the first of that process.
std::optional<WindowHandle> ResolveSwitchTarget(const WindowKey& target,
                                                const std::vector<WindowEntry>& candidates);

// Whether a window of that process could be the switch target among some set of candidates, whatever its
// title has become: its process matches the target's (by title or by the fallback), or the target names none.
bool MayBeSwitchTarget(const WindowKey& target, std::wstring_view processName);

struct TopLevelWindow {
    WindowHandle hwnd = nullptr;
    bool visible = false;
    WindowHandle owner = nullptr;
};

// Appends, in z-order, every visible window owned (through chains of any depth) by a window to hide.
void AddOwnedWindows(std::vector<WindowHandle>& toHide, const std::vector<TopLevelWindow>& topLevel);

// The style a hidden window wears: off the taskbar and out of Alt+Tab.
inline constexpr std::int64_t kExStyleToolWindow = 0x80;
inline constexpr std::int64_t kExStyleAppWindow = 0x40000;
inline std::int64_t HiddenExStyle(std::int64_t exStyle) {
    return (exStyle & ~kExStyleAppWindow) | kExStyleToolWindow;
}
