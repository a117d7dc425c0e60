// vlt-bench.exe: the measurements behind script/bench, made under Wine on a virtual display. One mode per
// run; each prints rows of a Markdown table (what | Veltrano | floor | ratio | target | met) on its standard
// output.
// - hide <n> <repetitions>: HideWindows and RestoreAllWindows on n ticked helper windows, in this process,
//   against the calls hiding and restoring must make on the same windows.
// - snapshot <n> <repetitions>: TakeWindowSnapshot with n candidate windows, against a pass that reads the
//   same facts of every window with the fewest calls.
// - startup <repetitions>: veltrano.exe until its main window shows the ready line, against the start of
//   vlt-empty-window.exe, and of vlt-library-window.exe (the same, with Veltrano's libraries and a list
//   view).
// - footprint <toggles>: the exe's size; working set, private bytes and object counts of a running
//   veltrano.exe after its start and after <toggles> toggles, against vlt-library-window.exe.
// - idle <seconds>: CPU time of a running veltrano.exe, every trigger set, with its main window in the tray,
//   then shown; prints "mark <phase>-begin" and "mark <phase>-end" lines around each phase.
// - hotkey <programs> <hung> [mouse]: ten ticked windows of that many helper programs, and who answers the
//   hotkey (or the first side button): veltrano.exe or the floor, as lines on the standard input choose.
// Medians of alternating runs, and floors measured in the same run, keep the ratios steady on a busy machine.
// Never shipped: a benchmark-only program.
#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "engine/hidden_set.h"
#include "engine/hide_plan.h"
#include "engine/program_answers.h"
#include "engine/state_file.h"
#include "tests/win/support.h"
#include "ui/app_state.h"

#include <objbase.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

double Median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string Ms(double ms) {
    return Format(ms < 10 ? "%.2f ms" : ms < 100 ? "%.1f ms" : "%.0f ms", ms);
}

std::string MiB(double bytes) {
    return Format("%.1f MiB", bytes / (1024.0 * 1024.0));
}

void Row(const std::string& what, const std::string& measured, const std::string& floor,
         const std::string& ratio, const std::string& target, const std::string& met) {
    std::printf("| %s | %s | %s | %s | %s | %s |\n", what.c_str(), measured.c_str(), floor.c_str(),
                ratio.c_str(), target.c_str(), met.c_str());
    std::fflush(stdout);
}

// A row compared with its floor; `limit` 0 means the ratio is reported for information only.
void RatioRow(const std::string& what, double measured, double floor, double limit) {
    const double ratio = measured / floor;
    if (limit == 0) {
        Row(what, Ms(measured), Ms(floor), Format("%.2f", ratio), "—", "—");
    } else {
        Row(what, Ms(measured), Ms(floor), Format("%.2f", ratio), Format("≤ %.1f×", limit),
            ratio <= limit ? "yes" : "**no**");
    }
}

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "vlt-bench: %s\n", why.c_str());
    return 1;
}

std::vector<std::wstring> NumberedWindows(const std::wstring& title, int count) {
    return {L"--window", title, L"--count", std::to_wstring(count)};
}

std::string SettingsTicking(const std::string& title, int count) {
    std::string settings = "[config]\r\nnoticeShown=1\r\nhideCount=" + std::to_string(count) + "\r\n";
    for (int i = 0; i < count; ++i)
        settings += "hide" + std::to_string(i) + "=" + title + " " + std::to_string(i + 1) +
                    "|vlt-test-windows.exe\r\n";
    return settings;
}

// Lets the helper and the window manager finish what the last phase set off before the next one is timed.
void Settle(HANDLE helper, std::size_t windows) {
    WaitForInputIdle(helper, 5000);
    Sleep(static_cast<DWORD>(50 + windows));
}

struct FloorWindows {
    std::unordered_map<HWND, LONG_PTR> styles; // each window's style before the first hide
    std::vector<HWND> order; // as the enumeration met them: z-order, as the program hides them
};

BOOL CALLBACK ReadTitleAndFindWindow(HWND hwnd, LPARAM param) {
    auto& windows = *reinterpret_cast<FloorWindows*>(param);
    wchar_t title[kTitleBufferUnits];
    GetWindowTextW(hwnd, title, static_cast<int>(kTitleBufferUnits));
    if (windows.styles.count(hwnd)) windows.order.push_back(hwnd);
    return TRUE;
}

