#include "engine/hide_plan.h"

#include <algorithm>
#include <unordered_set>

namespace {

struct HandleSet {
    std::unordered_set<std::uint64_t> seen;
    bool Insert(WindowHandle hwnd) { return seen.insert(HandleValue(hwnd)).second; }
    bool Contains(WindowHandle hwnd) const { return seen.contains(HandleValue(hwnd)); }
};

// A window the process-wide fallback may take in the key's or target's name.
bool FallbackTakes(const WindowEntry& candidate, std::wstring_view processName) {
    return !candidate.cloaked && EqualsIgnoringAsciiCase(candidate.processName, processName);
}

} // namespace

bool HostsUnrelatedWindows(std::wstring_view processName) {
    // COM surrogates, control-panel and snap-in hosts, web-app hosts, and the runtimes of Java, Python and
    // Windows scripts: each process name stands for many programs that have nothing to do with each other.
    static constexpr std::wstring_view kHosts[] = {L"explorer.exe", L"ApplicationFrameHost.exe",
                                                   L"dllhost.exe",  L"rundll32.exe",
                                                   L"mmc.exe",      L"WWAHost.exe",
                                                   L"javaw.exe",    L"java.exe",
                                                   L"pythonw.exe",  L"python.exe",
                                                   L"wscript.exe"};
    return std::ranges::any_of(
        kHosts, [&](std::wstring_view host) { return EqualsIgnoringAsciiCase(processName, host); });
}

std::vector<WindowHandle> ResolveWindowsToHide(const std::vector<WindowKey>& hideList,
                                               const std::vector<WindowEntry>& candidates) {
    std::vector<WindowHandle> result;
    HandleSet inResult;
    for (const WindowKey& key : hideList) {
        bool hit = false;
        for (const WindowEntry& candidate : candidates) {
            if (!KeyMatchesEntry(key, candidate)) continue;
            hit = true;
            if (inResult.Insert(candidate.hwnd)) result.push_back(candidate.hwnd);
        }
        if (hit || key.processName.empty() || HostsUnrelatedWindows(key.processName)) continue;
        for (const WindowEntry& candidate : candidates) {
            if (FallbackTakes(candidate, key.processName) && inResult.Insert(candidate.hwnd))
                result.push_back(candidate.hwnd);
        }
    }
    return result;
}

std::optional<WindowHandle> ResolveSwitchTarget(const WindowKey& target,
                                                const std::vector<WindowEntry>& candidates) {
    if (target.title.empty()) return std::nullopt;
    for (const WindowEntry& candidate : candidates) {
        if (!candidate.cloaked && KeyMatchesEntry(target, candidate)) return candidate.hwnd;
    }
    if (target.processName.empty() || HostsUnrelatedWindows(target.processName)) return std::nullopt;
    for (const WindowEntry& candidate : candidates) {
        if (FallbackTakes(candidate, target.processName)) return candidate.hwnd;
    }
    return std::nullopt;
}

std::vector<HiddenKey> KeysWithTheirWindows(const std::vector<WindowKey>& hideList,
                                            const std::vector<WindowEntry>& candidates,
                                            const std::vector<WindowHandle>& toHide) {
    HandleSet hiding;
    for (WindowHandle hwnd : toHide)
        hiding.Insert(hwnd);
    std::vector<HiddenKey> keys;
    for (const WindowKey& key : hideList) {
        const std::size_t before = keys.size();
        for (const WindowEntry& candidate : candidates) {
            if (hiding.Contains(candidate.hwnd) && KeyMatchesEntry(key, candidate))
                keys.push_back({key, candidate.hwnd});
        }
        if (keys.size() == before) keys.push_back({key, nullptr});
    }
    return keys;
}

RememberedReach ReachOfRememberedKey(const WindowKey& key, const std::vector<WindowEntry>& candidates) {
    const bool running = !key.processName.empty() &&
                         std::any_of(candidates.begin(), candidates.end(),
                                     [&](const WindowEntry& c) { return FallbackTakes(c, key.processName); });
    if (!running) return key.processName.empty() ? RememberedReach::NothingOpen : RememberedReach::NotRunning;
    return HostsUnrelatedWindows(key.processName) ? RememberedReach::NothingOpen
                                                  : RememberedReach::EveryWindowOfItsProgram;
}

bool NamedByHiddenKeys(const std::vector<HiddenKey>& keys, const WindowEntry& entry) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const HiddenKey& hidden) { return KeyMatchesEntry(hidden.key, entry); });
}

bool MayBeSwitchTarget(const WindowKey& target, std::wstring_view processName) {
    if (target.title.empty()) return false;
    return target.processName.empty() || EqualsIgnoringAsciiCase(processName, target.processName);
}

ShownWindowFate FateOfShownWindow(WindowHandle window, WindowHandle rootOwner, WindowHandle foreground,
                                  bool shownAtTheLastLook, bool userActedSinceHide) {
    if (foreground != nullptr && (window == foreground || rootOwner == foreground))
        return userActedSinceHide ? ShownWindowFate::LeftToTheUser : ShownWindowFate::OutOfSight;
    return shownAtTheLastLook ? ShownWindowFate::OutOfSight : ShownWindowFate::LookAgain;
}

NewWindowLook LookAtNewWindow(bool exists, bool visible, std::optional<std::uint64_t> shownForMs) {
    if (!exists || (shownForMs && *shownForMs > kNewWindowTitleWatchMs)) return NewWindowLook::Forget;
    return visible ? NewWindowLook::ReadTitle : NewWindowLook::Wait;
}

bool UserActedSinceHide(std::uint32_t inputAgeMs, std::uint64_t hideAgeMs, bool hiddenForAbsence) {
    const std::uint64_t settle = hiddenForAbsence ? 0 : kTriggerSettleMs;
    return hideAgeMs > settle && inputAgeMs < hideAgeMs - settle;
}

void AddOwnedWindows(std::vector<WindowHandle>& toHide, const std::vector<TopLevelWindow>& topLevel) {
    HandleSet hiding;
    for (WindowHandle hwnd : toHide)
        hiding.Insert(hwnd);
    bool added = true;
    while (added) {
        added = false;
        for (const TopLevelWindow& window : topLevel) {
            if (!window.visible || hiding.Contains(window.hwnd)) continue;
            if (window.owner != nullptr && hiding.Contains(window.owner)) {
                hiding.Insert(window.hwnd);
                toHide.push_back(window.hwnd);
                added = true;
            }
        }
    }
}
