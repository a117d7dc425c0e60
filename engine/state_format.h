// The recovery state file "veltrano-<session>.hidden": an ASCII magic line "VLT1", a record count and one
// line per hidden window ("handle|pid|style|minimised", hexadecimal handle and style, then "|1" when the
// window still wears its own style). Pure: formatting and parsing only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct StateRecord {
    std::uint64_t hwnd = 0;
    std::uint32_t processId = 0;
    std::int64_t savedExStyle = 0;
    int minimized = 0;
    // The window still wears its own extended style (its program has not answered yet, or refused the hide):
    // putting it back must not write the saved style over whatever the program has set meanwhile. Files
    // without the marker (all older ones) come from hides that always changed the style.
    bool ownStyle = false;
    bool operator==(const StateRecord&) const = default;
};

inline constexpr std::string_view kStateMagic = "VLT1";

// One file per Windows session beside the exe: a second user signed in on the same PC (fast user switching,
// remote desktop) runs the same copy, and neither may read, restore or delete the other's records.
std::wstring StateFileNameForSession(std::uint32_t session);
// The name versions before sessions were told apart wrote.
inline constexpr std::wstring_view kStateFileBeforeSessions = L"veltrano.hidden";
inline constexpr std::size_t kMaxStateRecordLines = 256;
// The reader never looks further than this many bytes, whatever the file's size.
inline constexpr std::size_t kStateFileReadLimit = std::size_t{96} * 1024;

// One record line, CR LF included: uppercase hexadecimal without leading zeros, as "%llX|%lu|%llX|%d", and
// "|1" after it for a window that still wears its own style. Readers that know only the four fields ignore
// the fifth.
std::string FormatStateRecordLine(const StateRecord& record);
std::string FormatStateFile(const std::vector<StateRecord>& records);

// Parses one record line; nothing when any of the four fields is missing, malformed or out of range. A fifth
// field is the own-style marker only when it is exactly "1".
std::optional<StateRecord> ParseStateRecordLine(std::string_view line);

struct ParsedStateFile {
    bool magicOk = false;
    int count = 0;
    std::vector<StateRecord> records; // the lines that parsed, in file order
};

// Reads as a text-mode stream with bounded line buffers would: line 1 in 16 units, the count in 64, each
// record in 256 (a longer line comes back as further lines); at most min(count, 256) record lines are
// consumed.
ParsedStateFile ParseStateFile(std::string_view content);