// What hiding cannot do without: find the windows (one enumeration that reads every title), then per window
// the style write, the frame refresh, the taskbar button and the hide.
void FloorHide(FloorWindows& windows) {
    windows.order.clear();
    EnumWindows(ReadTitleAndFindWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND hwnd : windows.order) {
        SetWindowLongPtrW(hwnd, GWL_EXSTYLE, static_cast<LONG_PTR>(HiddenExStyle(windows.styles[hwnd])));
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, kFrameRefreshFlags);
        if (engine.taskbarList) engine.taskbarList->DeleteTab(hwnd);
        ShowWindow(hwnd, SW_HIDE);
    }
}

// Restoring, last hidden first: style write, frame refresh, show, taskbar button.
void FloorRestore(FloorWindows& windows) {
    for (auto hwnd = windows.order.rbegin(); hwnd != windows.order.rend(); ++hwnd) {
        SetWindowLongPtrW(*hwnd, GWL_EXSTYLE, windows.styles[*hwnd]);
        SetWindowPos(*hwnd, nullptr, 0, 0, 0, 0, kFrameRefreshFlags);
        ShowWindow(*hwnd, SW_SHOW);
        if (engine.taskbarList) engine.taskbarList->AddTab(*hwnd);
    }
}

bool AllVisible(const std::vector<HWND>& windows, bool visible) {
    return std::all_of(windows.begin(), windows.end(),
                       [&](HWND hwnd) { return (IsWindowVisible(hwnd) != FALSE) == visible; });
}

// A hide or restore returns once the programs have answered, or once it stopped waiting for one that answers
// only slowly (two hundred windows); what counts is until every window is where it should be and the engine
// has taken the last answer.
bool Finished(const std::vector<HWND>& windows, bool visible) {
    // The engine's own account first: reading every window's visibility after each answer would cost more
    // than the hide.
    const auto done = [&] {
        const bool engineDone =
            visible ? engine.pendingUndo.empty()
                    : std::all_of(engine.hiddenSet.begin(), engine.hiddenSet.end(),
                                  [](const auto& record) { return record.progress == HideProgress::Hidden; });
        return engineDone && AllVisible(windows, visible);
    };
    AwaitAnswers(done, GetTickCount64() + 10000);
    return done();
}

int BenchHide(int count, int repetitions) {
    Helper helper(NumberedWindows(L"VltBench", count));
    if (helper.windows.size() != static_cast<std::size_t>(count))
        return Fail("the helper did not open its windows");
    TempFolder folder;
    engine.stateFileOverride = folder.File(L"veltrano.hidden");
    HideChoice choice;
    for (int i = 1; i <= count; ++i)
        choice.hideList.push_back({L"VltBench " + std::to_wstring(i), L"vlt-test-windows.exe"});
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Made before the timing, as the program makes it once its window has painted.
    ShellTaskbarList();
    FloorWindows floorWindows;
    for (HWND hwnd : helper.windows)
        floorWindows.styles[hwnd] = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    std::vector<double> hide, restore, floorHide, floorRestore;
    const auto timeProduct = [&](bool keep) {
        const double start = NowMs();
        HideWindows({}, [&] { return choice; });
        if (engine.hiddenSet.size() != helper.windows.size() || !Finished(helper.windows, false))
            return false;
        const double hidden = NowMs();
        Settle(helper.process.hProcess, helper.windows.size());
        const double restoring = NowMs();
        RestoreAllWindows();
        if (!Finished(helper.windows, true)) return false;
        const double restored = NowMs();
        if (keep) {
            hide.push_back(hidden - start);
            restore.push_back(restored - restoring);
        }
        Settle(helper.process.hProcess, helper.windows.size());
        return true;
    };
    const auto timeFloor = [&](bool keep) {
        const double start = NowMs();
        FloorHide(floorWindows);
        const double hidden = NowMs();
        if (floorWindows.order.size() != helper.windows.size()) return false;
        Settle(helper.process.hProcess, helper.windows.size());
        const double restoring = NowMs();
        FloorRestore(floorWindows);
        const double restored = NowMs();
        if (!AllVisible(helper.windows, true)) return false;
        if (keep) {
            floorHide.push_back(hidden - start);
            floorRestore.push_back(restored - restoring);
        }
        Settle(helper.process.hProcess, helper.windows.size());
        return true;
    };
    // One untimed round first; then the order alternates, so neither side always runs on a freshly settled
    // desktop.
    for (int round = -1; round < repetitions; ++round) {
        const bool keep = round >= 0;
        const bool productFirst = round % 2 == 0;
        if (!(productFirst ? timeProduct(keep) && timeFloor(keep) : timeFloor(keep) && timeProduct(keep)))
            return Fail("the windows did not hide and come back as expected");
    }
    engine.taskbarList.reset();
    CoUninitialize();
    const double limit = count >= 50 ? 1.2 : 0;
    RatioRow("Hide, N = " + std::to_string(count), Median(hide), Median(floorHide), limit);
    RatioRow("Restore, N = " + std::to_string(count), Median(restore), Median(floorRestore), limit);
    return 0;
}

