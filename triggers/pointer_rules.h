// The mouse button and the screen corner that ask for a toggle, and the rules the hook thread follows. Pure:
// the thread gathers the events, these functions decide.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The buttons that may be the trigger, by their virtual-key codes; 0 is none.
inline constexpr std::int32_t kVkMiddleButton = 0x04;
inline constexpr std::int32_t kVkSideButton1 = 0x05;
inline constexpr std::int32_t kVkSideButton2 = 0x06;

struct MouseTrigger {
    std::int32_t vk = 0;
    std::int32_t modifiers = 0; // kModAlt, kModControl and kModShift, as the hotkey's
    bool operator==(const MouseTrigger&) const = default;
};

enum class HotCorner : std::int32_t { None, TopLeft, TopRight, BottomLeft, BottomRight };

inline constexpr int kDefaultCornerHoldMs = 300;
inline constexpr int kMinCornerHoldMs = 100;
inline constexpr int kMaxCornerHoldMs = 2000;

// What watches the pointer: the button and the corner, each possibly none.
struct PointerTriggers {
    MouseTrigger mouse;
    HotCorner corner = HotCorner::None;
    int cornerHoldMs = kDefaultCornerHoldMs;
    bool operator==(const PointerTriggers&) const = default;
};

inline bool WatchesPointer(const PointerTriggers& triggers) {
    return triggers.mouse.vk != 0 || triggers.corner != HotCorner::None;
}

// "中键", "Ctrl+侧键 1（后退）"; "无" for none.
std::wstring MouseTriggerName(const MouseTrigger& trigger);
std::wstring HotCornerName(HotCorner corner);

// A button pressed or released, as the low-level hook sees it; `ms` is the event's time on the system's tick
// count, which wraps after 49.7 days.
struct ButtonEvent {
    std::int32_t vk = 0;
    bool down = false;
    std::int32_t modifiers = 0; // every modifier held, Win included
    std::uint32_t ms = 0;
};

// A press held as one: a second press within this time (a bounce, or a button that repeats while held) asks
// for no second toggle.
inline constexpr std::uint32_t kPressRepeatMs = 300;

enum class ClickVerdict { PassOn, Swallow, SwallowAndToggle };

struct ClickState {
    // The button whose press was the trigger's: its release is the trigger's too, whatever is held by then.
    std::int32_t swallowing = 0;
    std::optional<std::uint32_t> lastPressMs;
};

// The trigger's press, with exactly its modifiers held, and its release never reach the window under the
// pointer; every other button event passes on untouched.
ClickVerdict JudgeClick(ClickState& state, const MouseTrigger& trigger, const ButtonEvent& event);

// Screen coordinates, as the hook and the monitors give them; a rectangle's right and bottom lie outside it.
struct ScreenPoint {
    int x = 0;
    int y = 0;
};
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Whether the pointer is pushed into that corner of a monitor where the desktop's edges stop it both ways: an
// inner corner between monitors never counts. The hook may report a point beyond the desktop's edge, where
// the pointer stops: it counts as the nearest point of the desktop.
bool InHotCorner(ScreenPoint point, HotCorner corner, const std::vector<ScreenRect>& monitors);

// The pointer's stay in the corner: held there long enough, it asks for the toggle once, and must leave
// before it can ask again.
struct CornerDwell {
    bool inCorner = false;
    bool spent = false;
    std::uint32_t sinceMs = 0;
};
struct CornerStep {
    bool toggle = false;
    std::optional<std::uint32_t> lookAgainInMs; // the hold is not over yet
};
// At a pointer move, and when the time a step asked for has passed.
CornerStep StepCornerDwell(CornerDwell& dwell, bool inCorner, std::uint32_t nowMs, int holdMs);

// The system removes a low-level hook that once took too long to answer, and says nothing. Raw input still
// sees every button press: a press it sees that the hook has not seen within this time tells that the hook is
// gone.
inline constexpr std::uint32_t kHookMatchMs = 1000;
struct HookWatch {
    std::optional<std::uint32_t> hookSawMs;
    std::optional<std::uint32_t> unmatchedMs;
};
void HookSawPress(HookWatch& watch, std::uint32_t eventMs);
// When to ask HookLost, for a press the hook has not seen yet.
std::optional<std::uint32_t> RawSawPress(HookWatch& watch, std::uint32_t eventMs);
bool HookLost(HookWatch& watch, std::uint32_t nowMs);
