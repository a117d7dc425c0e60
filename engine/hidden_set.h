// Hiding the ticked windows, switching the focus, and putting everything back, without ever waiting on a
// program that does not answer.
#pragma once
#include "app/app_state.h"
#include "engine/hide_outcome.h"

#include <vector>

// Hides what the settings tick among the given candidates, taken just before; without them, it takes them.
void HideWindows(const std::vector<WindowEntry>& candidates);
void HideWindows();
void RestoreAllWindows();
void RestoreAllOnCrash();
void SwitchFocusTo(HWND target);

// Puts the windows back in the given order: at once for programs that answer, the rest (queued) when they
// answer; `activate` lets an answering window take the focus as it is shown. Returns what came back.
OutcomeTally PutWindowsBack(std::vector<HiddenWindowRecord> records, bool activate);

// Windows that turned up while hidden and belong with the hidden ones: they join the hidden set (and the
// state file) and are hidden the same way.
void HideLateComers(const std::vector<HWND>& windows);

// A program answered a question asked by AskForAnswer.
void AnswerArrived(unsigned question);
