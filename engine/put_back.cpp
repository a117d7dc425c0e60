#include "engine/hidden_set.h"

#include "catalogue/catalogue.h"
#include "engine/hidden_watch.h"
#include "engine/hide_plan.h"
#include "engine/program_answers.h"
#include "engine/state_file.h"

#include <algorithm>
#include <utility>

namespace {

// The owner is read now: it is fixed when a window is made, and an owned window never had a button of its
// own.
void AddTaskbarButton(const HiddenWindowRecord& record) {
    if (!HasOwnTaskbarButton(record.savedExStyle, GetWindow(record.hwnd, GW_OWNER) != nullptr)) return;
    if (ITaskbarList* taskbar = ShellTaskbarList()) taskbar->AddTab(record.hwnd);
}

// Puts back what the window's program has just confirmed it can take at once: the saved style.
void WriteBackStyle(const HiddenWindowRecord& record) {
    if (record.ownStyle) return;
    SetWindowLongPtrW(record.hwnd, GWL_EXSTYLE, record.savedExStyle);
    RefreshFrame(record.hwnd);
}

void ShowRestoreOutcome() {
    OutcomeTally tally{.done = engine.restoredCount};
    for (const HiddenWindowRecord& record : engine.pendingUndo) {
        if (IsWindow(record.hwnd)) AddShortfall(tally, Shortfall::NotAnswering, ReadWindowTitle(record.hwnd));
    }
    Say(RestoreOutcomeText(tally, engine.restoreReason));
}

void ShowWindowAgain(const HiddenWindowRecord& record, bool activate) {
    if (activate) {
        ShowWindowAsync(record.hwnd, record.wasMinimized ? SW_SHOWMINIMIZED : SW_SHOW);
    } else {
        // Shown whenever its program wakes, perhaps much later: it must not take the focus then.
        ShowWindowAsync(record.hwnd, record.wasMinimized ? SW_SHOWMINNOACTIVE : SW_SHOWNA);
    }
}

// Windows ends a program without a visible window that takes more than 5 s over the question whether the
// session may end: every window is back, or on its way, well before.
constexpr ULONGLONG kSessionEndRestoreMs = 2000;

// No message may be dispatched here (the crash filter, the question whether the session may end): each
// program is asked with a blocking question, bounded by the deadline in all, and a window whose program does
// not answer in time gets a queued show and stays in the state file for the watchdog, which finishes its undo
// when the program wakes. Only the style is written with a call that waits for the program, which has just
// answered; the frame and the show are queued, so a program that stops answering right after holds up none
// of the others.
OutcomeTally PutAllBackWithoutWaiting(ULONGLONG deadline) {
    std::vector<HiddenWindowRecord> records(engine.hiddenSet.rbegin(), engine.hiddenSet.rend());
    records.insert(records.end(), engine.puttingBack.begin(), engine.puttingBack.end());
    records.insert(records.end(), engine.pendingUndo.begin(), engine.pendingUndo.end());
    OutcomeTally tally;
    std::vector<HiddenWindowRecord> owed;
    for (const HiddenWindowRecord& record : records) {
        if (!record.hwnd || !IsWindow(record.hwnd)) continue;
        if (AnswersBefore(record.hwnd, deadline)) {
            if (!record.ownStyle) {
                SetWindowLongPtrW(record.hwnd, GWL_EXSTYLE, record.savedExStyle);
                RefreshFrame(record.hwnd);
            }
            ShowWindowAsync(record.hwnd, record.wasMinimized ? SW_SHOWMINIMIZED : SW_SHOW);
            AddTaskbarButton(record);
            ++tally.done;
        } else {
            ShowWindowAgain(record, false);
            owed.push_back(record);
            AddShortfall(tally, Shortfall::NotAnswering, ReadWindowTitle(record.hwnd));
        }
    }
    engine.hiddenSet.clear();
    engine.puttingBack.clear();
    engine.pendingUndo = std::move(owed);
    engine.windowsHidden = false;
    WriteStateFile();
    return tally;
}

// Every window is back, or on its way: the host and the status line learn of it, and a program answering late
// brings that line up to date.
void TellRestored(const OutcomeTally& tally, RestoreReason reason) {
    TellHiddenChanged();
    engine.restoredCount = tally.done;
    engine.restoreReason = reason;
    engine.shownOutcome = ShownOutcome::Restore;
    Say(RestoreOutcomeText(tally, reason));
}

} // namespace

ChangingWindows::~ChangingWindows() {
    if (--engine.changingWindows == 0) engine.sessionEnding = false;
}

