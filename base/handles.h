// Ownership of the handles the program creates: each lives in an owner that frees it, so teardown is a reset.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>

template <typename Handle, auto Free> struct HandleDeleter {
    using pointer = Handle;
    void operator()(Handle handle) const noexcept {
        if (handle) Free(handle);
    }
};

template <typename Handle, auto Free>
using UniqueHandleOf = std::unique_ptr<std::remove_pointer_t<Handle>, HandleDeleter<Handle, Free>>;

// Functions of our own to free each kind: the system's are imported, and an imported function's address is no
// template argument for every compiler.
inline void CloseKernelHandle(HANDLE handle) {
    CloseHandle(handle);
}
inline void DeleteGdiFont(HFONT font) {
    DeleteObject(font);
}
inline void DeleteGdiBrush(HBRUSH brush) {
    DeleteObject(brush);
}
inline void DestroyAcceleratorTableHandle(HACCEL table) {
    DestroyAcceleratorTable(table);
}
inline void DestroyImageList(HIMAGELIST list) {
    ImageList_Destroy(list);
}
inline void DestroyMenuHandle(HMENU menu) {
    DestroyMenu(menu);
}
inline void UnhookWinEventHandle(HWINEVENTHOOK hook) {
    UnhookWinEvent(hook);
}
inline void FreeLocalMemory(HLOCAL memory) {
    LocalFree(memory);
}
inline void FreeCoTaskMemory(void* memory) {
    CoTaskMemFree(memory);
}

using UniqueHandle = UniqueHandleOf<HANDLE, CloseKernelHandle>;
using UniqueFont = UniqueHandleOf<HFONT, DeleteGdiFont>;
using UniqueBrush = UniqueHandleOf<HBRUSH, DeleteGdiBrush>;
using UniqueAccelerators = UniqueHandleOf<HACCEL, DestroyAcceleratorTableHandle>;
using UniqueImageList = UniqueHandleOf<HIMAGELIST, DestroyImageList>;
using UniqueMenu = UniqueHandleOf<HMENU, DestroyMenuHandle>;
using UniqueWinEventHook = UniqueHandleOf<HWINEVENTHOOK, UnhookWinEventHandle>;
// What the security functions allocate for their caller (a security descriptor, a string).
using UniqueLocalMemory = UniqueHandleOf<HLOCAL, FreeLocalMemory>;
// What the shell allocates for its caller (a known folder's path).
using UniqueCoTaskMemory = UniqueHandleOf<void*, FreeCoTaskMemory>;

// A COM interface pointer released when its owner lets go of it.
template <typename Interface> struct ComReleaser {
    void operator()(Interface* object) const noexcept {
        if (object) object->Release();
    }
};
template <typename Interface> using ComPtr = std::unique_ptr<Interface, ComReleaser<Interface>>;
