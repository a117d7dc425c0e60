#include "engine/hidden_watch.h"

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "engine/hidden_set.h"
#include "engine/hide_plan.h"
#include "engine/state_file.h"

#include <algorithm>
#include <utility>

namespace {

// Owner chains longer than this are not followed (a cycle cannot form, but a chain is never that long).
constexpr int kOwnerChainLimit = 64;

bool OwnedByHiddenWindow(HWND hwnd) {
    HWND owner = GetWindow(hwnd, GW_OWNER);
    for (int depth = 0; owner && depth < kOwnerChainLimit; ++depth) {
        if (IsInHiddenSet(owner)) return true;
        owner = GetWindow(owner, GW_OWNER);
    }
    return false;
}

bool IsOwnWindow(HWND hwnd) {
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    return processId == GetCurrentProcessId();
}

// A window the user brought to the front, and the switch target, are his to look at; one not in front yet
// gets a second look.
ShownWindowFate FateOf(HWND hwnd) {
    if (hwnd == engine.switchTarget) return ShownWindowFate::LeftToTheUser;
    const std::vector<HWND>& last = engine.watch.shownLastLook;
    const ShownWindowFate fate =
        FateOfShownWindow(hwnd, GetAncestor(hwnd, GA_ROOTOWNER), GetForegroundWindow(),
                          std::find(last.begin(), last.end(), hwnd) != last.end(), engine.watch.userActed);
    if (fate == ShownWindowFate::LookAgain) engine.watch.shownThisLook.push_back(hwnd);
    return fate;
}

// One look on the GUI thread, shortly: a window event asked for it, the watch has just begun, or a shown
// window awaits its second look.
void LookSoon() {
    engine.watch.lookSoon = true;
    SetTimer(engine.host.window, TIMER_HIDDEN_WATCH_SOON, kHiddenWatchSoonMs, nullptr);
}

bool IsWatchedNewWindow(HWND hwnd) {
    return std::any_of(engine.watch.newWindows.begin(), engine.watch.newWindows.end(),
                       [&](const NewWindow& window) { return window.hwnd == hwnd; });
}

// A renamed window matters only when it is a new one that is watched; a new or shown one only at the top
// level.
void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object != OBJID_WINDOW || child != CHILDID_SELF || !hwnd || engine.watch.lookSoon ||
        !engine.host.window)
        return;
    if (event == EVENT_OBJECT_NAMECHANGE ? !IsWatchedNewWindow(hwnd)
                                         : GetAncestor(hwnd, GA_PARENT) != GetDesktopWindow())
        return;
    LookSoon();
}

// The windows known at the hide that are not visible, owned by hidden windows, may be shown later.
void ClassifyKnownWindows() {
    engine.watch.knownWindowsClassified = true;
    for (HWND hwnd : engine.watch.knownWindows) {
        if (!IsTopLevelWindowVisible(hwnd) && !IsInHiddenSet(hwnd) && OwnedByHiddenWindow(hwnd))
            engine.watch.dormantOwned.push_back(hwnd);
    }
}

// A hidden window shown again goes out of sight again, unless the user brought it to the front (a chat
// program's notification, its tray icon): that one is his again, whole, with its own style and taskbar
// button, and the next restore leaves it as it is.
void HideShownAgain() {
    std::vector<HiddenWindowRecord> broughtBack;
    std::erase_if(engine.hiddenSet, [&](HiddenWindowRecord& record) {
        if (record.progress != HideProgress::Hidden || !IsTopLevelWindowVisible(record.hwnd)) return false;
        const ShownWindowFate fate = FateOf(record.hwnd);
        if (fate != ShownWindowFate::LeftToTheUser) {
            if (fate == ShownWindowFate::OutOfSight) ShowWindowAsync(record.hwnd, SW_HIDE);
            return false;
        }
        record.wasMinimized = IsIconic(record.hwnd) != FALSE;
        broughtBack.push_back(record);
        return true;
    });
    if (broughtBack.empty()) return;
    PutWindowsBack(std::move(broughtBack), false);
    // Listed until it is back: a kill meanwhile leaves its undo to the watchdog.
    WriteStateFile();
}

// A window not shown yet is looked at again once it shows: owned by a hidden one it joins them, otherwise the
// keys of the hide decide.
void FollowUntilShown(HWND hwnd, bool owned) {
    if (owned) {
        engine.watch.dormantOwned.push_back(hwnd);
    } else {
        engine.watch.newWindows.push_back({hwnd, 0});
    }
}

void Consider(HWND hwnd, std::vector<HWND>& join) {
    if (FateOf(hwnd) == ShownWindowFate::OutOfSight) join.push_back(hwnd);
}