using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

struct FloorSnapshot {
    WindowSnapshot items;
    GetAttribute getAttribute = nullptr;
};

// The facts the candidate filter needs, each read once with the one call the system has for it, a window
// dropped at its first failing fact: style (visibility), title, process, extended style, cloaking.
BOOL CALLBACK CollectCandidateFacts(HWND hwnd, LPARAM param) {
    auto& floor = *reinterpret_cast<FloorSnapshot*>(param);
    if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE)) return TRUE;
    wchar_t title[kTitleBufferUnits];
    if (GetWindowTextW(hwnd, title, static_cast<int>(kTitleBufferUnits)) <= 0) return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    if (processId == 0 || processId == GetCurrentProcessId()) return TRUE;
    if (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
    DWORD cloaked = 0;
    if (floor.getAttribute &&
        floor.getAttribute(hwnd, 14 /* DWMWA_CLOAKED */, &cloaked, sizeof(cloaked)) >= 0 && cloaked)
        return TRUE;
    floor.items.push_back({hwnd, title});
    return TRUE;
}

WindowSnapshot FloorCandidateSnapshot(GetAttribute getAttribute) {
    FloorSnapshot floor{{}, getAttribute};
    EnumWindows(CollectCandidateFacts, reinterpret_cast<LPARAM>(&floor));
    SortSnapshot(floor.items);
    return std::move(floor.items);
}

int BenchSnapshot(int count, int repetitions) {
    Helper helper(NumberedWindows(L"VltSnap", count));
    if (helper.windows.size() != static_cast<std::size_t>(count))
        return Fail("the helper did not open its windows");
    Sleep(500);
    const auto getAttribute = reinterpret_cast<GetAttribute>(reinterpret_cast<void*>(GetProcAddress(
        LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "DwmGetWindowAttribute")));
    std::vector<double> product, floor;
    for (int round = -1; round < repetitions; ++round) {
        for (int side = 0; side < 2; ++side) {
            const bool timeProduct = (side == 0) == (round % 2 == 0);
            const double start = NowMs();
            const std::size_t found =
                timeProduct ? TakeWindowSnapshot().size() : FloorCandidateSnapshot(getAttribute).size();
            const double took = NowMs() - start;
            if (found < static_cast<std::size_t>(count)) return Fail("the snapshot missed helper windows");
            if (round >= 0) (timeProduct ? product : floor).push_back(took);
        }
    }
    RatioRow("Snapshot, " + std::to_string(count) + " candidates", Median(product), Median(floor), 1.2);
    return 0;
}

// Starts `commandLine` and polls until `shown` holds for the new process; the milliseconds from the call that
// created the process, or a negative number on time-out.
double TimeStart(std::wstring commandLine, const wchar_t* folder, PROCESS_INFORMATION& process,
                 const std::function<bool(DWORD processId)>& shown) {
    STARTUPINFOW startup = {sizeof(startup)};
    const double start = NowMs();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                        &process)) {
        return -1;
    }
    while (!shown(process.dwProcessId)) {
        if (NowMs() - start > 30000) return -1;
        Sleep(1);
    }
    return NowMs() - start;
}

