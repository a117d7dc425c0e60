#include "base/file_replace.h"

#include "base/handles.h"

#include <cstddef>
#include <cstring>
#include <vector>

// The rename goes through the handle that wrote the file, so the file is not looked up and opened a second
// time in between.
DWORD ReplaceFileAtomically(const std::wstring& path, std::string_view bytes, Durability durability,
                            PSECURITY_DESCRIPTOR security) {
    const std::wstring temporary = path + L".tmp";
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), security, FALSE};
    const UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0,
                                        security ? &attributes : nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD written = 0;
    bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    // A full disk can accept the write into the cache and refuse it at the flush.
    if (ok && durability == Durability::Flushed) ok = FlushFileBuffers(file.get()) != FALSE;
    if (ok) {
        const DWORD nameBytes = static_cast<DWORD>(path.size() * sizeof(wchar_t));
        std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = TRUE;
        rename->FileNameLength = nameBytes;
        std::memcpy(rename->FileName, path.data(), nameBytes);
        ok =
            SetFileInformationByHandle(file.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
    }
    if (ok) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    FILE_DISPOSITION_INFO discard = {TRUE};
    SetFileInformationByHandle(file.get(), FileDispositionInfo, &discard, sizeof(discard));
    return error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error;
}
