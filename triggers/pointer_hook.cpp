#include "triggers/pointer_hook.h"

#include "base/handles.h"
#include "triggers/hotkey_spec.h"
#include "triggers/trigger.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kSinkClassName[] = L"VltPointerSink";
// To the hook's thread: the hook is gone, set it again.
constexpr UINT kSetHookAgain = WM_APP + 1;
// The hook's call for a press may come a little after the raw input of it.
constexpr UINT kHookCheckSlackMs = 100;

// One thread answers the hook and nothing else, so that nothing ever wakes it just before the system calls
// the hook; the other reads the raw input that tells whether the hook is still called.
struct PointerThread {
    UniqueHandle handle;
    DWORD id = 0;
};

// The system calls the hook procedure without context: it reaches its state here. The lock guards what more
// than one thread touches; the rest belongs to the thread named beside it.
struct PointerWatch {
    SRWLOCK lock = SRWLOCK_INIT;
    PointerTriggers triggers;
    std::vector<ScreenRect> monitors;
    HookWatch hookWatch;

    HWND window = nullptr;
    PointerThread hookThread;
    PointerThread sinkThread;
    DWORD startError = ERROR_SUCCESS;

    // The hook's thread.
    HHOOK hook = nullptr;
    ClickState click;
    CornerDwell dwell;
    UINT_PTR cornerTimer = 0;
    // The raw input's thread.
    HWND sink = nullptr;
};
PointerWatch watch;

std::vector<ScreenRect> ReadMonitors() {
    std::vector<ScreenRect> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, RECT* rect, LPARAM found) {
            reinterpret_cast<std::vector<ScreenRect>*>(found)->push_back(
                {rect->left, rect->top, rect->right, rect->bottom});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

void Publish(const PointerTriggers& triggers, std::vector<ScreenRect> monitors) {
    AcquireSRWLockExclusive(&watch.lock);
    watch.triggers = triggers;
    watch.monitors.swap(monitors);
    ReleaseSRWLockExclusive(&watch.lock);
}

PointerTriggers CurrentTriggers() {
    AcquireSRWLockShared(&watch.lock);
    const PointerTriggers triggers = watch.triggers;
    ReleaseSRWLockShared(&watch.lock);
    return triggers;
}

void Post(Trigger trigger) {
    PostMessageW(watch.window, WM_TRIGGER, static_cast<WPARAM>(trigger), 0);
}

std::int32_t ModifiersHeld() {
    const auto held = [](int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; };
    std::int32_t modifiers = 0;
    if (held(VK_MENU)) modifiers |= kModAlt;
    if (held(VK_CONTROL)) modifiers |= kModControl;
    if (held(VK_SHIFT)) modifiers |= kModShift;
    if (held(VK_LWIN) || held(VK_RWIN)) modifiers |= kModWin;
    return modifiers;
}

// The button of a low-level mouse message, and whether it is pressed; none for moves and wheels.
ButtonEvent ButtonOf(WPARAM message, const MSLLHOOKSTRUCT& event) {
    switch (message) {
    case WM_LBUTTONDOWN: return {VK_LBUTTON, true};
    case WM_LBUTTONUP: return {VK_LBUTTON, false};
    case WM_RBUTTONDOWN: return {VK_RBUTTON, true};
    case WM_RBUTTONUP: return {VK_RBUTTON, false};
    case WM_MBUTTONDOWN: return {VK_MBUTTON, true};
    case WM_MBUTTONUP: return {VK_MBUTTON, false};
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
        return {HIWORD(event.mouseData) == XBUTTON1 ? VK_XBUTTON1 : VK_XBUTTON2, message == WM_XBUTTONDOWN};
    default: return {};
    }
}

void StepCorner(bool inCorner, DWORD nowMs, int holdMs) {
    const CornerStep step = StepCornerDwell(watch.dwell, inCorner, nowMs, holdMs);
    if (step.toggle) Post(Trigger::Corner);
    if (step.lookAgainInMs) {
        watch.cornerTimer = SetTimer(nullptr, watch.cornerTimer,
                                     std::max<UINT>(*step.lookAgainInMs, USER_TIMER_MINIMUM), nullptr);
    } else if (watch.cornerTimer) {
        KillTimer(nullptr, std::exchange(watch.cornerTimer, 0));
    }
}

// Whether the event is the trigger's and must reach no window. Nothing here waits: the system gives the hook
// at most a second before it passes the event on, and then removes the hook.
bool IsTheTriggers(WPARAM message, const MSLLHOOKSTRUCT& event) {
    if (message == WM_MOUSEMOVE) {
        AcquireSRWLockShared(&watch.lock);
        const PointerTriggers triggers = watch.triggers;
        const bool inCorner = triggers.corner != HotCorner::None &&
                              InHotCorner({event.pt.x, event.pt.y}, triggers.corner, watch.monitors);
        ReleaseSRWLockShared(&watch.lock);
        if (triggers.corner != HotCorner::None) StepCorner(inCorner, event.time, triggers.cornerHoldMs);
        return false;
    }
    ButtonEvent button = ButtonOf(message, event);
    if (button.vk == 0) return false;
    AcquireSRWLockExclusive(&watch.lock);
    if (button.down) HookSawPress(watch.hookWatch, event.time);
    const MouseTrigger trigger = watch.triggers.mouse;
    ReleaseSRWLockExclusive(&watch.lock);
    button.modifiers = ModifiersHeld();
    button.ms = event.time;
    const ClickVerdict verdict = JudgeClick(watch.click, trigger, button);
    if (verdict == ClickVerdict::SwallowAndToggle) Post(Trigger::MouseButton);
    return verdict != ClickVerdict::PassOn;
}

LRESULT CALLBACK OnMouseEvent(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION && IsTheTriggers(message, *reinterpret_cast<const MSLLHOOKSTRUCT*>(data))) return 1;
    return CallNextHookEx(nullptr, code, message, data);
}