HWND VisibleWindowOf(DWORD processId, const wchar_t* className) {
    for (HWND hwnd : WindowsOfProcess(processId, className)) {
        if (IsWindowVisible(hwnd)) return hwnd;
    }
    return nullptr;
}

void EndProcess(PROCESS_INFORMATION& process) {
    if (!process.hProcess) return;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
}

// Until the reference program's window of `className` is visible; closed as a user closes it.
// `whileShown`, where given, runs once the window is visible, before the program is closed.
double TimeReferenceStart(const wchar_t* exe, const wchar_t* className,
                          const std::function<void(DWORD processId)>& whileShown = {}) {
    PROCESS_INFORMATION process = {};
    const double took = TimeStart(L"\"" + BesideTests(exe) + L"\"", nullptr, process, [&](DWORD processId) {
        return VisibleWindowOf(processId, className) != nullptr;
    });
    if (took >= 0 && whileShown) whileShown(process.dwProcessId);
    PostMessageW(VisibleWindowOf(process.dwProcessId, className), WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 5000);
    EndProcess(process);
    return took;
}

double TimeVeltranoStart() {
    Veltrano veltrano;
    const double took = TimeStart(
        L"\"" + veltrano.exe + L"\"", veltrano.folder.path.c_str(), veltrano.process, [](DWORD processId) {
            HWND main = VisibleWindowOf(processId, L"VeltranoClass");
            return main && TitleOf(GetDlgItem(main, IDC_STATUS)).starts_with(L"就绪");
        });
    // Every program is closed as a user closes it. After programs killed with their windows on the screen,
    // Wine now and then left the first window of the next program (the hotkey rows' helper) unmapped in X
    // although it was shown, and that row could not be measured.
    if (HWND main = VisibleWindowOf(veltrano.process.dwProcessId, L"VeltranoClass")) {
        PostMessageW(main, WM_COMMAND, IDC_EXIT, 0);
        veltrano.WaitExit(5000);
    }
    return took;
}

int BenchStartup(int repetitions) {
    const std::function<double()> starts[] = {
        TimeVeltranoStart, [] { return TimeReferenceStart(L"vlt-empty-window.exe", L"VltEmptyWindow"); },
        [] { return TimeReferenceStart(L"vlt-library-window.exe", L"VltLibraryWindow"); }};
    std::vector<double> samples[3];
    // Each round starts with another program, so that the machine's drift weighs on all three alike.
    for (int round = -1; round < repetitions; ++round) {
        for (int side = 0; side < 3; ++side) {
            const int which = (side + round + 3) % 3;
            const double took = starts[which]();
            if (took < 0) return Fail("a program did not show its window");
            if (round >= 0) samples[which].push_back(took);
            Sleep(300);
        }
    }
    const double product = Median(samples[0]);
    RatioRow("Start-up to the ready main window, against the empty window program", product,
             Median(samples[1]), 1.3);
    RatioRow("Start-up to the ready main window, against the library window program", product,
             Median(samples[2]), 0);
    return 0;
}

// One entry of the GDI handle table that Wine keeps in each process and points to from its PEB.
struct GdiTableEntry {
    UINT64 object;
    UINT32 owner;
    UINT8 extTypeAndStock;
    UINT8 generation;
    UINT8 type;
    UINT8 flags;
    UINT64 user;
};
static_assert(sizeof(GdiTableEntry) == 24);
constexpr std::size_t kGdiTableEntries = 0x10000;
constexpr std::size_t kPebGdiTableOffset = 0xF8;
constexpr UINT8 kGdiStockFlag = 0x80;

using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
using QuerySystem = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

template <typename Function> Function NtFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// One entry of the system's handle list (information class 16).
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

// The handles the process holds, counted in the system's handle list; -1 when the list cannot be read.
long CountHandlesInSystemList(DWORD processId) {
    const auto query = NtFunction<QuerySystem>("NtQuerySystemInformation");
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    NTSTATUS status;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           nullptr)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return -1;
    ULONG count = 0;
    std::memcpy(&count, buffer.data(), sizeof(count));
    const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    return static_cast<long>(std::count_if(entries, entries + count, [&](const SystemHandleEntry& entry) {
        return entry.ownerProcessId == processId;
    }));
}

