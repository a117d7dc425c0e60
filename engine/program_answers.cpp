#include "engine/program_answers.h"

#include "engine/engine.h"

#include "engine/hidden_set.h"

#include <algorithm>

namespace {

unsigned lastQuestion = 0;
// Every answer counts, whoever waits for it: a wait goes on while answers keep coming.
std::size_t answersArrived = 0;

void CALLBACK OnAnswer(HWND, UINT, ULONG_PTR question, LRESULT) {
    ++answersArrived;
    AnswerArrived(static_cast<unsigned>(question));
}

} // namespace

unsigned AskForAnswer(HWND hwnd) {
    if (++lastQuestion == 0) ++lastQuestion;
    const unsigned question = lastQuestion;
    SendMessageCallbackW(hwnd, WM_NULL, 0, 0, OnAnswer, question);
    return question;
}

void AwaitAnswers(const std::function<bool()>& done, ULONGLONG deadline) {
    // A program that is answering, only slowly (fifty windows to hide), is waited for while its answers keep
    // coming, up to a limit; one that does not answer at all adds nothing to the wait.
    const ULONGLONG limit = GetTickCount64() + kSlowProgramLimitMs;
    std::size_t answers = answersArrived;
    while (!done()) {
        // The session is ending, and everything came back for it: nothing is worth waiting for now.
        if (engine.sessionEnding) return;
        const ULONGLONG now = GetTickCount64();
        if (answersArrived != answers) {
            answers = answersArrived;
            deadline = std::min(limit, std::max(deadline, now + kProgressGraceMs));
        }
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
