#include "engine/program_answers.h"

#include "app/app_state.h"
#include "engine/hidden_set.h"

namespace {

void CALLBACK OnAnswer(HWND, UINT, ULONG_PTR question, LRESULT) {
    AnswerArrived(static_cast<unsigned>(question));
}

} // namespace

unsigned AskForAnswer(HWND hwnd) {
    if (++app.lastQuestion == 0) ++app.lastQuestion;
    const unsigned question = app.lastQuestion;
    SendMessageCallbackW(hwnd, WM_NULL, 0, 0, OnAnswer, question);
    return question;
}

void AwaitAnswers(const std::function<bool()>& done, ULONGLONG deadline) {
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        // Answers are delivered with the messages sent to this thread; a peek restricted to those runs
        // them without taking input or timers, which belong to the message loop.
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE, 0);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool AnswersBefore(HWND hwnd, ULONGLONG deadline) {
    constexpr ULONGLONG kLeastWaitMs = 5;
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG wait = deadline > now + kLeastWaitMs ? deadline - now : kLeastWaitMs;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, static_cast<UINT>(wait),
                               &result) != 0;
}
