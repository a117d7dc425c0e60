#include "app/hub.h"

#include "app/command_line.h"
#include "app/command_pipe.h"
#include "app/notice.h"
#include "base/system_library.h"
#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "engine/hidden_set.h"
#include "engine/hidden_watch.h"
#include "engine/state_file.h"
#include "engine/watchdog.h"
#include "settings/settings_file.h"
#include "triggers/absence.h"
#include "triggers/hotkey.h"
#include "triggers/pointer_hook.h"
#include "triggers/trigger.h"
#include "ui/accessibility.h"
#include "ui/app_state.h"
#include "ui/commands.h"
#include "ui/controls.h"
#include "ui/hotkey_box.h"
#include "ui/keyboard.h"
#include "ui/list_watch.h"
#include "ui/tray.h"
#include "ui/trigger_boxes.h"
#include "ui/window_list.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <objbase.h>

#include <cstdint>
#include <optional>
#include <utility>

namespace {

constexpr wchar_t kMainClassName[] = L"VeltranoClass";
// The highest level a program may take.
constexpr DWORD kShutdownLevel = 0x3FF;
// Broadcast by the shell when it (re)starts; registered once per process.
UINT taskbarCreatedMessage = 0;
// A command a second start handed over while the usage notice was still unanswered: it runs once the user has
// accepted.
std::optional<StartCommand> commandAfterConsent;
// Any program may post WM_FINISH_START: the rest of the start runs once.
bool startFinished = false;

void OnHiddenChanged() {
    UpdateTrayTip();
    ArmAbsenceTimer(app.mainWindow, app.settings.autoHideMinutes, engine.windowsHidden);
    // Should putting the windows back take a while at shutdown, Windows names the reason on its screen
    // instead of ending Veltrano with them still hidden.
    if (engine.windowsHidden) {
        ShutdownBlockReasonCreate(app.mainWindow, L"正在恢复隐藏的窗口");
    } else {
        ShutdownBlockReasonDestroy(app.mainWindow);
    }
}

void OnCreate(HWND window) {
    app.mainWindow = window;
    app.dpi = static_cast<int>(GetDpiForWindow(window));
    if (app.dpi == 0) app.dpi = 96;
    FitMainWindow(window);
    CreateFonts(window);
    // UIPI drops messages above WM_USER that reach an elevated Veltrano from less privileged processes. The
    // shell's restart and its icon's clicks must get through: nothing says the shell lets its callback
    // through by itself. A window message would come from any program, a sandboxed one too: the command of a
    // later start comes through the pipe, which the system opens only to the user's programs of medium
    // integrity or above. An unelevated Veltrano lets no more in than any program does.
    if (const ProcessRights ours = RightsOfProcess(GetCurrentProcess()); AboveMediumIntegrity(ours)) {
        for (const UINT message : {taskbarCreatedMessage, WM_TRAYICON}) {
            if (message) ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
        }
        StartCommandPipe(window, ours);
    }
    // Without the window manager's library the corners stay as the system draws them.
    static const auto setAttribute =
        SystemFunction<decltype(DwmSetWindowAttribute)>(L"dwmapi.dll", "DwmSetWindowAttribute");
    const DWORD cornerPreference = 2; // DWMWCP_ROUND
    if (setAttribute)
        setAttribute(window, 33 /* DWMWA_WINDOW_CORNER_PREFERENCE */, &cornerPreference,
                     sizeof(cornerPreference));
    CreateControls(window);
    CreateKeyboardShortcuts();
    // As a dialog does: the focus shows at once when the window opens from the keyboard.
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
    app.settings = LoadSettings();
    SetHotkeyBox(app.settings.hotkey);
    ShowTriggerSettings();
    // The engine reports to this window from the start-up restore on.
    engine.host = {window, SetStatusText, OnHiddenChanged};
    RestoreFromStateFile();
    RefreshWindowList(true);
    StartListWatch(window);
    const std::wstring hotkeyText = FormatHotkey(app.settings.hotkey);
    std::wstring ready = RegisterOnMainWindow(app.settings.hotkey)
                             ? L"就绪 · 快捷键 " + hotkeyText
                             : L"快捷键 " + hotkeyText + L" 注册失败（可能被占用），可点击上方快捷键框修改";
    // Said once, at the start: a user who looks beside the exe for the settings learns where they are.
    if (const SettingsPlace& place = SettingsPlaceOfThisRun(); !place.besideExe)
        ready += L" · " + SettingsElsewhereNote(place.path.substr(0, place.path.find_last_of(L'\\')));
    SetStatusText(ready);
}

// The user's choice as it stands, on disk before the process ends; nobody is left to be told of a failure.
void SaveOnLeaving() {
    if (!app.settings.noticeShown) return;
    CommitListToSettings();
    SaveSettings(app.settings);
}

void OnDestroy() {
    if (engine.windowsHidden) RestoreAllWindows();
    SaveOnLeaving();
    if (app.hotkeyRegistered) {
        UnregisterToggleHotkey(app.mainWindow);
        app.hotkeyRegistered = false;
    }
    StopWatchingPointer();
    KillTimer(app.mainWindow, TIMER_AWAY);
    StopListWatch(app.mainWindow);
    StopCommandPipe();
    if (app.trayIconAdded) {
        RemoveTrayIcon();
        app.trayIconAdded = false;
    }
    app.rowHeightImageList.reset();
    app.fontNormal.reset();
    app.fontSmall.reset();
    app.fontTitle.reset();
    app.fontLabel.reset();
    engine.taskbarList.reset();
    PostQuitMessage(0);
}

// Any program can post a timer message; none starts a watchdog before the notice is accepted.
void ReplaceEndedWatchdog() {
    if (app.settings.noticeShown) OnWatchdogEnded();
}

// The press's choice is made from the list once the ticked windows it shows are off the screen.
HideChoice CommitForHide() {
    HideChoice choice;
    choice.ticked = CommitListToSettings();
    choice.hideList = app.settings.hideList;
    if (app.settings.hasFocusTarget) choice.target = app.settings.focusTarget;
    return choice;
}

void OnTimer(WPARAM id) {
    switch (id) {
    case TIMER_HOTKEY_APPLY: {
        KillTimer(app.mainWindow, TIMER_HOTKEY_APPLY);
        HWND box = ControlHandle(IDC_HOTKEY);
        if (box && LOWORD(SendMessageW(box, HKM_GETHOTKEY, 0, 0)) == 0) FallBackToDefaultHotkey();
        break;
    }
    case TIMER_LIST_WATCH: OnListWatchTick(app.mainWindow); break;
    case TIMER_TRAY_RETRY: ShowTrayIcon(); break;
    case TIMER_WATCHDOG: ReplaceEndedWatchdog(); break;
    case TIMER_HIDDEN_WATCH_SOON: OnHiddenWatchSoon(); break;
    case TIMER_AWAY: OnTrigger(Trigger::Away); break;
    default: break;
    }
}

RestoreReason ReasonOf(LPARAM flags) {
    return ReasonOfSessionEnd(static_cast<std::uint32_t>(flags));
}

// Veltrano is asked first (its shutdown level): a hidden program could neither show its "save changes?"
// question nor, without a visible window, hold up the end, and its work would be lost. Every window is back
// before the answer, and nothing else is done until the end is sure. Should the session go on after all, the
// windows stay back and the status line says why. An installer or an update that has Windows close Veltrano
// may still be cancelled: its windows stay hidden until then.
LRESULT OnQueryEndSession(LPARAM flags) {
    if (!(flags & ENDSESSION_CLOSEAPP)) RestoreForSessionEnd(ReasonOf(flags));
    return TRUE;
}

void OnEndSession(HWND window, WPARAM ending, LPARAM flags) {
    if (!ending) return;
    RestoreForSessionEnd(ReasonOf(flags));
    // An installer or an update replacing Veltrano's files: it goes, as at its exit, whose teardown saves.
    if (flags & ENDSESSION_CLOSEAPP) {
        DestroyWindow(window);
        return;
    }
    // Windows ends the process after the session ends without destroying the main window.
    SaveOnLeaving();
}

void OnHotkey(WPARAM id) {
    if (id != HOTKEY_ID_TOGGLE) return;
    HWND box = ControlHandle(IDC_HOTKEY);
    if (box && GetFocus() == box) return;
    OnTrigger(Trigger::Hotkey);
}

// What the user does not wait for comes once the main window has painted: the tray icon (there already when
// the notice was shown), the watchdog, and the taskbar-list object the first hide needs. Windows left hidden
// by a run that died came back at the window's creation, before all of it.
void FinishStart() {
    if (std::exchange(startFinished, true)) return;
    ShowTrayIcon();
    StartWatchdog();
    ShellTaskbarList();
    if (const DWORD error = ApplyTriggers()) SetStatusText(PointerTroubleText(error));
    AddTriggerTooltips();
    AnnotateForScreenReaders();
}

// A second start with a command gives it to the instance that runs: to its main window, once that exists (the
// instance may still be starting). Empty, or why the command could not be given within 5 s.
std::wstring HandOver(StartCommand command) {
    for (int tries = 0; tries < 50; ++tries) {
        if (HWND running = FindWindowW(kMainClassName, nullptr)) {
            DWORD processId = 0;
            GetWindowThreadProcessId(running, &processId);
            // The user started this process: it may let the running one take the foreground (the settings
            // window, the switch target).
            AllowSetForegroundWindow(processId);
            if (PostMessageW(running, WM_START_COMMAND, static_cast<WPARAM>(command), 0)) return {};
            // The system keeps this program's messages from an instance of higher integrity (an elevated
            // one).
            if (GetLastError() == ERROR_ACCESS_DENIED) return HandOverThroughPipe(command, processId);
            return SystemErrorText(GetLastError());
        }
        Sleep(100);
    }
    return L"5 秒内没有找到它的窗口";
}

void OnStartCommand(WPARAM command) {
    const auto start = static_cast<StartCommand>(command);
    if (!app.settings.noticeShown) {
        switch (CommandBeforeConsent(start)) {
        case BeforeConsent::KeepForAfter: commandAfterConsent = start; break;
        case BeforeConsent::RefuseNotice: RefuseUsageNotice(); break;
        case BeforeConsent::Nothing: break;
        }
        return;
    }
    switch (start) {
    case StartCommand::Toggle: ToggleHidden(); break;
    case StartCommand::Show: ShowSettingsWindow(); break;
    case StartCommand::Exit: DestroyWindow(app.mainWindow); break;
    default: break;
    }
}

// The loop waits on the watchdog as well as on the messages: one that ends is replaced at once, with no
// thread of the system's kept to wait for it, and an idle Veltrano does not wake.
int RunMessageLoop() {
    for (;;) {
        const WatchdogWait watchdog = CurrentWatchdogWait();
        const DWORD handles = watchdog.handle ? 1 : 0;
        const DWORD woke = MsgWaitForMultipleObjectsEx(handles, &watchdog.handle, watchdog.timeoutMs,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + handles) {
            ReplaceEndedWatchdog();
            continue;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
            if (TranslateMainWindowKeys(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void Hide(HideReason reason) {
    // A menu, a message box or a move of the window runs a loop of the system's in place of Veltrano's, which
    // alone waits on the watchdog: one that ended meanwhile is set on its way again before anything is
    // hidden.
    const WatchdogWait watchdog = CurrentWatchdogWait();
    if (watchdog.handle && WaitForSingleObject(watchdog.handle, 0) != WAIT_TIMEOUT) ReplaceEndedWatchdog();
    HideWindows(ReadListedChoice(), CommitForHide, std::move(reason));
}

InstanceMutex ClaimSingleInstance(UniqueHandle& mutex) {
    // One per session: a second user signed in on the same PC (fast user switching, remote desktop) has a
    // Veltrano of his own.
    mutex.reset(CreateMutexW(nullptr, TRUE, L"Local\\Veltrano_SingleInstance"));
    const DWORD error = GetLastError();
    if (mutex) return error == ERROR_ALREADY_EXISTS ? InstanceMutex::AlreadyThere : InstanceMutex::Created;
    return error == ERROR_ACCESS_DENIED ? InstanceMutex::Guarded : InstanceMutex::Failed;
}

} // namespace

void ToggleHidden() {
    // A press that arrives while a hide or restore waits for answers is not a new one.
    if (engine.busy) return;
    if (engine.windowsHidden) {
        CommitListToSettings();
        RestoreAllWindows();
        // The activation of the main window during the restore did not refresh the list: the windows were
        // not all back yet.
        if (IsWindowVisible(app.mainWindow)) RefreshListIfWindowsChanged();
    } else {
        Hide({});
    }
}

void OnTrigger(Trigger trigger) {
    switch (trigger) {
    case Trigger::Away: {
        // A hide or restore under way decides anew once it is done.
        if (engine.busy) {
            SetTimer(app.mainWindow, TIMER_AWAY, 1000, nullptr);
            return;
        }
        // Only a hide, never a restore: input alone must not bring a chat window back in front of whoever
        // sits down.
        std::wstring note;
        if (AbsenceCallsForHide(app.mainWindow, app.settings.autoHideMinutes, engine.windowsHidden, note))
            Hide({true, std::move(note)});
        return;
    }
    case Trigger::Corner:
        // A game, a video or a presentation has the pointer in a corner for its own reasons.
        if (!FullScreenProgramInFront()) ToggleHidden();
        return;
    case Trigger::Hotkey:
    case Trigger::MouseButton: ToggleHidden(); return;
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_SIZE:
        LayoutControlsIfResized(window);
        if (wParam != SIZE_MINIMIZED) StartListWatch(window);
        return 0;
    case WM_SHOWWINDOW:
        if (wParam) StartListWatch(window);
        break;
    case WM_ACTIVATE:
        OnMainWindowActivation(LOWORD(wParam) != WA_INACTIVE);
        if (LOWORD(wParam) != WA_INACTIVE && !engine.busy) OnMainWindowActivated();
        return 0;
    case DM_GETDEFID: return MAKELRESULT(IDC_TOGGLE, DC_HASDEFID);
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETHIGHCONTRAST) OnColorsChanged(window);
        if (wParam == SPI_SETSCREENREADER) AnnotateForScreenReaders();
        break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: OnColorsChanged(window); break;
    case WM_CLOSE: ShowWindow(window, SW_HIDE); return 0;
    case WM_ERASEBKGND: OnEraseBackground(window, reinterpret_cast<HDC>(wParam)); return 1;
    case WM_QUERYENDSESSION: return OnQueryEndSession(lParam);
    case WM_ENDSESSION: OnEndSession(window, wParam, lParam); return 0;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(window, *reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND:
        if (OnCommand(wParam) == UserCommand::Toggle) ToggleHidden();
        return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_CTLCOLORBTN: return OnCtlColorButton(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DPICHANGED: OnDpiChanged(window, wParam, *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_HOTKEY: OnHotkey(wParam); return 0;
    case WM_TRAYICON:
        if (OnTrayIcon(wParam, lParam) == UserCommand::Toggle) ToggleHidden();
        return 0;
    case WM_HIDDEN_SHOWN: OnHiddenWindowShown(); return 0;
    case WM_TRIGGER: OnTrigger(static_cast<Trigger>(wParam)); return 0;
    case WM_POINTER_TROUBLE: SetStatusText(PointerTroubleText(static_cast<DWORD>(wParam))); return 0;
    case WM_DISPLAYCHANGE: OnMonitorsChanged(); return 0;
    case WM_START_COMMAND: OnStartCommand(wParam); return 0;
    case WM_FINISH_START: FinishStart(); return 0;
    default: break;
    }
    if (message == taskbarCreatedMessage && taskbarCreatedMessage != 0) {
        OnTaskbarCreated();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateMainWindow() {
    taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    UpdatePalette();
    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = app.instance;
    windowClass.hIcon =
        static_cast<HICON>(LoadImageW(app.instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(app.instance, MAKEINTRESOURCEW(kAppIconId),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // No class brush: the background follows the palette, which a change of theme replaces.
    windowClass.lpszClassName = kMainClassName;
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, kMainClassName, L"Veltrano", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           820, 660, nullptr, nullptr, app.instance, nullptr);
}

LONG WINAPI LastChanceFilter(EXCEPTION_POINTERS*) {
    RestoreAllOnCrash();
    return EXCEPTION_EXECUTE_HANDLER;
}

int RunNormalRole(std::wstring_view arguments) {
    const StartCommand command = ParseStartCommand(arguments);
    if (command == StartCommand::Unknown) {
        MessageBoxW(nullptr, UnknownSwitchText(arguments).c_str(), L"Veltrano", MB_ICONWARNING | MB_OK);
        return 0;
    }
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    // Above every program left at the default level (0x280): asked first whether the session may end.
    SetProcessShutdownParameters(kShutdownLevel, 0);
    SetUnhandledExceptionFilter(LastChanceFilter);
    UniqueHandle instanceMutex;
    if (AnotherInstanceRuns(ClaimSingleInstance(instanceMutex))) {
        if (IsForRunningInstance(command)) {
            const std::wstring why = HandOver(command);
            if (why.empty()) return 0;
            // A script driving Veltrano learns from the exit code that nothing happened.
            MessageBoxW(nullptr, (L"无法把命令交给正在运行的 Veltrano：" + why).c_str(), L"Veltrano",
                        MB_ICONWARNING | MB_OK);
            return 1;
        }
        if (command == StartCommand::Normal)
            MessageBoxW(nullptr, L"Veltrano已经在运行。", L"Veltrano", MB_ICONINFORMATION | MB_OK);
        return 0;
    }
    if (command == StartCommand::Exit) return 0;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_HOTKEY_CLASS |
                                                           ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS |
                                                           ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (!CreateMainWindow()) return 1;
    if (!app.settings.noticeShown) {
        // The way back to a notice lost behind other windows.
        ShowTrayIcon();
        if (!ShowUsageNotice()) {
            DestroyWindow(app.mainWindow);
            return 0;
        }
    }
    // A quiet start (at sign-in, or a first --toggle) leaves the main window to the tray icon.
    if (command == StartCommand::Normal || command == StartCommand::Show) {
        ShowWindow(app.mainWindow, SW_SHOW);
        RedrawWindow(app.mainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    // In this order, before anything the user or another program asks: the watchdog guards the first hide.
    PostMessageW(app.mainWindow, WM_FINISH_START, 0, 0);
    const auto postCommand = [](StartCommand start) {
        PostMessageW(app.mainWindow, WM_START_COMMAND, static_cast<WPARAM>(start), 0);
    };
    if (command == StartCommand::Toggle) postCommand(StartCommand::Toggle);
    if (commandAfterConsent) postCommand(*std::exchange(commandAfterConsent, std::nullopt));
    const int exitCode = RunMessageLoop();
    CoUninitialize();
    return exitCode;
}