// Live, non-stock GDI objects of the process, read from its handle table; -1 when the table cannot be read.
long CountGdiTableEntries(HANDLE process) {
    const auto query = NtFunction<QueryProcess>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) return -1;
    UINT64 table = 0;
    const auto* pebField = reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset;
    if (!ReadProcessMemory(process, pebField, &table, sizeof(table), nullptr) || !table) return -1;
    std::vector<GdiTableEntry> entries(kGdiTableEntries);
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiTableEntry), &got)) {
        return -1;
    }
    return static_cast<long>(std::count_if(entries.begin(), entries.end(), [](const GdiTableEntry& entry) {
        return entry.type != 0 && !(entry.extTypeAndStock & kGdiStockFlag);
    }));
}

struct WindowCount {
    DWORD processId;
    long count = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowCount*>(param)->count;
    return TRUE;
}

void CountWindowAndChildren(HWND hwnd, WindowCount& count) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != count.processId) return;
    ++count.count;
    EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(&count));
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM param) {
    CountWindowAndChildren(hwnd, *reinterpret_cast<WindowCount*>(param));
    return TRUE;
}

// Every window of the process: top-level, message-only, and their children.
long CountWindows(DWORD processId) {
    WindowCount count{processId};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND hwnd = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); hwnd;
         hwnd = FindWindowExW(HWND_MESSAGE, hwnd, nullptr, nullptr)) {
        CountWindowAndChildren(hwnd, count);
    }
    return count.count;
}

struct Footprint {
    double workingSet = 0;
    long handles = -1;
    long gdi = -1;
    long user = -1;
    const char* handleSource = "GetProcessHandleCount";
    const char* gdiSource = "GetGuiResources";
    const char* userSource = "GetGuiResources";
};

// Wine answers GetProcessHandleCount for another process with 0, and GetGuiResources is a stub there (0,
// ERROR_CALL_NOT_IMPLEMENTED): under Wine the handles are counted in the system's handle list, the GDI
// objects in the process's GDI handle table and the USER objects as its windows.
Footprint MeasureFootprint(DWORD processId) {
    Footprint footprint;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return footprint;
    PROCESS_MEMORY_COUNTERS memory = {sizeof(memory)};
    if (GetProcessMemoryInfo(process, &memory, sizeof(memory)))
        footprint.workingSet = static_cast<double>(memory.WorkingSetSize);
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles)) footprint.handles = static_cast<long>(handles);
    if (footprint.handles <= 0) {
        footprint.handles = CountHandlesInSystemList(processId);
        footprint.handleSource = "the system's handle list";
    }
    SetLastError(0);
    footprint.gdi = static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS));
    if (footprint.gdi == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        footprint.gdi = CountGdiTableEntries(process);
        footprint.gdiSource = "the process's GDI handle table";
    }
    SetLastError(0);
    footprint.user = static_cast<long>(GetGuiResources(process, GR_USEROBJECTS));
    if (footprint.user == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        footprint.user = CountWindows(processId);
        footprint.userSource = "windows of the process";
    }
    CloseHandle(process);
    return footprint;
}

bool WaitForReady(Veltrano& veltrano) {
    return WaitFor([&] { return veltrano.Text(IDC_STATUS).starts_with(L"就绪"); }, 15000);
}

bool Command(HWND window, int id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_NORMAL, 30000, &result) !=
           0;
}

// Shown as start → after the first toggle pair → after all toggles. The first hide and restore may make Wine
// or the common controls create what they keep for the rest of the run (a pen for drawing, say); growth is
// judged from there on, where a leak per toggle would show.
void CountRow(const std::string& what, long start, long warm, long after, int toggles) {
    Row(what, std::to_string(start) + " → " + std::to_string(warm) + " → " + std::to_string(after), "", "",
        "no growth over " + std::to_string(toggles) + " toggles",
        warm >= 0 && after <= warm ? "yes" : "**no**");
}

bool Toggle(HWND mainWindow, int times) {
    for (int i = 0; i < times; ++i) {
        if (!Command(mainWindow, IDC_TOGGLE)) return false;
    }
    return true;
}

