#include "base/file_replace.h"

#include "base/handles.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// Their values in the system's lists: some SDK headers (MinGW's) leave them out for Windows 10.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kFileSystemLimitation = 665;

// Where the replacing move with POSIX semantics is unknown (Windows 10 before 1607) or the file system does
// not offer it (FAT, exFAT, many network shares).
bool PosixRenameUnsupported(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_INVALID_FUNCTION || error == kFileSystemLimitation;
}

// The rename goes through the handle that wrote the file, so the file is not looked up and opened a second
// time in between. With POSIX semantics the old file may be replaced while a scanner, the search indexer or a
// sync client reads it, as long as that program lets it be deleted.
bool MoveOver(HANDLE file, const std::wstring& path) {
    const DWORD nameBytes = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    rename->FileNameLength = nameBytes;
    std::memcpy(rename->FileName, path.data(), nameBytes);
    const auto size = static_cast<DWORD>(buffer.size());
    if (SetFileInformationByHandle(file, kFileRenameInfoEx, rename, size)) return true;
    if (!PosixRenameUnsupported(GetLastError())) return false;
    rename->Flags = 0;
    rename->ReplaceIfExists = TRUE;
    return SetFileInformationByHandle(file, FileRenameInfo, rename, size) != FALSE;
}

} // namespace

ReplaceOutcome ReplaceFileAtomically(const std::wstring& path, std::string_view bytes, Durability durability,
                                     PSECURITY_DESCRIPTOR security) {
    const std::wstring temporary = path + L".tmp";
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), security, FALSE};
    const UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0,
                                        security ? &attributes : nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return {GetLastError(), false};
    DWORD written = 0;
    bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    // A full disk can accept the write into the cache and refuse it at the flush.
    if (ok && durability == Durability::Flushed) ok = FlushFileBuffers(file.get()) != FALSE;
    const bool writtenWhole = ok;
    if (ok && MoveOver(file.get(), path)) return {};
    const DWORD error = GetLastError();
    FILE_DISPOSITION_INFO discard = {TRUE};
    SetFileInformationByHandle(file.get(), FileDispositionInfo, &discard, sizeof(discard));
    return {error == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_WRITE_FAULT) : error, writtenWhole};
}
