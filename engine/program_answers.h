// Asking other programs whether they answer, without ever waiting on one that does not. A hung program's
// window takes queued requests (ShowWindowAsync, SWP_ASYNCWINDOWPOS) but blocks any call that must wait
// for it, SetWindowLongPtrW among them; such calls are made only on a window whose program has just
// answered.
#pragma once
#include <windows.h>

#include <functional>

// How long a hide or a restore waits in all for programs to answer before it reports the rest as not
// answering; a restore's second round, which confirms the queued shows, has what is left of both and at
// least its own share.
inline constexpr ULONGLONG kAnswerWaitMs = 80;
inline constexpr ULONGLONG kConfirmWaitMs = 25;
// While answers keep arriving the wait goes on this long after the last one, but never past the limit.
inline constexpr ULONGLONG kProgressGraceMs = 75;
inline constexpr ULONGLONG kSlowProgramLimitMs = 5000;
// How long the focus switch asks the foreground window's program before it shares that program's input.
inline constexpr ULONGLONG kForegroundAnswerMs = 20;

// Queues a null message for the window; its answer comes back through AnswerArrived (engine) whenever the
// program gets to it, also long after. Returns the question's number, never 0.
unsigned AskForAnswer(HWND hwnd);

// Lets answers arrive until done() holds or the deadline (a GetTickCount64 value) passes. Messages other
// programs send to this thread are answered meanwhile; nothing posted (input, timers) is taken.
void AwaitAnswers(const std::function<bool()>& done, ULONGLONG deadline);

// For the exception filter, where no message may be dispatched: whether the window's program answers
// before the deadline, waiting at least a few milliseconds so a busy but healthy program is not passed over.
bool AnswersBefore(HWND hwnd, ULONGLONG deadline);
