#include "triggers/pointer_rules.h"

#include "triggers/hotkey_spec.h"

#include <algorithm>
#include <cstdint>

namespace {

// Whether `later` is at most `span` after `earlier`, across the tick count's wrap.
bool Within(std::uint32_t earlier, std::uint32_t later, std::uint32_t span) {
    return static_cast<std::uint32_t>(later - earlier) <= span;
}

// The hook and the raw input see one press in either order, and stamp it each with its own reading of the
// clock.
bool Near(std::uint32_t a, std::uint32_t b, std::uint32_t span) {
    return Within(a, b, span) || Within(b, a, span);
}

bool Contains(const ScreenRect& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

bool OnDesktop(const std::vector<ScreenRect>& monitors, int x, int y) {
    return std::any_of(monitors.begin(), monitors.end(),
                       [&](const ScreenRect& monitor) { return Contains(monitor, x, y); });
}

std::int64_t SquaredDistance(const ScreenRect& rect, ScreenPoint point) {
    const std::int64_t dx = point.x < rect.left     ? rect.left - point.x
                            : point.x >= rect.right ? point.x - (rect.right - 1)
                                                    : 0;
    const std::int64_t dy = point.y < rect.top       ? rect.top - point.y
                            : point.y >= rect.bottom ? point.y - (rect.bottom - 1)
                                                     : 0;
    return dx * dx + dy * dy;
}

} // namespace

std::wstring MouseTriggerName(const MouseTrigger& trigger) {
    switch (trigger.vk) {
    case kVkMiddleButton: return FormatHotkeyWith(trigger.modifiers, L"中键");
    case kVkSideButton1: return FormatHotkeyWith(trigger.modifiers, L"侧键 1（后退）");
    case kVkSideButton2: return FormatHotkeyWith(trigger.modifiers, L"侧键 2（前进）");
    default: return L"无";
    }
}

std::wstring HotCornerName(HotCorner corner) {
    switch (corner) {
    case HotCorner::TopLeft: return L"左上角";
    case HotCorner::TopRight: return L"右上角";
    case HotCorner::BottomLeft: return L"左下角";
    case HotCorner::BottomRight: return L"右下角";
    case HotCorner::None: break;
    }
    return L"无";
}

ClickVerdict JudgeClick(ClickState& state, const MouseTrigger& trigger, const ButtonEvent& event) {
    if (event.vk == 0) return ClickVerdict::PassOn;
    if (!event.down) {
        if (event.vk != state.swallowing) return ClickVerdict::PassOn;
        state.swallowing = 0;
        return ClickVerdict::Swallow;
    }
    // A button that repeats while held sends its press again without a release: still the trigger's.
    const bool repeat = event.vk == state.swallowing;
    if (!repeat && (event.vk != trigger.vk || event.modifiers != trigger.modifiers))
        return ClickVerdict::PassOn;
    state.swallowing = event.vk;
    const bool again = state.lastPressMs && Within(*state.lastPressMs, event.ms, kPressRepeatMs);
    state.lastPressMs = event.ms;
    return (repeat || again) ? ClickVerdict::Swallow : ClickVerdict::SwallowAndToggle;
}

bool InHotCorner(ScreenPoint point, HotCorner corner, const std::vector<ScreenRect>& monitors) {
    if (corner == HotCorner::None) return false;
    const auto nearest =
        std::min_element(monitors.begin(), monitors.end(), [&](const ScreenRect& a, const ScreenRect& b) {
            return SquaredDistance(a, point) < SquaredDistance(b, point);
        });
    if (nearest == monitors.end() || nearest->right <= nearest->left || nearest->bottom <= nearest->top)
        return false;
    const bool left = corner == HotCorner::TopLeft || corner == HotCorner::BottomLeft;
    const bool top = corner == HotCorner::TopLeft || corner == HotCorner::TopRight;
    const int x = left ? nearest->left : nearest->right - 1;
    const int y = top ? nearest->top : nearest->bottom - 1;
    if (std::clamp(point.x, nearest->left, nearest->right - 1) != x ||
        std::clamp(point.y, nearest->top, nearest->bottom - 1) != y)
        return false;
    // Beyond the corner, sideways, upwards or downwards and diagonally, there must be no desktop for the
    // pointer to go on to.
    const int outX = left ? x - 1 : x + 1;
    const int outY = top ? y - 1 : y + 1;
    return !OnDesktop(monitors, outX, y) && !OnDesktop(monitors, x, outY) && !OnDesktop(monitors, outX, outY);
}

CornerStep StepCornerDwell(CornerDwell& dwell, bool inCorner, std::uint32_t nowMs, int holdMs) {
    if (!inCorner) {
        dwell = {};
        return {};
    }
    if (!dwell.inCorner) dwell = {true, false, nowMs};
    if (dwell.spent) return {};
    const auto hold = static_cast<std::uint32_t>(std::max(holdMs, 0));
    const std::uint32_t elapsed = nowMs - dwell.sinceMs;
    if (elapsed >= hold) {
        dwell.spent = true;
        return {true, std::nullopt};
    }
    return {false, hold - elapsed};
}

void HookSawPress(HookWatch& watch, std::uint32_t eventMs) {
    watch.hookSawMs = eventMs;
    if (watch.unmatchedMs && Near(*watch.unmatchedMs, eventMs, kHookMatchMs)) watch.unmatchedMs.reset();
}

std::optional<std::uint32_t> RawSawPress(HookWatch& watch, std::uint32_t eventMs) {
    if (watch.hookSawMs && Near(*watch.hookSawMs, eventMs, kHookMatchMs)) return std::nullopt;
    if (watch.unmatchedMs) return std::nullopt;
    watch.unmatchedMs = eventMs;
    return kHookMatchMs;
}

bool HookLost(HookWatch& watch, std::uint32_t nowMs) {
    if (!watch.unmatchedMs || static_cast<std::uint32_t>(nowMs - *watch.unmatchedMs) < kHookMatchMs)
        return false;
    watch.unmatchedMs.reset();
    return true;
}
