#include "ui/list_watch.h"

#include "base/system_library.h"
#include "catalogue/catalogue.h"
#include "ui/app_state.h"
#include "ui/list_watch_rules.h"
#include "ui/window_list.h"

namespace {

// Out-of-context events arrive on this thread while it reads its messages. A child window's events are not
// counted. A destroyed window's parent can no longer be read: its end counts when the list showed it, not
// whenever any control ends somewhere on the desktop.
void CALLBACK CountWindowEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object != OBJID_WINDOW || child != CHILDID_SELF || !hwnd) return;
    const bool counts = event == EVENT_OBJECT_DESTROY ? SnapshotHolds(app.listSnapshot, hwnd)
                                                      : GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow();
    if (counts) ++app.windowEvents;
}

void HookWindowEvents() {
    if (app.windowEventHooks[0]) return;
    constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    // Three ranges, not one over all: the events between (focus, selection, value, location) come by the
    // thousand and none changes the list.
    constexpr DWORD kRanges[][2] = {{EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE},
                                    {EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE},
                                    {EVENT_OBJECT_CLOAKED, EVENT_OBJECT_UNCLOAKED}};
    for (std::size_t i = 0; i < std::size(kRanges); ++i) {
        app.windowEventHooks[i].reset(
            SetWinEventHook(kRanges[i][0], kRanges[i][1], nullptr, CountWindowEvent, 0, 0, kFlags));
    }
    // Nobody counted before, while the window was in the tray or minimised: that time counts as a change.
    ++app.windowEvents;
}

bool EventsTrusted() {
    static const bool wine = SystemIsWine();
    return !wine && app.windowEventHooks[0] && app.windowEventHooks[1] && app.windowEventHooks[2];
}

void LookIfDue(ListLookCause cause) {
    const bool due = ListLookDue(cause, GetTickCount64() - app.listLookedAtMs, EventsTrusted(),
                                 app.windowEvents != app.windowEventsAtLook);
    if (due) RefreshListIfWindowsChanged();
}

} // namespace

void StartListWatch(HWND window) {
    SetTimer(window, TIMER_LIST_WATCH, kListWatchPeriodMs, nullptr);
}

// The hooks are set at the first tick that finds the list on the screen: a window that never shows (a start
// in the tray) is never told of other programs' windows.
void OnListWatchTick(HWND window) {
    if (IsWindowVisible(window) && !IsIconic(window)) {
        HookWindowEvents();
        LookIfDue(ListLookCause::Tick);
    } else {
        StopListWatch(window);
    }
}

void OnMainWindowActivated() {
    LookIfDue(ListLookCause::Activation);
}

void RefreshListIfWindowsChanged() {
    // Counted before the snapshot: an event while it is taken makes the next tick look again.
    const std::uint64_t events = app.windowEvents;
    if (TakeWindowSnapshot() != app.listSnapshot) RefreshWindowList(false);
    app.windowEventsAtLook = events;
    app.listLookedAtMs = GetTickCount64();
}

void StopListWatch(HWND window) {
    KillTimer(window, TIMER_LIST_WATCH);
    for (UniqueWinEventHook& hook : app.windowEventHooks)
        hook.reset();
}
