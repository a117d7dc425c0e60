#include "engine/state_file.h"

#include "base/file_replace.h"
#include "base/handles.h"
#include "base/paths.h"
#include "engine/admin_folder.h"
#include "engine/engine.h"
#include "engine/hidden_set.h"
#include "engine/hide_plan.h"
#include "engine/state_format.h"

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace {

DWORD SessionOfThisProcess() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}

bool KeepsToAdminOnlyPlaces() {
    return TrustedPlacesOfThisProcess() == TrustedPlaces::AdminOnly;
}

std::string ReadStateFileHead(HANDLE file) {
    // The reader never consumes more than this, so a huge or endless file costs nothing more.
    std::string content(kStateFileReadLimit, '\0');
    DWORD total = 0;
    while (total < content.size()) {
        DWORD got = 0;
        if (!ReadFile(file, content.data() + total, static_cast<DWORD>(content.size() - total), &got,
                      nullptr) ||
            got == 0) {
            break;
        }
        total += got;
    }
    content.resize(total);
    return content;
}

// The state file's name in a folder other than the exe's, made from its usual path, so the watchdog and the
// next start, which know only the usual path, find it as well.
std::wstring NameFromUsualPath(const std::wstring& path) {
    std::wstring folded = path;
    CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (wchar_t unit : folded) {
        hash ^= static_cast<std::uint64_t>(unit);
        hash *= 1099511628211ull;
    }
    wchar_t name[40] = {};
    swprintf(name, 40, L"veltrano-%016llX.hidden", static_cast<unsigned long long>(hash));
    return name;
}

// Where the state file goes when it cannot be written in its place (a program folder the user may not write
// to, a read-only share, a file held by another program): the temporary folder. Without it, a hide in such a
// folder would leave nothing behind for the watchdog and the next start, and a killed program would lose the
// windows.
std::wstring FallbackStateFilePath(const std::wstring& path) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return temp + NameFromUsualPath(path);
}

// An elevated run applies the records to elevated programs' windows: it reads only a file that nobody but
// administrators may have written, and deletes it through the handle it read it by.
int RestoreFromFile(const std::wstring& path) {
    const bool checked = KeepsToAdminOnlyPlaces();
    HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_READ | (checked ? READ_CONTROL | DELETE : 0),
                    checked ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return 0;
    UniqueHandle file(opened);
    if (checked && !OnlyAdministratorsMayWrite(AccessOfHandle(opened))) return 0;
    const std::string content = ReadStateFileHead(opened);
    std::vector<HiddenWindowRecord> records;
    for (const StateRecord& record : ParseStateFile(content).records) {
        HWND hwnd = HandleFromValue(record.hwnd);
        if (!hwnd || !IsWindow(hwnd)) continue;
        DWORD owner = 0;
        const DWORD thread = GetWindowThreadProcessId(hwnd, &owner);
        // A handle reused by another program since the file was written is not ours to touch; nor is one of
        // this process's own windows, which a record can name only when an earlier run's process id and
        // handle both came back (restoring it could show the main window before the usage notice was
        // accepted).
        if (owner == 0 || owner != record.processId || owner == GetCurrentProcessId()) continue;
        HiddenWindowRecord& listed = records.emplace_back(HiddenWindowRecord{
            hwnd, static_cast<LONG_PTR>(record.savedExStyle), record.minimized != 0, record.ownStyle});
        listed.threadId = thread;
        listed.processId = owner;
    }
    if (checked) {
        FILE_DISPOSITION_INFO discard = {TRUE};
        SetFileInformationByHandle(opened, FileDispositionInfo, &discard, sizeof(discard));
    }
    file.reset();
    if (!checked) DeleteFileW(path.c_str());
    const int restored = static_cast<int>(records.size());
    PutWindowsBack(std::move(records), true);
    return restored;
}

} // namespace

std::wstring StateFilePath() {
    if (!engine.stateFileOverride.empty()) return engine.stateFileOverride;
    std::wstring usual = PathBesideExecutable(StateFileNameForSession(SessionOfThisProcess()));
    if (!KeepsToAdminOnlyPlaces()) return usual;
    // Whoever may write beside the exe (Downloads) is not trusted with the records of an elevated run.
    const HeldPlace& folder = AdminOnlyFolder();
    return folder.handle ? folder.path + NameFromUsualPath(usual) : std::wstring();
}

void WriteStateFile() {
    const std::wstring path = StateFilePath();
    if (path.empty()) return;
    const bool adminOnly = KeepsToAdminOnlyPlaces();
    if (engine.hiddenSet.empty() && engine.pendingUndo.empty()) {
        DeleteFileW(path.c_str());
        if (!adminOnly) DeleteFileW(FallbackStateFilePath(path).c_str());
        return;
    }
    std::vector<StateRecord> records;
    records.reserve(engine.hiddenSet.size() + engine.pendingUndo.size());
    for (const auto* set : {&engine.hiddenSet, &engine.pendingUndo}) {
        for (const HiddenWindowRecord& hidden : *set) {
            DWORD processId = hidden.processId;
            if (processId == 0) GetWindowThreadProcessId(hidden.hwnd, &processId);
            records.push_back({HandleValue(hidden.hwnd), processId,
                               static_cast<std::int64_t>(hidden.savedExStyle), hidden.wasMinimized ? 1 : 0,
                               hidden.ownStyle});
        }
    }
    const std::string content = FormatStateFile(records);
    // Nothing is flushed: the readers (the watchdog, the next start) come after this process has ended and
    // the system's file cache serves them.
    if (adminOnly) {
        const UniqueLocalMemory security = AdminOnlyFileDescriptor();
        ReplaceFileAtomically(path, content, Durability::Cached, security.get());
    } else if (ReplaceFileAtomically(path, content, Durability::Cached).error != ERROR_SUCCESS) {
        ReplaceFileAtomically(FallbackStateFilePath(path), content, Durability::Cached);
    }
}

int RestoreFromStateFile() {
    const std::wstring path = StateFilePath();
    int restored = RestoreFromFile(path);
    // Where every program of the user may write, only an unelevated run looks: what an earlier one left there
    // waits for the next.
    if (!KeepsToAdminOnlyPlaces()) {
        restored += RestoreFromFile(FallbackStateFilePath(path));
        // What a version that knew no sessions left behind, once.
        if (engine.stateFileOverride.empty()) {
            const std::wstring unsessioned = PathBesideExecutable(kStateFileBeforeSessions);
            restored += RestoreFromFile(unsessioned) + RestoreFromFile(FallbackStateFilePath(unsessioned));
        }
    }
    // What waits for a program that did not answer stays listed, so a kill meanwhile loses nothing; an old
    // watchdog keeps it to itself, since a new run may own the file by now.
    if (!engine.pendingUndo.empty() && !engine.watchdogRole) WriteStateFile();
    return restored;
}
