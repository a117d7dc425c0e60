#include "engine/hidden_set.h"

#include "catalogue/catalogue.h"
#include "catalogue/process_rights.h"
#include "engine/hidden_watch.h"
#include "engine/hide_plan.h"
#include "engine/program_answers.h"
#include "engine/state_file.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

namespace {

std::vector<TopLevelWindow> DescribeTopLevelWindows(const std::vector<HWND>& handles) {
    std::vector<TopLevelWindow> windows;
    windows.reserve(handles.size());
    for (HWND hwnd : handles) {
        const bool visible = IsTopLevelWindowVisible(hwnd);
        windows.push_back({hwnd, visible, visible ? GetWindow(hwnd, GW_OWNER) : nullptr});
    }
    return windows;
}

// Restored last first, the hidden set keeps the order the keys resolved to, though the windows found before
// the resolution were queued first. The others (the main window, owned windows) keep theirs after them.
void OrderLike(const std::vector<HWND>& resolved) {
    std::vector<HiddenWindowRecord> ordered;
    ordered.reserve(engine.hiddenSet.size());
    for (HWND hwnd : resolved) {
        const auto record = FindRecord(engine.hiddenSet, hwnd);
        if (record != engine.hiddenSet.end()) ordered.push_back(*record);
    }
    for (const HiddenWindowRecord& record : engine.hiddenSet) {
        if (std::find(resolved.begin(), resolved.end(), record.hwnd) == resolved.end())
            ordered.push_back(record);
    }
    engine.hiddenSet = std::move(ordered);
}

// What is known of a window is taken as it stands: asking again would cost a round trip to the window server
// each, before the first window is hidden. Its extended style is read again before it is changed. A window
// still owed its undo from an earlier restore keeps what it had before that hide.
HiddenWindowRecord RecordBeforeHiding(HWND hwnd, const std::vector<WindowEntry>& known) {
    const auto owed = FindRecord(engine.pendingUndo, hwnd);
    const WindowEntry* entry = FindEntry(known, hwnd);
    HiddenWindowRecord record{hwnd, 0, false, true, HideProgress::Asked};
    if (entry && entry->threadId != 0) {
        record.savedExStyle = static_cast<LONG_PTR>(entry->exStyle);
        record.wasMinimized = entry->minimized;
        record.threadId = entry->threadId;
        record.processId = entry->processId;
    } else {
        record.savedExStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
        record.wasMinimized = IsIconic(hwnd) != FALSE;
        record.threadId = GetWindowThreadProcessId(hwnd, &record.processId);
    }
    if (owed != engine.pendingUndo.end()) {
        record.savedExStyle = owed->savedExStyle;
        record.wasMinimized = owed->wasMinimized;
        record.ownStyle = owed->ownStyle;
        engine.pendingUndo.erase(owed);
    }
    return record;
}

// Queues the hide of every record from `first` on. Each program is asked after every few of its windows, so
// that a slow one is seen to make progress, and after its last; an answer covers every window of its thread
// queued before the question. Fewer questions leave the programs more of the machine for hiding.
void QueueHides(std::size_t first) {
    constexpr std::size_t kHidesPerQuestion = 4;
    // Per thread, the records whose hides were queued since its last question.
    std::vector<std::pair<DWORD, std::vector<std::size_t>>> unasked;
    const auto askFor = [](std::vector<std::size_t>& group) {
        HiddenWindowRecord& last = engine.hiddenSet[group.back()];
        Ask(last);
        for (std::size_t i : group) {
            engine.hiddenSet[i].question = last.question;
            engine.hiddenSet[i].answered = last.answered;
        }
        group.clear();
    };
    for (std::size_t i = first; i < engine.hiddenSet.size(); ++i) {
        const HiddenWindowRecord& record = engine.hiddenSet[i];
        ShowWindowAsync(record.hwnd, SW_HIDE);
        auto thread = std::find_if(unasked.begin(), unasked.end(),
                                   [&](const auto& group) { return group.first == record.threadId; });
        if (thread == unasked.end()) thread = unasked.insert(unasked.end(), {record.threadId, {}});
        thread->second.push_back(i);
        if (thread->second.size() == kHidesPerQuestion) askFor(thread->second);
    }
    for (auto& [thread, group] : unasked) {
        if (!group.empty()) askFor(group);
    }
}

// Why a window is still on the screen. A program with higher rights than this one is named as such where the
// system lets its rights be read: neither waiting nor asking again would help, only running Veltrano with the
// same rights.
Shortfall WhyStillShown(const HiddenWindowRecord& record) {
    static const ProcessRights ours = RightsOfProcess(GetCurrentProcess());
    if (OutranksUs(ours, RightsOfProcessId(record.processId))) return Shortfall::NeedsRights;
    return record.progress == HideProgress::Refused ? Shortfall::Refused : Shortfall::NotAnswering;
}

// The windows hidden already count as the candidates they were: a key whose window is off the screen must not
// fall back to the rest of its program's windows.
std::vector<WindowEntry> CandidatesCountingHidden(const std::vector<WindowEntry>& ticked) {
    std::vector<WindowEntry> candidates = EnumerateCandidateWindows(true);
    for (const WindowEntry& entry : ticked) {
        if (IsInHiddenSet(entry.hwnd) && !FindEntry(candidates, entry.hwnd)) candidates.push_back(entry);
    }
    return candidates;
}

void HideOwnedWindows(const std::vector<HWND>& topLevel, ULONGLONG deadline) {
    std::vector<HWND> hiding;
    for (const HiddenWindowRecord& record : engine.hiddenSet)
        hiding.push_back(record.hwnd);
    const std::size_t known = hiding.size();
    AddOwnedWindows(hiding, DescribeTopLevelWindows(topLevel));
    if (hiding.size() == known) return;
    HideLateComers({hiding.begin() + static_cast<std::ptrdiff_t>(known), hiding.end()});
    AwaitAnswers([] { return AllAnswered(engine.hiddenSet); },
                 std::max(deadline, GetTickCount64() + kConfirmWaitMs));
}

// The ticked windows the list found that are on the screen now and cannot turn out to be the switch target,
// read no further than that: the list knows their programs, and nothing else is needed before hiding.
std::vector<WindowEntry> ListedToHideFirst(const ListedChoice& listed) {
    std::vector<WindowEntry> first;
    for (const WindowEntry& entry : listed.ticked) {
        if (MayBeSwitchTarget(listed.target, entry.processName)) continue;
        const LONG_PTR style = GetWindowLongPtrW(entry.hwnd, GWL_STYLE);
        if (!(style & WS_VISIBLE) || IsWindowCloaked(entry.hwnd)) continue;
        first.push_back(entry);
        first.back().minimized = (style & WS_MINIMIZE) != 0;
    }
    return first;
}

} // namespace