// Wine answers the private bytes of another process with 0: script/bench reads them from Linux's /proc at the
// marks printed here, in the process printed before them. The working set is read here.
Footprint MarkFootprint(DWORD processId, const char* phase) {
    Say(std::string("mark ") + phase);
    Sleep(300);
    return MeasureFootprint(processId);
}

// The floor: the library window program, settled as veltrano.exe is before its first reading.
bool MeasureFloorFootprint(Footprint& floor) {
    constexpr wchar_t kExe[] = L"vlt-library-window.exe";
    return TimeReferenceStart(kExe, L"VltLibraryWindow", [&](DWORD processId) {
               Sleep(1500);
               Say("process " + Utf8(BesideTests(kExe)));
               floor = MarkFootprint(processId, "floor");
           }) >= 0;
}

int BenchFootprint(int toggles) {
    WIN32_FILE_ATTRIBUTE_DATA exe = {};
    if (!GetFileAttributesExW(VeltranoExePath().c_str(), GetFileExInfoStandard, &exe))
        return Fail("veltrano.exe is missing");
    const double size = static_cast<double>(exe.nFileSizeLow) + 4294967296.0 * exe.nFileSizeHigh;
    Row("Exe size", Format("%.0f KiB", size / 1024), "", "", "≤ 1 MiB",
        size <= 1024 * 1024 ? "yes" : "**no**");

    constexpr int kTicked = 5;
    Helper helper(NumberedWindows(L"VltFoot", kTicked));
    {
        // As at sign-in: started in the tray, never painted.
        Veltrano tray(SettingsTicking("VltFoot", kTicked));
        if (!tray.Start(L"--tray", false) ||
            !WaitFor([&] { return !WindowsOfProcess(tray.process.dwProcessId, L"VeltranoClass").empty(); }))
            return Fail("veltrano.exe did not start in the tray");
        Sleep(1500);
        Say("process " + Utf8(tray.exe) + " --tray");
        MarkFootprint(tray.process.dwProcessId, "tray");
        Command(WindowsOfProcess(tray.process.dwProcessId, L"VeltranoClass")[0], IDC_EXIT);
        tray.WaitExit();
    }
    Veltrano veltrano(SettingsTicking("VltFoot", kTicked));
    if (!veltrano.Start() || !WaitForReady(veltrano)) return Fail("veltrano.exe did not start");
    Say("process " + Utf8(veltrano.exe));
    const auto settled = [&] {
        const bool back =
            WaitFor([&] { return AllVisible(helper.windows, true) && IsWindowVisible(veltrano.mainWindow); });
        Sleep(1500);
        return back;
    };
    if (!settled()) return Fail("veltrano.exe did not settle");
    const DWORD processId = veltrano.process.dwProcessId;
    const Footprint start = MarkFootprint(processId, "start");
    if (!Toggle(veltrano.mainWindow, 2) || !settled()) return Fail("the first toggles did not come back");
    const Footprint warm = MarkFootprint(processId, "warm");
    if (!Toggle(veltrano.mainWindow, toggles) || !settled()) return Fail("the toggles did not come back");
    const Footprint after = MarkFootprint(processId, "after");
    Footprint floor;
    if (!MeasureFloorFootprint(floor)) return Fail("the library window program did not show its window");
    Row("Working set (start → first toggle pair → " + std::to_string(toggles) + " more toggles)",
        MiB(start.workingSet) + " → " + MiB(warm.workingSet) + " → " + MiB(after.workingSet),
        MiB(floor.workingSet) + " (library window program)",
        Format("%.2f", after.workingSet / floor.workingSet), "—", "—");
    CountRow(std::string("Kernel handles (") + start.handleSource + ")", start.handles, warm.handles,
             after.handles, toggles);
    CountRow(std::string("GDI objects (") + start.gdiSource + ")", start.gdi, warm.gdi, after.gdi, toggles);
    CountRow(std::string("USER objects (") + start.userSource + ")", start.user, warm.user, after.user,
             toggles);
    return 0;
}

