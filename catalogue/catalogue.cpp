#include "catalogue/catalogue.h"

#include "base/handles.h"
#include "base/system_library.h"

#include <dwmapi.h>
#include <sddl.h>

#include <utility>

namespace {

// Tests 3 to 5, in their order; the facts they read go into the entry, the cloaked state (test 6) too.
bool PassesProcessAndStyleTests(HWND hwnd, WindowEntry& entry) {
    DWORD processId = 0;
    entry.threadId = GetWindowThreadProcessId(hwnd, &processId);
    entry.processId = processId;
    if (processId == 0 || processId == GetCurrentProcessId()) return false;
    entry.exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    if (entry.exStyle & WS_EX_TOOLWINDOW) return false;
    entry.cloaked = IsWindowCloaked(hwnd);
    return true;
}

// Tests 1 to 7, in their order, for a window EnumWindows reported; the first that fails rejects the window,
// except that a cloaked one is only marked so.
// Each query is a round trip to the window server under Wine, so test 2 reads the title itself: a window has
// title text exactly when the read returns some, and that read is then the one test 7 judges.
bool PassesCandidateFilter(HWND hwnd, WindowEntry& entry) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (!(style & WS_VISIBLE)) return false;
    entry.minimized = (style & WS_MINIMIZE) != 0;
    entry.title = ReadWindowTitle(hwnd);
    if (entry.title.empty()) return false;
    return PassesProcessAndStyleTests(hwnd, entry);
}

struct CandidateCollector {
    bool withCloaked = false;
    std::vector<WindowEntry> entries;
    // Several windows usually share a process: it is opened once per enumeration.
    std::vector<std::pair<DWORD, std::wstring>> names;

    const std::wstring& NameOf(DWORD processId) {
        for (const auto& [id, name] : names) {
            if (id == processId) return name;
        }
        names.emplace_back(processId, ProcessNameOfId(processId));
        return names.back().second;
    }
};

BOOL CALLBACK CollectCandidate(HWND hwnd, LPARAM param) {
    auto& collector = *reinterpret_cast<CandidateCollector*>(param);
    WindowEntry entry{hwnd};
    if (PassesCandidateFilter(hwnd, entry) && (collector.withCloaked || !entry.cloaked)) {
        entry.processName = collector.NameOf(entry.processId);
        collector.entries.push_back(std::move(entry));
    }
    return TRUE;
}

BOOL CALLBACK CollectSnapshotItem(HWND hwnd, LPARAM param) {
    WindowEntry entry{hwnd};
    if (PassesCandidateFilter(hwnd, entry) && !entry.cloaked)
        reinterpret_cast<WindowSnapshot*>(param)->push_back({hwnd, std::move(entry.title)});
    return TRUE;
}

BOOL CALLBACK CollectHandle(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

} // namespace

std::wstring ProcessNameOfId(DWORD processId) {
    if (processId == 0) return {};
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return {};
    wchar_t path[520] = {};
    DWORD size = 520;
    std::wstring name;
    if (QueryFullProcessImageNameW(process, 0, path, &size))
        name = std::wstring(FileNameOfPath({path, size}));
    CloseHandle(process);
    return name;
}

ProcessRights RightsOfProcess(HANDLE process) {
    ProcessRights rights;
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process, TOKEN_QUERY, &token)) return rights;
    const UniqueHandle owned(token);
    alignas(TOKEN_USER) unsigned char buffer[256] = {};
    DWORD size = 0;
    TOKEN_ELEVATION elevation = {};
    if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof(buffer), &size)) return rights;
    PSID label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    rights.integrity = *GetSidSubAuthority(label, *GetSidSubAuthorityCount(label) - 1u);
    if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size)) return rights;
    rights.elevated = elevation.TokenIsElevated != 0;
    wchar_t* user = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) &&
        ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(buffer)->User.Sid, &user)) {
        rights.user = user;
        LocalFree(user);
    }
    rights.known = true;
    return rights;
}

ProcessRights RightsOfProcessId(DWORD processId) {
    const UniqueHandle process(processId ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)
                                         : nullptr);
    return RightsOfProcess(process.get());
}

bool IsWindowCloaked(HWND hwnd) {
    // A system without the window manager's library, or that does not know the attribute (Wine), cloaks
    // nothing; it is not asked again.
    static const auto getAttribute =
        SystemFunction<decltype(DwmGetWindowAttribute)>(L"dwmapi.dll", "DwmGetWindowAttribute");
    static bool known = getAttribute != nullptr;
    if (!known) return false;
    DWORD cloaked = 0;
    const HRESULT result = getAttribute(hwnd, DWMWA_CLOAKED, &cloaked, sizeof(cloaked));
    if (result == E_NOTIMPL) known = false;
    return SUCCEEDED(result) && cloaked != 0;
}

std::wstring GetWindowProcessName(HWND hwnd) {
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    return ProcessNameOfId(processId);
}

bool IsTopLevelWindowVisible(HWND hwnd) {
    return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsCandidateWindow(HWND hwnd) {
    if (!IsWindowVisible(hwnd) || GetWindowTextLengthW(hwnd) <= 0) return false;
    WindowEntry entry;
    return PassesProcessAndStyleTests(hwnd, entry) && !entry.cloaked;
}

std::wstring ReadWindowTitle(HWND hwnd) {
    wchar_t buffer[kTitleBufferUnits] = {};
    GetWindowTextW(hwnd, buffer, static_cast<int>(kTitleBufferUnits));
    buffer[kTitleBufferUnits - 1] = L'\0';
    return buffer;
}

std::vector<WindowEntry> EnumerateCandidateWindows(bool withCloaked) {
    CandidateCollector collector;
    collector.withCloaked = withCloaked;
    EnumWindows(CollectCandidate, reinterpret_cast<LPARAM>(&collector));
    return std::move(collector.entries);
}

std::vector<HWND> EnumerateAllTopLevelWindows() {
    std::vector<HWND> handles;
    EnumWindows(CollectHandle, reinterpret_cast<LPARAM>(&handles));
    return handles;
}

WindowEntry DescribeWindow(HWND hwnd) {
    WindowEntry entry;
    entry.hwnd = hwnd;
    if (hwnd && IsWindow(hwnd)) {
        entry.title = ReadWindowTitle(hwnd);
        entry.processName = GetWindowProcessName(hwnd);
    }
    return entry;
}

WindowSnapshot TakeWindowSnapshot() {
    WindowSnapshot snapshot;
    EnumWindows(CollectSnapshotItem, reinterpret_cast<LPARAM>(&snapshot));
    SortSnapshot(snapshot);
    return snapshot;
}
