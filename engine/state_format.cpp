#include "engine/state_format.h"

#include <climits>

namespace {

std::string Hex(std::uint64_t value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipSpaces(std::string_view& s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Signs are refused: the writer never produces one, and a wrapped negative handle would name an unrelated
// window.
std::optional<std::uint64_t> TakeHex(std::string_view& s) {
    SkipSpaces(s);
    if (s.size() >= 3 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && HexDigit(s[2]) >= 0)
        s.remove_prefix(2);
    std::uint64_t value = 0;
    std::size_t used = 0;
    while (used < s.size() && HexDigit(s[used]) >= 0) {
        if (value > (UINT64_MAX >> 4)) return std::nullopt;
        value = (value << 4) | static_cast<std::uint64_t>(HexDigit(s[used]));
        ++used;
    }
    if (used == 0) return std::nullopt;
    s.remove_prefix(used);
    return value;
}

std::optional<std::uint64_t> TakeDecimal(std::string_view& s, std::uint64_t limit) {
    std::uint64_t value = 0;
    std::size_t used = 0;
    while (used < s.size() && s[used] >= '0' && s[used] <= '9') {
        value = value * 10 + static_cast<std::uint64_t>(s[used] - '0');
        if (value > limit) return std::nullopt;
        ++used;
    }
    if (used == 0) return std::nullopt;
    s.remove_prefix(used);
    return value;
}

bool TakeBar(std::string_view& s) {
    if (s.empty() || s.front() != '|') return false;
    s.remove_prefix(1);
    return true;
}

// A bounded line read over a text-mode stream: CR LF arrives as LF, at most capacity - 1 units per call.
struct LineReader {
    std::string_view rest;

    std::optional<std::string> Next(std::size_t capacity) {
        if (rest.empty()) return std::nullopt;
        std::string line;
        while (line.size() + 1 < capacity && !rest.empty()) {
            char c = rest.front();
            rest.remove_prefix(1);
            if (c == '\r' && !rest.empty() && rest.front() == '\n') {
                c = '\n';
                rest.remove_prefix(1);
            }
            line.push_back(c);
            if (c == '\n') break;
        }
        return line;
    }
};

int ParseCount(std::string_view line) {
    SkipSpaces(line);
    bool negative = false;
    if (!line.empty() && (line.front() == '+' || line.front() == '-')) {
        negative = line.front() == '-';
        line.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (char c : line) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            if (!negative) return INT_MAX;
        }
    }
    return negative ? 0 : static_cast<int>(value);
}

} // namespace

std::string FormatStateRecordLine(const StateRecord& record) {
    return Hex(record.hwnd) + '|' + std::to_string(record.processId) + '|' +
           Hex(static_cast<std::uint64_t>(record.savedExStyle)) + '|' + std::to_string(record.minimized) +
           (record.ownStyle ? "|1\r\n" : "\r\n");
}

std::string FormatStateFile(const std::vector<StateRecord>& records) {
    std::string text = std::string(kStateMagic) + "\r\n" + std::to_string(records.size()) + "\r\n";
    for (const StateRecord& record : records)
        text += FormatStateRecordLine(record);
    return text;
}

std::optional<StateRecord> ParseStateRecordLine(std::string_view line) {
    StateRecord record;
    const auto hwnd = TakeHex(line);
    if (!hwnd || !TakeBar(line)) return std::nullopt;
    SkipSpaces(line);
    const auto pid = TakeDecimal(line, UINT32_MAX);
    if (!pid || !TakeBar(line)) return std::nullopt;
    const auto style = TakeHex(line);
    if (!style || !TakeBar(line)) return std::nullopt;
    SkipSpaces(line);
    bool negative = false;
    if (!line.empty() && (line.front() == '+' || line.front() == '-')) {
        negative = line.front() == '-';
        line.remove_prefix(1);
    }
    // Every int, INT_MIN included, as "%d" reads it.
    const std::uint64_t limit = static_cast<std::uint64_t>(INT_MAX) + (negative ? 1 : 0);
    const auto minimized = TakeDecimal(line, limit);
    if (!minimized) return std::nullopt;
    record.hwnd = *hwnd;
    record.processId = static_cast<std::uint32_t>(*pid);
    record.savedExStyle = static_cast<std::int64_t>(*style);
    const auto magnitude = static_cast<std::int64_t>(*minimized);
    record.minimized = static_cast<int>(negative ? -magnitude : magnitude);
    record.ownStyle =
        line.size() >= 2 && line[0] == '|' && line[1] == '1' && (line.size() == 2 || !IsDigit(line[2]));
    return record;
}

ParsedStateFile ParseStateFile(std::string_view content) {
    ParsedStateFile parsed;
    LineReader reader{content};
    const auto magic = reader.Next(16);
    if (!magic || magic->compare(0, kStateMagic.size(), kStateMagic) != 0) return parsed;
    parsed.magicOk = true;
    const auto countLine = reader.Next(64);
    parsed.count = countLine ? ParseCount(*countLine) : 0;
    const std::size_t limit = static_cast<std::size_t>(parsed.count) < kMaxStateRecordLines
                                  ? static_cast<std::size_t>(parsed.count)
                                  : kMaxStateRecordLines;
    for (std::size_t i = 0; i < limit; ++i) {
        const auto line = reader.Next(256);
        if (!line) break;
        if (auto record = ParseStateRecordLine(*line)) parsed.records.push_back(*record);
    }
    return parsed;
}

std::wstring StateFileNameForSession(std::uint32_t session) {
    return L"veltrano-" + std::to_wstring(session) + L".hidden";
}
