// Replacing a whole file so that a reader finds the old content or the new, never a torn mix.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

enum class Durability {
    // Left to the system's file cache: readers come later in the same session, and a crash of the whole
    // system takes with it everything the file would have been needed for.
    Cached,
    // On the disk before the name moves: the file must survive a power cut or a shutdown right after.
    Flushed,
};

struct ReplaceOutcome {
    DWORD error = ERROR_SUCCESS;
    // The new content was written beside the file, and only moving it over the file failed.
    bool atMove = false;
};

// Writes the bytes beside the file and moves them over it. Returns ERROR_SUCCESS or the system's reason for
// the failure, in which case the file is as it was. `security`, where given, is the new file's.
ReplaceOutcome ReplaceFileAtomically(const std::wstring& path, std::string_view bytes, Durability durability,
                                     PSECURITY_DESCRIPTOR security = nullptr);