HHOOK SetHook() {
    return SetWindowsHookExW(WH_MOUSE_LL, OnMouseEvent, GetModuleHandleW(nullptr), 0);
}

void SetHookAgain() {
    HHOOK fresh = SetHook();
    if (!fresh) {
        PostMessageW(watch.window, WM_POINTER_TROUBLE, GetLastError(), 0);
        return;
    }
    // Where the system had only been slow to call the old hook, it would be called twice.
    UnhookWindowsHookEx(watch.hook);
    watch.hook = fresh;
}

DWORD WINAPI RunHookThread(void* started) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    MSG message;
    // The queue exists before anyone may post to it.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    watch.hook = SetHook();
    watch.startError = watch.hook ? ERROR_SUCCESS : GetLastError();
    SetEvent(static_cast<HANDLE>(started));
    while (watch.hook && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == kSetHookAgain) {
            SetHookAgain();
        } else if (message.message == WM_TIMER && message.wParam == watch.cornerTimer) {
            const PointerTriggers triggers = CurrentTriggers();
            StepCorner(watch.dwell.inCorner && triggers.corner != HotCorner::None, GetTickCount(),
                       triggers.cornerHoldMs);
        }
    }
    if (watch.hook) UnhookWindowsHookEx(std::exchange(watch.hook, nullptr));
    if (watch.cornerTimer) KillTimer(nullptr, std::exchange(watch.cornerTimer, 0));
    return 0;
}