// Shown windows not hidden that the last look left for this one; one no longer shown waits again.
void LookAgainAtLateComers(std::vector<HWND>& join) {
    for (HWND hwnd : engine.watch.shownLastLook) {
        if (IsInHiddenSet(hwnd) || !IsWindow(hwnd)) continue;
        if (IsTopLevelWindowVisible(hwnd)) {
            Consider(hwnd, join);
        } else {
            FollowUntilShown(hwnd, OwnedByHiddenWindow(hwnd));
        }
    }
}

// A shown window that opened while hidden and that the keys of the hide name: the program was restarted, or
// made its window anew.
bool NamedByTheHide(HWND hwnd) {
    return IsCandidateWindow(hwnd) && NamedByHiddenKeys(engine.hiddenKeys, DescribeWindow(hwnd));
}

// A shown window in front after the user's own input since the hide: his, whatever its title becomes.
bool BroughtByTheUser(HWND hwnd) {
    return FateOfShownWindow(hwnd, GetAncestor(hwnd, GA_ROOTOWNER), GetForegroundWindow(), false,
                             engine.watch.userActed) == ShownWindowFate::LeftToTheUser;
}

// Dormant windows that are now shown: an owned one joins, a new one once the keys name it, as it shows or
// while it is watched after.
std::vector<HWND> FindShownDormant() {
    std::vector<HWND> join;
    std::erase_if(engine.watch.dormantOwned, [&](HWND hwnd) {
        if (!IsWindow(hwnd)) return true;
        if (!IsTopLevelWindowVisible(hwnd)) return false;
        Consider(hwnd, join);
        return true;
    });
    const ULONGLONG now = GetTickCount64();
    std::erase_if(engine.watch.newWindows, [&](NewWindow& window) {
        const bool exists = IsWindow(window.hwnd) != FALSE;
        const std::optional<std::uint64_t> shownFor =
            window.shownAtMs ? std::optional<std::uint64_t>(now - window.shownAtMs) : std::nullopt;
        switch (LookAtNewWindow(exists, exists && IsTopLevelWindowVisible(window.hwnd), shownFor)) {
        case NewWindowLook::Forget: return true;
        case NewWindowLook::Wait: return false;
        case NewWindowLook::ReadTitle: break;
        }
        if (!window.shownAtMs) window.shownAtMs = now;
        if (NamedByTheHide(window.hwnd)) {
            Consider(window.hwnd, join);
            return true;
        }
        return BroughtByTheUser(window.hwnd);
    });
    return join;
}

// The system tells of renamed windows only while a shown new window is watched: every title that changes on
// the desktop (a clock, a progress count) would wake this thread.
void WatchRenames() {
    const bool wanted = std::any_of(engine.watch.newWindows.begin(), engine.watch.newWindows.end(),
                                    [](const NewWindow& window) { return window.shownAtMs != 0; });
    if (!wanted) {
        engine.watch.nameHook.reset();
    } else if (!engine.watch.nameHook) {
        engine.watch.nameHook.reset(SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                                    OnWindowEvent, 0, 0,
                                                    WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
    }
}

// Windows new since the last look: shown ones join when hidden windows own them or the keys name them, the
// others wait as dormant, or are watched for the title they may take. A program's window gets its title and
// is shown after it is made, and Wine tells only of the making: a new window is followed until it shows.
std::vector<HWND> FindNewWindows() {
    std::vector<HWND> join;
    for (HWND hwnd : EnumerateAllTopLevelWindows()) {
        if (!engine.watch.knownWindows.insert(hwnd).second || IsOwnWindow(hwnd)) continue;
        const bool owned = OwnedByHiddenWindow(hwnd);
        if (!IsTopLevelWindowVisible(hwnd)) {
            FollowUntilShown(hwnd, owned);
        } else if (owned || NamedByTheHide(hwnd)) {
            Consider(hwnd, join);
        } else if (!BroughtByTheUser(hwnd)) {
            engine.watch.newWindows.push_back({hwnd, GetTickCount64()});
        }
    }
    return join;
}

// Every look checks the hidden set. New windows are looked for only when the system tells of one, and on the
// first look, which covers the windows made between the hide's list and the hook: listing every window costs
// a round trip to the window server per window, more than all the rest of a look. Without the hook, every
// look lists.
// Where the system cannot say, every window in front is taken as the user's, as it always was.
bool InputSinceHide() {
    LASTINPUTINFO input = {sizeof(input)};
    if (!GetLastInputInfo(&input)) return true;
    return UserActedSinceHide(GetTickCount() - input.dwTime, GetTickCount64() - engine.hiddenAtMs,
                              engine.hideReason.away);
}

void CheckHiddenWindows(bool listWindows) {
    if (!engine.windowsHidden || engine.busy) return;
    engine.watch.userActed = InputSinceHide();
    if (!engine.watch.knownWindowsClassified) {
        ClassifyKnownWindows();
        listWindows = true;
    }
    HideShownAgain();
    std::vector<HWND> join = FindShownDormant();
    LookAgainAtLateComers(join);
    if (listWindows || !engine.watch.createHook) {
        const std::vector<HWND> fresh = FindNewWindows();
        join.insert(join.end(), fresh.begin(), fresh.end());
    }
    HideLateComers(join);
    engine.watch.shownLastLook = std::exchange(engine.watch.shownThisLook, {});
    if (!engine.watch.shownLastLook.empty()) LookSoon();
    WatchRenames();
    PublishWatchedWindows();
}

DWORD WINAPI LookAtHiddenWindows(void* mainWindow) {
    HiddenLook& look = engine.watch.look;
    while (WaitForSingleObject(look.stop.get(), kHiddenWatchPeriodMs) == WAIT_TIMEOUT) {
        AcquireSRWLockShared(&look.lock);
        const bool shown =
            look.everyLook || std::any_of(look.windows.begin(), look.windows.end(),
                                          [](HWND hwnd) { return IsTopLevelWindowVisible(hwnd); });
        ReleaseSRWLockShared(&look.lock);
        if (shown) PostMessageW(static_cast<HWND>(mainWindow), WM_HIDDEN_SHOWN, 0, 0);
    }
    return 0;
}

void StartLooking() {
    HiddenLook& look = engine.watch.look;
    look.everyLook = !engine.watch.createHook;
    look.stop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (look.stop)
        look.thread.reset(CreateThread(nullptr, 0, LookAtHiddenWindows, engine.host.window, 0, nullptr));
    PublishWatchedWindows();
}

void StopLooking() {
    HiddenLook& look = engine.watch.look;
    if (look.thread) {
        SetEvent(look.stop.get());
        WaitForSingleObject(look.thread.get(), INFINITE);
    }
    look.thread.reset();
    look.stop.reset();
    look.windows.clear();
}

} // namespace

