#include "engine/engine.h"

#include "engine/program_answers.h"

#include <algorithm>
#include <utility>

Engine engine;

ITaskbarList* ShellTaskbarList() {
    if (engine.taskbarList || std::exchange(engine.taskbarListTried, true)) return engine.taskbarList.get();
    ITaskbarList* list = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                                   reinterpret_cast<void**>(&list)))) {
        engine.taskbarList.reset(list);
        if (FAILED(list->HrInit())) engine.taskbarList.reset();
    }
    return engine.taskbarList.get();
}

void Say(const std::wstring& text) {
    if (engine.host.say) engine.host.say(text);
}

void TellHiddenChanged() {
    if (engine.host.hiddenChanged) engine.host.hiddenChanged();
}

std::vector<HiddenWindowRecord>::iterator FindRecord(std::vector<HiddenWindowRecord>& records, HWND hwnd) {
    return std::find_if(records.begin(), records.end(),
                        [&](const HiddenWindowRecord& record) { return record.hwnd == hwnd; });
}

bool IsInHiddenSet(HWND hwnd) {
    return FindRecord(engine.hiddenSet, hwnd) != engine.hiddenSet.end();
}

bool AllAnswered(const std::vector<HiddenWindowRecord>& records) {
    return std::all_of(records.begin(), records.end(),
                       [](const HiddenWindowRecord& record) { return record.answered; });
}

// This thread's own windows answer at once, inside the call that would ask them, before a question number
// could be recorded: they are not asked.
void Ask(HiddenWindowRecord& record) {
    const DWORD thread = record.threadId ? record.threadId : GetWindowThreadProcessId(record.hwnd, nullptr);
    record.answered = thread == GetCurrentThreadId();
    record.question = record.answered ? 0 : AskForAnswer(record.hwnd);
}

void RefreshFrame(HWND hwnd) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, kFrameRefreshFlags | SWP_ASYNCWINDOWPOS);
}
