// Which windows a hide touches. Pure: the Win32 shell gathers the facts, these functions decide.
#pragma once
#include "catalogue/window_types.h"

#include <optional>
#include <vector>

// Every candidate a key designates; a key that finds nothing by title falls back to every window of its
// process that is not cloaked, unless that process hosts unrelated windows. A cloaked window (on another
// virtual desktop) is still found by its title.
std::vector<WindowHandle> ResolveWindowsToHide(const std::vector<WindowKey>& hideList,
                                               const std::vector<WindowEntry>& candidates);

// The first candidate not cloaked matching title (and process, when given), else the first of that process
// unless it hosts unrelated windows.
std::optional<WindowHandle> ResolveSwitchTarget(const WindowKey& target,
                                                const std::vector<WindowEntry>& candidates);

// Whether a window of that process could be the switch target among some set of candidates, whatever its
// title has become: its process matches the target's (by title or by the fallback), or the target names none.
bool MayBeSwitchTarget(const WindowKey& target, std::wstring_view processName);

// What a press does for a remembered key that no open window matches by title.
enum class RememberedReach {
    NotRunning,             // no window of its program is open
    NothingOpen,            // its program hosts unrelated windows, or the key names none: nothing is hidden
    EveryWindowOfItsProgram // its program is open under other titles: the fallback takes all its windows
};
RememberedReach ReachOfRememberedKey(const WindowKey& key, const std::vector<WindowEntry>& candidates);

// A key of the hide list with a window it found by title at the hide. While that window is hidden it is no
// candidate, so the list cannot keep its tick: the key does, under whatever title the window takes meanwhile.
struct HiddenKey {
    WindowKey key;
    WindowHandle window = nullptr; // none: the key found no window to hide by its title
};

// Each key with every window to hide that it matches by title (in candidate order), or alone when it matches
// none.
std::vector<HiddenKey> KeysWithTheirWindows(const std::vector<WindowKey>& hideList,
                                            const std::vector<WindowEntry>& candidates,
                                            const std::vector<WindowHandle>& toHide);

// Whether a window that opened while others are hidden is one the keys of that hide name by title: a program
// restarted, a second instance, a window made anew.
bool NamedByHiddenKeys(const std::vector<HiddenKey>& keys, const WindowEntry& entry);

// Programs whose one process holds windows of unrelated tasks (every File Explorer folder, every UWP app,
// every Java or Python program): a window of theirs whose title changed says nothing about which of their
// other windows the user meant.
bool HostsUnrelatedWindows(std::wstring_view processName);

// What a look does with a window shown while others are hidden: a hidden one its program showed again, or one
// that would join them.
enum class ShownWindowFate {
    LeftToTheUser, // the user brought it to the front: it, or the window at the root of its owner chain
    LookAgain,     // not in front yet: a program may show its window and bring it to the front a moment later
    OutOfSight     // still not in front at the look after the one that saw it shown
};
// Only the user's bringing leaves a window in front to him: a program may take the front itself (it is the
// foreground process, or no window is in front), and one in front with no input since the hide goes again.
ShownWindowFate FateOfShownWindow(WindowHandle window, WindowHandle rootOwner, WindowHandle foreground,
                                  bool shownAtTheLastLook, bool userActedSinceHide);

// A window made while others are hidden that the keys of the hide do not name, or not yet: a program may give
// its window its title only after showing it (a browser's "New Tab", then the page's), so its title is read
// again at every look until it has been shown this long.
inline constexpr std::uint64_t kNewWindowTitleWatchMs = 10000;
enum class NewWindowLook {
    Forget,   // gone, or shown long enough that its title is its own
    Wait,     // not shown (yet)
    ReadTitle // shown: whether the keys name it now
};
// `shownForMs`: since a look first found it shown; none while none has.
NewWindowLook LookAtNewWindow(bool exists, bool visible, std::optional<std::uint64_t> shownForMs);

// The keys or the button of the press that hid are let go within this time: input after it is the user's own.
inline constexpr std::uint64_t kTriggerSettleMs = 1000;
// Whether keyboard or mouse input came after the hide, `inputAgeMs` and `hideAgeMs` ago. After a hide for the
// user's absence, no press of his is to be let go: any input counts.
bool UserActedSinceHide(std::uint32_t inputAgeMs, std::uint64_t hideAgeMs, bool hiddenForAbsence);

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

inline constexpr std::int64_t kExStyleNoActivate = 0x08000000;

// The shell's own rule for a taskbar button: an app window, or an unowned window that is neither a tool
// window nor one that never takes the activation. A restore gives a button back only to such a window, since
// the taskbar list adds one to any window it is given.
inline bool HasOwnTaskbarButton(std::int64_t exStyle, bool owned) {
    return (exStyle & kExStyleAppWindow) ||
           (!owned && !(exStyle & kExStyleToolWindow) && !(exStyle & kExStyleNoActivate));
}