// Wine answers GetProcessTimes for another process with zeros, so script/bench reads the CPU time of the Wine
// process from Linux's /proc between the marks printed here; it finds the process by the path printed first.
int BenchIdle(int seconds) {
    constexpr int kWindows = 10;
    constexpr int kOthers = 50;
    Helper helper(NumberedWindows(L"VltIdle", kWindows));
    Helper others(NumberedWindows(L"VltOther", kOthers));
    // The mouse hook's threads and the absence timer run too; the absence is never reached here.
    Veltrano veltrano(SettingsTicking("VltIdle", kWindows) +
                      "mouseVk=5\r\nmouseMods=2\r\nhotCorner=4\r\nhotCornerMs=300\r\nautoHideMinutes=30\r\n");
    if (!veltrano.Start() || !WaitForReady(veltrano)) return Fail("veltrano.exe did not start");
    Say("process " + Utf8(veltrano.exe));
    Sleep(2000);
    Command(veltrano.mainWindow, IDC_TO_TRAY);
    Sleep(1000);
    Say("mark tray-begin");
    Sleep(static_cast<DWORD>(seconds) * 1000);
    Say("mark tray-end");
    // Hidden: the ten windows out of sight, watched so that they stay so, among fifty other windows.
    Command(veltrano.mainWindow, IDC_TOGGLE);
    if (!WaitFor([&] { return AllVisible(helper.windows, false); })) return Fail("the windows did not hide");
    Sleep(1000);
    Say("mark hidden-begin");
    Sleep(static_cast<DWORD>(seconds) * 1000);
    Say("mark hidden-end");
    // script/bench reads the CPU time of the threads alive when it reads the mark: the restore must not end
    // the watch's thread before.
    Sleep(1000);
    Command(veltrano.mainWindow, IDC_TOGGLE);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(veltrano.mainWindow, WM_TRAYICON, 0, WM_LBUTTONDBLCLK, SMTO_NORMAL, 30000, &result);
    if (!WaitFor([&] { return IsWindowVisible(veltrano.mainWindow) != FALSE; }))
        return Fail("the main window did not come back from the tray");
    Sleep(1000);
    Say("mark shown-begin");
    Sleep(static_cast<DWORD>(seconds) * 1000);
    Say("mark shown-end");
    return 0;
}

// The floor of the hotkey rows: a program that owns the hotkey (or a low-level mouse hook that takes the
// first side button) and does nothing on it but queue the hide (or, the next time, the show) of the same
// windows.
struct HotkeyFloor {
    std::vector<HWND> windows;
    bool mouse = false;
    HANDLE ready = nullptr;
    bool registered = false;
    bool hidden = false;
};
HotkeyFloor* mouseFloor = nullptr;

void ToggleFloor(HotkeyFloor& floor) {
    floor.hidden = !floor.hidden;
    for (HWND hwnd : floor.windows)
        ShowWindowAsync(hwnd, floor.hidden ? SW_HIDE : SW_SHOW);
}

LRESULT CALLBACK OnFloorMouse(int code, WPARAM message, LPARAM data) {
    const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP) &&
        HIWORD(event.mouseData) == XBUTTON1) {
        if (message == WM_XBUTTONDOWN) ToggleFloor(*mouseFloor);
        return 1;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

DWORD WINAPI RunHotkeyFloor(void* parameter) {
    auto& floor = *static_cast<HotkeyFloor*>(parameter);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    floor.hidden = false;
    mouseFloor = &floor;
    HHOOK hook =
        floor.mouse ? SetWindowsHookExW(WH_MOUSE_LL, OnFloorMouse, GetModuleHandleW(nullptr), 0) : nullptr;
    floor.registered =
        floor.mouse ? hook != nullptr
                    : RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, VK_SPACE) != FALSE;
    SetEvent(floor.ready);
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_HOTKEY) ToggleFloor(floor);
    }
    if (hook) UnhookWindowsHookEx(hook);
    UnregisterHotKey(nullptr, 1);
    return 0;
}