// The undos whose programs have answered since they were put back.
void CompletePendingUndos() {
    ChangingWindows changing;
    // Taken out first: putting a window back waits for its program, and answers arriving meanwhile come
    // back here.
    const auto answered =
        std::stable_partition(engine.pendingUndo.begin(), engine.pendingUndo.end(),
                              [](const HiddenWindowRecord& record) { return !record.answered; });
    if (answered == engine.pendingUndo.end()) return;
    const std::vector<HiddenWindowRecord> done(answered, engine.pendingUndo.end());
    engine.pendingUndo.erase(answered, engine.pendingUndo.end());
    for (const HiddenWindowRecord& record : done) {
        if (!IsWindow(record.hwnd)) continue;
        WriteBackStyle(record);
        AddTaskbarButton(record);
        ++engine.restoredCount;
    }
    // An old watchdog waiting on a hung program must not write over the file of a run started since.
    if (!engine.watchdogRole) WriteStateFile();
    if (engine.shownOutcome == ShownOutcome::Restore) ShowRestoreOutcome();
}

OutcomeTally PutWindowsBack(std::vector<HiddenWindowRecord> records, bool activate) {
    ChangingWindows changing;
    OutcomeTally tally;
    std::erase_if(records,
                  [](const HiddenWindowRecord& record) { return !record.hwnd || !IsWindow(record.hwnd); });
    if (records.empty()) return tally;
    std::vector<bool> answeredFirst(records.size());
    {
        BusyGuard busy;
        engine.puttingBack = std::move(records);
        const ULONGLONG start = GetTickCount64();
        for (HiddenWindowRecord& record : engine.puttingBack)
            Ask(record);
        AwaitAnswers([] { return AllAnswered(engine.puttingBack); }, start + kAnswerWaitMs);
        // Programs that answered take their style back and are shown; the others get a queued show, behind
        // any hide still queued for them, and the rest when they answer.
        for (std::size_t i = 0; i < engine.puttingBack.size(); ++i) {
            HiddenWindowRecord& record = engine.puttingBack[i];
            answeredFirst[i] = record.answered;
            if (record.answered) {
                WriteBackStyle(record);
                ShowWindowAgain(record, activate);
                Ask(record);
            } else {
                ShowWindowAgain(record, false);
            }
        }
        AwaitAnswers(
            [&] {
                for (std::size_t i = 0; i < engine.puttingBack.size(); ++i) {
                    if (answeredFirst[i] && !engine.puttingBack[i].answered) return false;
                }
                return true;
            },
            std::max(start + kAnswerWaitMs + kConfirmWaitMs, GetTickCount64() + kConfirmWaitMs));
        records = std::move(engine.puttingBack);
        engine.puttingBack.clear();
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        HiddenWindowRecord& record = records[i];
        const bool visible = IsTopLevelWindowVisible(record.hwnd);
        if (answeredFirst[i] && record.answered) {
            if (visible) {
                ++tally.done;
                AddTaskbarButton(record);
            } else {
                AddShortfall(tally, Shortfall::Refused, ReadWindowTitle(record.hwnd));
            }
        } else if (visible && record.ownStyle && !answeredFirst[i]) {
            // Never left the screen: its queued hide and show cancel out when its program wakes.
            ++tally.done;
        } else {
            if (answeredFirst[i]) record.ownStyle = true; // its style is back already
            Ask(record);
            engine.pendingUndo.push_back(record);
            AddShortfall(tally, Shortfall::NotAnswering, ReadWindowTitle(record.hwnd));
        }
    }
    CompletePendingUndos();
    return tally;
}

void RestoreAllWindows(RestoreReason reason) {
    ChangingWindows changing;
    if (!engine.windowsHidden || engine.busy) return;
    StopHiddenWatch();
    std::vector<HiddenWindowRecord> records = std::move(engine.hiddenSet);
    engine.hiddenSet.clear();
    std::reverse(records.begin(), records.end());
    const OutcomeTally tally = PutWindowsBack(std::move(records), true);
    // The end of the session brought everything back meanwhile, and said so.
    if (engine.sessionEnding) return;
    engine.windowsHidden = false;
    engine.switchTarget = nullptr;
    WriteStateFile();
    HWND previous = engine.focusBeforeHide;
    if (previous && IsWindow(previous) && IsWindowVisible(previous)) SwitchFocusTo(previous);
    engine.focusBeforeHide = nullptr;
    TellRestored(tally, reason);
}

void RestoreAllOnCrash() {
    if (engine.hiddenSet.empty() && engine.pendingUndo.empty()) return;
    PutAllBackWithoutWaiting(GetTickCount64() + kAnswerWaitMs);
}

void RestoreForSessionEnd(RestoreReason reason) {
    if (!engine.windowsHidden && engine.hiddenSet.empty() && engine.puttingBack.empty()) return;
    // Asked while windows are being changed, in a wait for other programs: that wait gives up, and what
    // follows it hides nothing more.
    engine.sessionEnding = engine.changingWindows > 0;
    StopHiddenWatch();
    const OutcomeTally tally = PutAllBackWithoutWaiting(GetTickCount64() + kSessionEndRestoreMs);
    engine.switchTarget = nullptr;
    TellRestored(tally, reason);
}
