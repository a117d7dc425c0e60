#include "engine/hidden_set.h"

#include "engine/program_answers.h"

void SwitchFocusTo(HWND target) {
    if (!target || !IsWindow(target)) return;
    if (IsIconic(target)) ShowWindowAsync(target, SW_RESTORE);
    // Raising is queued like every other request to another program's window.
    constexpr UINT kToTop = SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS;
    HWND foreground = GetForegroundWindow();
    if (!foreground) {
        SetForegroundWindow(target);
        SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, kToTop);
        return;
    }
    const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    bool attached = false;
    // Sharing the input of a program that does not answer would make the activation below wait for it.
    if (foregroundThread != 0 && foregroundThread != ownThread &&
        AnswersBefore(foreground, GetTickCount64() + kForegroundAnswerMs)) {
        attached = AttachThreadInput(foregroundThread, ownThread, TRUE) != FALSE;
    }
    SetForegroundWindow(target);
    SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, kToTop);
    if (attached) AttachThreadInput(foregroundThread, ownThread, FALSE);
    // Detaching can leave no foreground window at all (Wine does): the target is asked for once more.
    if (GetForegroundWindow() != target) SetForegroundWindow(target);
}
