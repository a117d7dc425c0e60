#include "catalogue/window_types.h"

#include <algorithm>

namespace {

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

// wchar_t is 32 bits on some hosts; UTF-16 units are compared as unsigned numbers everywhere.
std::uint32_t Unit(wchar_t c) {
    return static_cast<std::uint32_t>(c) & 0xFFFFFFFFu;
}

} // namespace

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool KeyMatchesEntry(const WindowKey& key, const WindowEntry& entry) {
    if (key.title.empty()) return false;
    if (!EqualsIgnoringAsciiCase(entry.title, key.title)) return false;
    return key.processName.empty() || EqualsIgnoringAsciiCase(entry.processName, key.processName);
}

bool SnapshotItemLess(const SnapshotItem& a, const SnapshotItem& b) {
    if (HandleValue(a.hwnd) != HandleValue(b.hwnd)) return HandleValue(a.hwnd) < HandleValue(b.hwnd);
    return std::lexicographical_compare(a.title.begin(), a.title.end(), b.title.begin(), b.title.end(),
                                        [](wchar_t x, wchar_t y) { return Unit(x) < Unit(y); });
}

void SortSnapshot(WindowSnapshot& snapshot) {
    std::sort(snapshot.begin(), snapshot.end(), SnapshotItemLess);
}

WindowSnapshot SnapshotFromEntries(const std::vector<WindowEntry>& entries) {
    WindowSnapshot snapshot;
    snapshot.reserve(entries.size());
    for (const WindowEntry& entry : entries)
        snapshot.push_back({entry.hwnd, entry.title});
    SortSnapshot(snapshot);
    return snapshot;
}

bool SnapshotHolds(const WindowSnapshot& snapshot, WindowHandle hwnd) {
    const auto at = std::lower_bound(
        snapshot.begin(), snapshot.end(), HandleValue(hwnd),
        [](const SnapshotItem& item, std::uint64_t value) { return HandleValue(item.hwnd) < value; });
    return at != snapshot.end() && at->hwnd == hwnd;
}

std::wstring_view FileNameOfPath(std::wstring_view path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}