// Raw input sees every press whether or not the hook does: one the hook never saw tells that the system took
// the hook away, and its thread sets it again.
void OnRawInput(HRAWINPUT handle, DWORD time) {
    RAWINPUT input = {};
    UINT size = sizeof(input);
    if (GetRawInputData(handle, RID_INPUT, &input, &size, sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1) ||
        input.header.dwType != RIM_TYPEMOUSE)
        return;
    constexpr USHORT kPresses = RI_MOUSE_BUTTON_1_DOWN | RI_MOUSE_BUTTON_2_DOWN | RI_MOUSE_BUTTON_3_DOWN |
                                RI_MOUSE_BUTTON_4_DOWN | RI_MOUSE_BUTTON_5_DOWN;
    if (!(input.data.mouse.usButtonFlags & kPresses)) return;
    AcquireSRWLockExclusive(&watch.lock);
    const auto lookIn = RawSawPress(watch.hookWatch, time);
    ReleaseSRWLockExclusive(&watch.lock);
    if (lookIn) SetTimer(watch.sink, 1, *lookIn + kHookCheckSlackMs, nullptr);
}

void CheckHook() {
    KillTimer(watch.sink, 1);
    AcquireSRWLockExclusive(&watch.lock);
    const bool lost = HookLost(watch.hookWatch, GetTickCount());
    ReleaseSRWLockExclusive(&watch.lock);
    if (lost) PostThreadMessageW(watch.hookThread.id, kSetHookAgain, 0, 0);
}

HWND CreateSink() {
    static const ATOM sinkClass = [] {
        WNDCLASSEXW windowClass = {sizeof(windowClass)};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kSinkClassName;
        return RegisterClassExW(&windowClass);
    }();
    if (!sinkClass) return nullptr;
    return CreateWindowExW(0, kSinkClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

DWORD WINAPI RunSinkThread(void* started) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    watch.sink = CreateSink();
    RAWINPUTDEVICE mouse = {0x01, 0x02, RIDEV_INPUTSINK, watch.sink};
    if (watch.sink) RegisterRawInputDevices(&mouse, 1, sizeof(mouse));
    SetEvent(static_cast<HANDLE>(started));
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_INPUT)
            OnRawInput(reinterpret_cast<HRAWINPUT>(message.lParam), message.time);
        if (message.message == WM_TIMER) {
            CheckHook();
            continue;
        }
        DispatchMessageW(&message);
    }
    mouse = {0x01, 0x02, RIDEV_REMOVE, nullptr};
    RegisterRawInputDevices(&mouse, 1, sizeof(mouse));
    if (watch.sink) DestroyWindow(std::exchange(watch.sink, nullptr));
    return 0;
}

// Starts the thread and waits until it is ready for messages.
bool StartThread(PointerThread& thread, LPTHREAD_START_ROUTINE run) {
    UniqueHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (started) thread.handle.reset(CreateThread(nullptr, 0, run, started.get(), 0, &thread.id));
    if (!thread.handle) return false;
    const HANDLE waits[] = {started.get(), thread.handle.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return true;
}

void EndThread(PointerThread& thread) {
    if (!thread.handle) return;
    PostThreadMessageW(thread.id, WM_QUIT, 0, 0);
    WaitForSingleObject(thread.handle.get(), INFINITE);
    thread = {};
}

} // namespace

DWORD WatchPointer(HWND window, const PointerTriggers& triggers) {
    if (!WatchesPointer(triggers)) {
        StopWatchingPointer();
        return ERROR_SUCCESS;
    }
    Publish(triggers, ReadMonitors());
    if (watch.hookThread.handle) return ERROR_SUCCESS;
    watch.window = window;
    watch.click = {};
    watch.dwell = {};
    watch.hookWatch = {};
    if (!StartThread(watch.hookThread, RunHookThread)) return GetLastError();
    if (watch.startError != ERROR_SUCCESS) {
        const DWORD error = watch.startError;
        StopWatchingPointer();
        return error;
    }
    // Without raw input the hook still works; only its loss would go unnoticed.
    StartThread(watch.sinkThread, RunSinkThread);
    return ERROR_SUCCESS;
}

void StopWatchingPointer() {
    EndThread(watch.sinkThread);
    EndThread(watch.hookThread);
}

void OnMonitorsChanged() {
    if (watch.hookThread.handle) Publish(CurrentTriggers(), ReadMonitors());
}