// The hides whose programs have answered: a window that went off the screen takes the tool-window style and
// loses its taskbar button, one still on the screen refused. The state file learns of a style change before
// it is made, so a kill in between leaves an undo that rewrites an unchanged style, never a lost one.
void FinishAnsweredHides() {
    ChangingWindows changing;
    // Copies, not references: the calls below wait for answers from other programs, and answers arriving
    // meanwhile may change the hidden set.
    std::vector<HiddenWindowRecord> restyle;
    std::vector<HWND> hidden;
    for (HiddenWindowRecord& record : engine.hiddenSet) {
        if (record.progress != HideProgress::Asked || !record.answered) continue;
        if (IsWindow(record.hwnd) && IsTopLevelWindowVisible(record.hwnd)) {
            record.progress = HideProgress::Refused;
            continue;
        }
        record.progress = HideProgress::Hidden;
        hidden.push_back(record.hwnd);
        if (!record.ownStyle) continue;
        // Read just before it changes: what the list read may be old, and this is what the undo must write.
        record.savedExStyle = GetWindowLongPtrW(record.hwnd, GWL_EXSTYLE);
        if (HiddenExStyle(record.savedExStyle) != record.savedExStyle) {
            record.ownStyle = false;
            restyle.push_back(record);
        }
    }
    if (!restyle.empty()) WriteStateFile();
    // Each call below waits for another program, and the end of the session may bring every window back in
    // one of those waits: none of them may be hidden again after it.
    for (const HiddenWindowRecord& record : restyle) {
        if (engine.sessionEnding) return;
        SetWindowLongPtrW(record.hwnd, GWL_EXSTYLE,
                          static_cast<LONG_PTR>(HiddenExStyle(record.savedExStyle)));
        RefreshFrame(record.hwnd);
    }
    if (ITaskbarList* taskbar = ShellTaskbarList()) {
        for (HWND hwnd : hidden) {
            if (engine.sessionEnding) return;
            taskbar->DeleteTab(hwnd);
        }
    }
    PublishWatchedWindows();
}