void StartHiddenWatch(const std::vector<HWND>& topLevel) {
    engine.watch.knownWindows = std::unordered_set<HWND>(topLevel.begin(), topLevel.end());
    engine.watch.dormantOwned.clear();
    engine.watch.newWindows.clear();
    engine.watch.shownLastLook.clear();
    engine.watch.shownThisLook.clear();
    engine.watch.knownWindowsClassified = false;
    if (!engine.host.window) return;
    // Two hooks, not one over the range between: that range holds every window's destruction in the session,
    // and each would wake this thread.
    constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    engine.watch.createHook.reset(
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWindowEvent, 0, 0, kFlags));
    engine.watch.showHook.reset(
        SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnWindowEvent, 0, 0, kFlags));
    StartLooking();
    // The first look classifies the windows known at the hide and lists those made since.
    LookSoon();
}

void StopHiddenWatch() {
    engine.watch.createHook.reset();
    engine.watch.showHook.reset();
    engine.watch.nameHook.reset();
    StopLooking();
    if (engine.host.window) KillTimer(engine.host.window, TIMER_HIDDEN_WATCH_SOON);
    engine.watch.lookSoon = false;
    engine.watch.knownWindows.clear();
    engine.watch.dormantOwned.clear();
    engine.watch.newWindows.clear();
    engine.watch.shownLastLook.clear();
    engine.watch.shownThisLook.clear();
}

void OnHiddenWatchSoon() {
    KillTimer(engine.host.window, TIMER_HIDDEN_WATCH_SOON);
    engine.watch.lookSoon = false;
    CheckHiddenWindows(true);
}

void OnHiddenWindowShown() {
    CheckHiddenWindows(false);
}

// The windows that are out of sight and should stay so, or be looked at once shown: the hidden ones, those
// owned by them that were never shown, and the windows made since the hide that the keys may still name. A
// shown one among the last is looked at every period while it is watched, which is how its new title is
// seen where the system does not tell of renamed windows (Wine).
void PublishWatchedWindows() {
    HiddenLook& look = engine.watch.look;
    if (!look.thread) return;
    std::vector<HWND> windows = engine.watch.dormantOwned;
    for (const NewWindow& window : engine.watch.newWindows)
        windows.push_back(window.hwnd);
    for (const HiddenWindowRecord& record : engine.hiddenSet) {
        if (record.progress == HideProgress::Hidden) windows.push_back(record.hwnd);
    }
    AcquireSRWLockExclusive(&look.lock);
    look.windows.swap(windows);
    ReleaseSRWLockExclusive(&look.lock);
}
