#include "engine/admin_folder.h"

#include "base/paths.h"
#include "base/system_library.h"
#include "catalogue/catalogue.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace {

constexpr wchar_t kAdminOnlyFolderName[] = L"vlt-guard-admin";
// Administrators and the system may do anything, in the folder and to what is made in it; other users may
// read and run. Nothing comes from the temporary folder's own entries, which let every user add to it.
constexpr wchar_t kAdminOnlyFolderSecurity[] =
    L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
// Owned by Administrators, not by the user the system may make the owner of what an elevated program makes:
// an owner may always rewrite the access list.
constexpr wchar_t kAdminOnlyFileSecurity[] = L"O:BAD:P(A;;FA;;;BA)(A;;FA;;;SY)";

bool IsAdministratorsOrSystem(PSID sid) {
    return sid &&
           (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid));
}

// The path the system gives for the handle, in the form the program starts and opens files by ("C:\...");
// empty where it has none on a drive.
std::wstring FinalPathOf(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    }
    const std::wstring_view path(buffer.data(), length < buffer.size() ? length : 0);
    constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
    if (path.size() < kLongPrefix.size() + 3 || path.substr(0, kLongPrefix.size()) != kLongPrefix ||
        path[kLongPrefix.size() + 1] != L':' || path[kLongPrefix.size() + 2] != L'\\')
        return {};
    return std::wstring(path.substr(kLongPrefix.size()));
}

// The folder at `path`, held, if it is one only administrators may write to; a link, which could lead
// anywhere, is not followed.
HeldPlace HoldIfAdminOnly(const std::wstring& path) {
    HANDLE opened = CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return {};
    UniqueHandle folder(opened);
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(opened, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            FILE_ATTRIBUTE_DIRECTORY ||
        !OnlyAdministratorsMayWrite(AccessOfHandle(opened)))
        return {};
    std::wstring held = FinalPathOf(opened);
    if (held.empty()) return {};
    return {std::move(folder), held + L'\\'};
}

std::wstring SystemTemporaryFolder() {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring folder(windows, length);
    if (folder.back() != L'\\') folder += L'\\';
    return folder + L"Temp\\";
}

// Wine keeps no access control on files: a folder made for administrators alone reads back as the user's, and
// every program there runs with the same rights anyway.
bool FilesKeepAccessControl() {
    return !SystemIsWine();
}

bool CopyFileContent(HANDLE source, HANDLE target) {
    std::vector<char> buffer(std::size_t{64} * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
        if (got == 0) return true;
        DWORD written = 0;
        if (!WriteFile(target, buffer.data(), got, &written, nullptr) || written != got) return false;
    }
}

} // namespace

PlaceAccess AccessOfDescriptor(PSECURITY_DESCRIPTOR descriptor) {
    PlaceAccess access;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ||
        !GetSecurityDescriptorControl(descriptor, &control, &revision))
        return {};
    access.ownerIsAdministratorsOrSystem = IsAdministratorsOrSystem(owner);
    access.listPresent = present && dacl;
    access.listProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; access.listPresent && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) return {};
        AccessEntry& listed = access.entries.emplace_back();
        switch (static_cast<const ACE_HEADER*>(entry)->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE: listed.kind = AccessEntry::Kind::Allow; break;
        case ACCESS_DENIED_ACE_TYPE: listed.kind = AccessEntry::Kind::Deny; break;
        default: continue;
        }
        // Allowed and denied entries share their layout.
        auto* simple = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        listed.mask = simple->Mask;
        listed.administratorsOrSystem = IsAdministratorsOrSystem(&simple->SidStart);
    }
    return access;
}

PlaceAccess AccessOfHandle(HANDLE handle) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return {};
    const UniqueLocalMemory owned(descriptor);
    return AccessOfDescriptor(descriptor);
}

HeldPlace HoldAdminOnlyFolder(const std::wstring& parent) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyFolderSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return {};
    const UniqueLocalMemory owned(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    const std::wstring fresh = std::wstring(kAdminOnlyFolderName) + L"-" +
                               std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(GetTickCount64());
    for (const std::wstring& name : {std::wstring(kAdminOnlyFolderName), fresh}) {
        const std::wstring path = parent + name;
        for (int attempt = 0; attempt < 2; ++attempt) {
            const bool made = CreateDirectoryW(path.c_str(), &attributes) != FALSE;
            if (HeldPlace held = HoldIfAdminOnly(path); held.handle) return held;
            // One that fails goes where it can: an empty folder, or a link without what it leads to; one with
            // files in it stays as it is. One made just now that fails tells that no folder here would pass.
            if (!RemoveDirectoryW(path.c_str()) || made) break;
        }
    }
    return {};
}

const HeldPlace& AdminOnlyFolder() {
    static HeldPlace held;
    if (!held.handle) {
        const std::wstring parent = SystemTemporaryFolder();
        if (!parent.empty()) held = HoldAdminOnlyFolder(parent);
    }
    return held;
}

UniqueLocalMemory AdminOnlyFileDescriptor() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyFileSecurity, SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    return UniqueLocalMemory(descriptor);
}

HeldPlace HoldCopyOfExecutable(const HeldPlace& folder, const std::wstring& name) {
    const std::wstring path = folder.path + name;
    {
        HANDLE source =
            CreateFileW(ExecutablePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (source == INVALID_HANDLE_VALUE) return {};
        const UniqueHandle ownedSource(source);
        const UniqueLocalMemory descriptor = AdminOnlyFileDescriptor();
        if (!descriptor) return {};
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
        HANDLE target = CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (target == INVALID_HANDLE_VALUE) return {};
        const UniqueHandle ownedTarget(target);
        if (!CopyFileContent(source, target)) return {};
    }
    // Opened again for reading alone: a program is started only from a file nobody holds for writing. An
    // existing file keeps its own security, which is therefore checked here, as the folder's is.
    HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return {};
    UniqueHandle copy(opened);
    if (!OnlyAdministratorsMayWrite(AccessOfHandle(opened))) return {};
    std::wstring held = FinalPathOf(opened);
    if (held.empty()) return {};
    return {std::move(copy), std::move(held)};
}

TrustedPlaces TrustedPlacesOfThisProcess() {
    static const TrustedPlaces trusted =
        TrustedPlacesFor(RightsOfProcess(GetCurrentProcess()), FilesKeepAccessControl());
    return trusted;
}