void ShowHideOutcome() {
    // Everything came back meanwhile (the end of the session, in a wait for a program), and the line says so.
    if (!engine.windowsHidden) return;
    OutcomeTally tally;
    for (const HiddenWindowRecord& record : engine.hiddenSet) {
        if (!IsWindow(record.hwnd)) continue;
        if (!IsTopLevelWindowVisible(record.hwnd)) {
            ++tally.done;
        } else {
            AddShortfall(tally, WhyStillShown(record), ReadWindowTitle(record.hwnd));
        }
    }
    engine.shownOutcome = ShownOutcome::Hide;
    Say(engine.hideReason.note + HideOutcomeText(tally));
}

void HideWindows(const ListedChoice& listed, const std::function<HideChoice()>& commit, HideReason reason) {
    ChangingWindows changing;
    if (engine.windowsHidden || engine.busy) return;
    engine.hideReason = std::move(reason);
    engine.hiddenAtMs = GetTickCount64();
    engine.focusBeforeHide = GetForegroundWindow();
    engine.hiddenSet.clear();
    std::optional<WindowHandle> target;
    std::vector<HWND> topLevel;
    {
        BusyGuard busy;
        const ULONGLONG deadline = GetTickCount64() + kAnswerWaitMs;
        // Off the screen first, all at once: queued, so a program that does not answer holds up nobody, and
        // its window goes when it wakes. The style and the taskbar follow once each program has answered.
        // The ticked windows go before the settings are made and the others are enumerated.
        const std::vector<WindowEntry> listedFirst = ListedToHideFirst(listed);
        std::vector<HWND> first;
        first.reserve(listedFirst.size() + 1);
        for (const WindowEntry& entry : listedFirst)
            first.push_back(entry.hwnd);
        if (engine.host.window && IsWindowVisible(engine.host.window)) first.push_back(engine.host.window);
        HideLateComers(first, listedFirst);
        // Reading the settings and enumerating ask the window server about every window, which would hold up
        // the programs that are busy hiding: the rest waits for their answers.
        if (!first.empty()) AwaitAnswers([] { return AllAnswered(engine.hiddenSet); }, deadline);
        const HideChoice choice = commit();
        const std::vector<WindowEntry> candidates = CandidatesCountingHidden(choice.ticked);
        std::vector<WindowHandle> toHide = ResolveWindowsToHide(choice.hideList, candidates);
        target = ResolveSwitchTarget(choice.target, candidates);
        if (target) std::erase(toHide, *target);
        if (engine.hiddenSet.empty() && toHide.empty() && !target) {
            Say(engine.hideReason.note + L"未配置窗口：先勾选要隐藏的窗口，再选切换目标");
            return;
        }
        engine.windowsHidden = true;
        engine.hiddenKeys = KeysWithTheirWindows(choice.hideList, candidates, toHide);
        engine.switchTarget = target.value_or(nullptr);
        std::vector<HWND> rest;
        std::copy_if(toHide.begin(), toHide.end(), std::back_inserter(rest),
                     [](HWND hwnd) { return !IsInHiddenSet(hwnd); });
        HideLateComers(rest, candidates);
        // With nothing to hide, no list from an earlier run may stay behind.
        if (engine.hiddenSet.empty()) WriteStateFile();
        if (target && IsIconic(*target)) ShowWindowAsync(*target, SW_RESTORE);
        OrderLike(toHide);
        // The windows they own follow once their programs have taken the hides, for the same reason.
        AwaitAnswers([] { return AllAnswered(engine.hiddenSet); }, deadline);
        topLevel = EnumerateAllTopLevelWindows();
        HideOwnedWindows(topLevel, deadline);
    }
    // The end of the session brought everything back in one of the waits, and said so. The steps below wait
    // for other programs too (for the shell's taskbar and tray among them): after such a wait, the hide says
    // and starts nothing more.
    if (engine.sessionEnding) {
        engine.windowsHidden = false;
        return;
    }
    FinishAnsweredHides();
    CompletePendingUndos();
    if (target && !engine.sessionEnding) SwitchFocusTo(*target);
    if (!engine.hiddenSet.empty() && !engine.sessionEnding) StartHiddenWatch(topLevel);
    if (engine.sessionEnding) return;
    TellHiddenChanged();
    ShowHideOutcome();
}

void HideLateComers(const std::vector<HWND>& windows, const std::vector<WindowEntry>& known) {
    ChangingWindows changing;
    if (windows.empty() || engine.sessionEnding) return;
    const std::size_t first = engine.hiddenSet.size();
    for (HWND hwnd : windows)
        engine.hiddenSet.push_back(RecordBeforeHiding(hwnd, known));
    // The state file lists every window before it changes: a process killed half-way through a hide still
    // leaves the watchdog all it needs, and putting back a window that was not hidden yet is harmless.
    WriteStateFile();
    QueueHides(first);
}
