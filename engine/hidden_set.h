// Hiding the ticked windows, switching the focus, and putting everything back, without ever waiting on a
// program that does not answer.
#pragma once
#include "engine/engine.h"
#include "engine/hide_outcome.h"

#include <functional>
#include <vector>

// What a press hides and where it moves the focus, as the user's choice stands once it is committed.
struct HideChoice {
    std::vector<WindowKey> hideList;
    WindowKey target; // no title: none
    // The ticked windows of the list, as read at the commit.
    std::vector<WindowEntry> ticked;
};

// Hides what the choice's keys designate. The ticked windows of `listed` that cannot be the switch target go
// off the screen before anything else is read; then `commit` makes this press's choice from the list, and the
// rest is looked for.
void HideWindows(const ListedChoice& listed, const std::function<HideChoice()>& commit,
                 HideReason reason = {});
// `reason`: the status line says why the windows came back, when it was not the user's press.
void RestoreAllWindows(RestoreReason reason = RestoreReason::User);
void RestoreAllOnCrash();
// The session is ending: every hidden window comes back before Veltrano answers, within 2 s in all and
// without a message dispatched, also when this arrives in a wait while windows are being changed.
void RestoreForSessionEnd(RestoreReason reason);
void SwitchFocusTo(HWND target);

// Puts the windows back in the given order: at once for programs that answer, the rest (queued) when they
// answer; `activate` lets an answering window take the focus as it is shown. Returns what came back.
OutcomeTally PutWindowsBack(std::vector<HiddenWindowRecord> records, bool activate);

// Windows that turned up while hidden and belong with the hidden ones: they join the hidden set (and the
// state file) and are hidden the same way.
// `known`: what the candidate filter has just read of them, where it has.
void HideLateComers(const std::vector<HWND>& windows, const std::vector<WindowEntry>& known = {});

// A program answered a question asked by AskForAnswer.
void AnswerArrived(unsigned question);
