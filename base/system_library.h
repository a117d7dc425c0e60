// Functions of system libraries that are not known DLLs (dwmapi, uxtheme): the system would look for those in
// the exe's own folder first, where whoever can write there could put a library of the same name. They are
// taken from System32 alone, and only when first called, so each caller does without them where they are
// missing.
#pragma once
#include <windows.h>

// The export `name` of `library` as loaded from System32, or nullptr where either is missing. The library
// stays loaded for the life of the process, so a caller keeps the address (in a function-local static) and
// asks once.
FARPROC SystemLibraryExport(const wchar_t* library, const char* name);

// Wine stands in for Windows here: callers ask it where Wine is known not to do what Windows does.
bool SystemIsWine();

template <typename Function> Function* SystemFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemLibraryExport(library, name)));
}
