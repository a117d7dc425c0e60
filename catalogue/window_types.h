// What the rest of the program knows about other programs' top-level windows, and how a remembered
// window is recognised again. Pure: compiles without the window system.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct HWND__; // the platform's window handle type, so pure code can carry handles without <windows.h>
using WindowHandle = HWND__*;

inline std::uint64_t HandleValue(WindowHandle hwnd) {
    return reinterpret_cast<std::uintptr_t>(hwnd);
}
inline WindowHandle HandleFromValue(std::uint64_t value) {
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(value));
}

// Titles are read into a 512-unit buffer, so at most 511 code units survive.
inline constexpr std::size_t kTitleBufferUnits = 512;
inline constexpr std::size_t kMaxTitleUnits = kTitleBufferUnits - 1;

struct WindowEntry {
    WindowHandle hwnd = nullptr;
    std::wstring title;
    std::wstring processName;
    // What the enumeration read on the way (thread 0: not read), so that a hide need not ask again.
    std::uint32_t threadId = 0;
    std::uint32_t processId = 0;
    std::int64_t exStyle = 0;
    bool minimized = false;
    // Out of view on another virtual desktop (or otherwise cloaked): never listed, but still the window a key
    // names.
    bool cloaked = false;
};

// The entry of that window among the entries, or null.
inline const WindowEntry* FindEntry(const std::vector<WindowEntry>& entries, WindowHandle hwnd) {
    for (const WindowEntry& entry : entries) {
        if (entry.hwnd == hwnd) return &entry;
    }
    return nullptr;
}

struct WindowKey {
    std::wstring title;
    std::wstring processName;
    bool operator==(const WindowKey&) const = default;
};

inline WindowKey KeyOf(const WindowEntry& entry) {
    return {entry.title, entry.processName};
}

// The windows the list shows ticked and the switch target it shows chosen, as the list found them.
struct ListedChoice {
    std::vector<WindowEntry> ticked;
    WindowKey target; // no title: none
};

struct SnapshotItem {
    WindowHandle hwnd = nullptr;
    std::wstring title;
    bool operator==(const SnapshotItem&) const = default;
};

// Sorted by handle (unsigned), then title by UTF-16 code unit; equal sets give equal sequences.
using WindowSnapshot = std::vector<SnapshotItem>;

// Compares code unit by code unit after folding ASCII A-Z only, so the result never depends on the locale.
bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

bool KeyMatchesEntry(const WindowKey& key, const WindowEntry& entry);

bool SnapshotItemLess(const SnapshotItem& a, const SnapshotItem& b);
void SortSnapshot(WindowSnapshot& snapshot);
WindowSnapshot SnapshotFromEntries(const std::vector<WindowEntry>& entries);
// Whether the (sorted) snapshot lists that window, under any title.
bool SnapshotHolds(const WindowSnapshot& snapshot, WindowHandle hwnd);

// The part of an image path after its last backslash (the whole path when it has none).
std::wstring_view FileNameOfPath(std::wstring_view path);