// Ten ticked windows of `programs` helper programs, the first with a window "VltKey focus" to type into. The
// windows of the last `hung` programs are titled "VltHung <n>" (the timing leaves them out), the others
// "VltKey <n>". Lines on the standard input choose who answers the hotkey, each acknowledged by "ready":
// "floor" (this process, see HotkeyFloor), "veltrano" (veltrano.exe in the tray), "hang <ms>" (the hung
// programs stop reading messages), "quit".
int BenchHotkey(int programs, int hung, bool mouse) {
    constexpr int kWindows = 10;
    std::vector<std::unique_ptr<Helper>> helpers;
    HotkeyFloor floor;
    floor.mouse = mouse;
    std::vector<std::wstring> titles;
    int timed = 0;
    int untimed = 0;
    for (int program = 0; program < programs; ++program) {
        const bool isHung = program >= programs - hung;
        std::vector<std::wstring> arguments;
        for (int i = 0; i < kWindows / programs; ++i) {
            const std::wstring title =
                isHung ? L"VltHung " + std::to_wstring(++untimed) : L"VltKey " + std::to_wstring(++timed);
            titles.push_back(title);
            arguments.insert(arguments.end(), {L"--window", title});
        }
        if (program == 0) arguments.insert(arguments.end(), {L"--window", L"VltKey focus"});
        helpers.push_back(std::make_unique<Helper>(arguments));
        floor.windows.insert(floor.windows.end(), helpers.back()->windows.begin(),
                             helpers.back()->windows.begin() + kWindows / programs);
    }
    std::string settings = "[config]\r\nnoticeShown=1\r\nhideCount=" + std::to_string(titles.size()) + "\r\n";
    for (std::size_t i = 0; i < titles.size(); ++i)
        settings += "hide" + std::to_string(i) + "=" + Utf8(titles[i]) + "|vlt-test-windows.exe\r\n";
    if (mouse) settings += "mouseVk=5\r\nmouseMods=0\r\n";
    std::unique_ptr<Veltrano> veltrano;
    HANDLE floorThread = nullptr;
    DWORD floorThreadId = 0;
    const auto stopAll = [&] {
        if (veltrano) {
            Command(veltrano->mainWindow, IDC_EXIT);
            veltrano->WaitExit();
            veltrano.reset();
        }
        if (floorThread) {
            PostThreadMessageW(floorThreadId, WM_QUIT, 0, 0);
            WaitForSingleObject(floorThread, 5000);
            CloseHandle(floorThread);
            floorThread = nullptr;
        }
    };
    Say("ready");
    char line[64];
    while (std::fgets(line, sizeof(line), stdin)) {
        const std::string command(line, std::strcspn(line, "\r\n"));
        if (command == "floor") {
            stopAll();
            floor.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            floorThread = CreateThread(nullptr, 0, RunHotkeyFloor, &floor, 0, &floorThreadId);
            WaitForSingleObject(floor.ready, 5000);
            CloseHandle(floor.ready);
            if (!floor.registered) return Fail("the floor could not take the hotkey or the button");
        } else if (command == "veltrano") {
            stopAll();
            veltrano = std::make_unique<Veltrano>(settings);
            if (!veltrano->Start() || !WaitForReady(*veltrano)) return Fail("veltrano.exe did not start");
            Command(veltrano->mainWindow, IDC_TO_TRAY);
            if (!WaitFor([&] { return !IsWindowVisible(veltrano->mainWindow); }))
                return Fail("the tray did not take it");
        } else if (command.starts_with("hang ")) {
            for (int program = programs - hung; program < programs; ++program)
                helpers[static_cast<std::size_t>(program)]->Ask(command);
        } else {
            break;
        }
        Say("ready");
    }
    stopAll();
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const int first = argc > 2 ? _wtoi(argv[2]) : 0;
    const int second = argc > 3 ? _wtoi(argv[3]) : 0;
    if (mode == L"hide" && first > 0 && second > 0) return BenchHide(first, second);
    if (mode == L"snapshot" && first > 0 && second > 0) return BenchSnapshot(first, second);
    if (mode == L"startup" && first > 0) return BenchStartup(first);
    if (mode == L"footprint" && first >= 0 && first % 2 == 0) return BenchFootprint(first);
    if (mode == L"idle" && first > 0) return BenchIdle(first);
    if (mode == L"hotkey" && first > 0 && second >= 0 && second < first)
        return BenchHotkey(first, second, argc > 4 && std::wstring(argv[4]) == L"mouse");
    return Fail(
        "usage: vlt-bench hide|snapshot <n> <repetitions> | startup <repetitions> | footprint <even toggles>"
        " | idle <seconds> | hotkey <programs> <hung programs> [mouse]");
}
