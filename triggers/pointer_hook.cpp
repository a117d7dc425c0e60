#include "triggers/pointer_hook.h"

#include "base/handles.h"
#include "triggers/hotkey_spec.h"
#include "triggers/trigger.h"

#include <algorithm>
#include <vector>

namespace {

constexpr wchar_t kSinkClassName[] = L"VltPointerSink";
constexpr UINT_PTR kCornerTimer = 1;
constexpr UINT_PTR kHookCheckTimer = 2;
// The raw input of a press and the hook's call for it come through the same queue: this is for the queue.
constexpr UINT kHookCheckSlackMs = 100;

// The system calls the hook procedure without context: it reaches its state here. The lock guards what the
// GUI thread changes (the triggers, the monitors); the rest belongs to the hook thread alone.
struct PointerWatch {
    SRWLOCK lock = SRWLOCK_INIT;
    PointerTriggers triggers;
    std::vector<ScreenRect> monitors;

    HWND window = nullptr;
    UniqueHandle thread;
    DWORD threadId = 0;
    DWORD startError = ERROR_SUCCESS;

    HHOOK hook = nullptr;
    HWND sink = nullptr;
    ClickState click;
    CornerDwell dwell;
    HookWatch hookWatch;
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

// The button of a low-level mouse message, and whether it is pressed; 0 for moves and wheels.
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
        SetTimer(watch.sink, kCornerTimer, std::max<UINT>(*step.lookAgainInMs, USER_TIMER_MINIMUM), nullptr);
    } else {
        KillTimer(watch.sink, kCornerTimer);
    }
}

// Whether the event is the trigger's and must reach no window. Nothing here waits: the system gives the hook
// at most a second before it passes the event on, and then removes the hook.
bool IsTheTriggers(WPARAM message, const MSLLHOOKSTRUCT& event) {
    AcquireSRWLockShared(&watch.lock);
    const PointerTriggers triggers = watch.triggers;
    const bool inCorner = message == WM_MOUSEMOVE && triggers.corner != HotCorner::None &&
                          InHotCorner({event.pt.x, event.pt.y}, triggers.corner, watch.monitors);
    ReleaseSRWLockShared(&watch.lock);
    if (message == WM_MOUSEMOVE) {
        if (triggers.corner != HotCorner::None) StepCorner(inCorner, event.time, triggers.cornerHoldMs);
        return false;
    }
    ButtonEvent button = ButtonOf(message, event);
    if (button.vk == 0) return false;
    if (button.down) HookSawPress(watch.hookWatch, event.time);
    button.modifiers = ModifiersHeld();
    button.ms = event.time;
    const ClickVerdict verdict = JudgeClick(watch.click, triggers.mouse, button);
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

// Raw input sees every press whether or not the hook does: one the hook never saw tells that the system took
// the hook away, and it is set again.
void OnRawInput(HRAWINPUT handle, DWORD time) {
    RAWINPUT input = {};
    UINT size = sizeof(input);
    if (GetRawInputData(handle, RID_INPUT, &input, &size, sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1) ||
        input.header.dwType != RIM_TYPEMOUSE)
        return;
    constexpr USHORT kPresses = RI_MOUSE_BUTTON_1_DOWN | RI_MOUSE_BUTTON_2_DOWN | RI_MOUSE_BUTTON_3_DOWN |
                                RI_MOUSE_BUTTON_4_DOWN | RI_MOUSE_BUTTON_5_DOWN;
    if (!(input.data.mouse.usButtonFlags & kPresses)) return;
    if (const auto lookIn = RawSawPress(watch.hookWatch, time))
        SetTimer(watch.sink, kHookCheckTimer, *lookIn + kHookCheckSlackMs, nullptr);
}

void CheckHook() {
    KillTimer(watch.sink, kHookCheckTimer);
    if (!HookLost(watch.hookWatch, GetTickCount())) return;
    HHOOK fresh = SetHook();
    if (!fresh) {
        PostMessageW(watch.window, WM_POINTER_TROUBLE, GetLastError(), 0);
        return;
    }
    // Where the system only delayed the old hook, it would be called twice.
    UnhookWindowsHookEx(watch.hook);
    watch.hook = fresh;
}

void OnTimer(UINT_PTR id) {
    if (id == kHookCheckTimer) {
        CheckHook();
    } else if (id == kCornerTimer) {
        AcquireSRWLockShared(&watch.lock);
        const PointerTriggers triggers = watch.triggers;
        ReleaseSRWLockShared(&watch.lock);
        StepCorner(watch.dwell.inCorner && triggers.corner != HotCorner::None, GetTickCount(),
                   triggers.cornerHoldMs);
    }
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

// The thread does nothing but answer the hook, read the raw input and keep the corner's time: a busy main
// window, a hide under way or a hung program never delays the user's mouse.
DWORD WINAPI RunPointerThread(void* started) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    watch.sink = CreateSink();
    RAWINPUTDEVICE mouse = {0x01, 0x02, RIDEV_INPUTSINK, watch.sink};
    if (watch.sink) RegisterRawInputDevices(&mouse, 1, sizeof(mouse));
    watch.hook = SetHook();
    watch.startError = watch.hook ? ERROR_SUCCESS : GetLastError();
    SetEvent(static_cast<HANDLE>(started));
    MSG message;
    while (watch.hook && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == watch.sink && message.message == WM_INPUT)
            OnRawInput(reinterpret_cast<HRAWINPUT>(message.lParam), message.time);
        if (message.hwnd == watch.sink && message.message == WM_TIMER) {
            OnTimer(message.wParam);
            continue;
        }
        DispatchMessageW(&message);
    }
    if (watch.hook) UnhookWindowsHookEx(watch.hook);
    watch.hook = nullptr;
    mouse = {0x01, 0x02, RIDEV_REMOVE, nullptr};
    RegisterRawInputDevices(&mouse, 1, sizeof(mouse));
    if (watch.sink) DestroyWindow(watch.sink);
    watch.sink = nullptr;
    return 0;
}

} // namespace

DWORD WatchPointer(HWND window, const PointerTriggers& triggers) {
    if (!WatchesPointer(triggers)) {
        StopWatchingPointer();
        return ERROR_SUCCESS;
    }
    Publish(triggers, ReadMonitors());
    if (watch.thread) return ERROR_SUCCESS;
    watch.window = window;
    watch.click = {};
    watch.dwell = {};
    watch.hookWatch = {};
    UniqueHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started) return GetLastError();
    watch.thread.reset(CreateThread(nullptr, 0, RunPointerThread, started.get(), 0, &watch.threadId));
    if (!watch.thread) return GetLastError();
    const HANDLE waits[] = {started.get(), watch.thread.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (watch.startError == ERROR_SUCCESS) return ERROR_SUCCESS;
    const DWORD error = watch.startError;
    StopWatchingPointer();
    return error;
}

void StopWatchingPointer() {
    if (!watch.thread) return;
    PostThreadMessageW(watch.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(watch.thread.get(), INFINITE);
    watch.thread.reset();
    watch.threadId = 0;
}

void OnMonitorsChanged() {
    if (!watch.thread) return;
    AcquireSRWLockShared(&watch.lock);
    const PointerTriggers triggers = watch.triggers;
    ReleaseSRWLockShared(&watch.lock);
    Publish(triggers, ReadMonitors());
}
