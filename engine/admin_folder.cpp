#include "engine/admin_folder.h"

#include "base/system_library.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

constexpr wchar_t kAdminOnlyFolderName[] = L"vlt-guard-admin";
// Administrators and the system may do anything, in the folder and to what is made in it; other users may
// read and run. Nothing comes from the temporary folder's own entries, which let the user's every program
// write.
constexpr wchar_t kAdminOnlyFolderSecurity[] =
    L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

bool IsAdministratorsOrSystem(PSID sid) {
    return sid &&
           (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid));
}

// The folder at `path`, held, if it is one only administrators may write to; a link, which could lead
// anywhere, is not followed.
HeldFolder HoldIfAdminOnly(const std::wstring& path) {
    HANDLE opened = CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return {};
    UniqueHandle folder(opened);
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(opened, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            FILE_ATTRIBUTE_DIRECTORY)
        return {};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(opened, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return {};
    const UniqueLocalMemory owned(descriptor);
    if (!OnlyAdministratorsMayWrite(descriptor)) return {};
    return {std::move(folder), path + L'\\'};
}

} // namespace

// Wine keeps no access control on files: a folder made for administrators alone reads back as the user's, and
// every program there runs with the same rights anyway.
bool FilesKeepAccessControl() {
    return !SystemIsWine();
}

bool OnlyAdministratorsMayWrite(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsAdministratorsOrSystem(owner) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl ||
        !GetSecurityDescriptorControl(descriptor, &control, &revision) || !(control & SE_DACL_PROTECTED))
        return false;
    constexpr ACCESS_MASK kReadAndRun =
        FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | GENERIC_READ | GENERIC_EXECUTE;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) return false;
        const BYTE type = static_cast<const ACE_HEADER*>(entry)->AceType;
        if (type == ACCESS_DENIED_ACE_TYPE) continue;
        // The other kinds of entry (object, callback) may allow as well, and none is made here.
        if (type != ACCESS_ALLOWED_ACE_TYPE) return false;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & ~kReadAndRun) && !IsAdministratorsOrSystem(&allowed->SidStart)) return false;
    }
    return true;
}

HeldFolder HoldAdminOnlyFolder(const std::wstring& parent) {
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
            if (HeldFolder held = HoldIfAdminOnly(path); held.handle) return held;
            // One that fails goes where it can: an empty folder, or a link without what it leads to; one with
            // files in it stays as it is. One made just now that fails tells that no folder here would pass.
            if (!RemoveDirectoryW(path.c_str()) || made) break;
        }
    }
    return {};
}
