// The recovery state file reader on arbitrary bytes, and the writer and reader against each other.
#include "engine/state_format.h"
#include "fuzz_input.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename T> T Take(const std::uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

void CheckParsedFile(const ParsedStateFile& parsed) {
    Require(parsed.count >= 0);
    if (!parsed.magicOk) Require(parsed.count == 0 && parsed.records.empty());
    Require(parsed.records.size() <= std::min<std::size_t>(parsed.count, kMaxStateRecordLines));
    for (const StateRecord& record : parsed.records)
        Require(ParseStateRecordLine(FormatStateRecordLine(record)) == record);
}

void CheckRecordLine(std::string_view line) {
    const auto record = ParseStateRecordLine(line);
    if (!record) return;
    const std::string written = FormatStateRecordLine(*record);
    Require(written.size() >= 9 && written.compare(written.size() - 2, 2, "\r\n") == 0);
    Require(written.find_first_of("\r\n") == written.size() - 2);
    Require(ParseStateRecordLine(written) == record);
}

// Records made of the input's bytes, repeated past the line cap when the first byte asks for it (rarely: it
// is slow).
void CheckWrittenFileReadsBack(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kRecordBytes = 8 + 4 + 8 + 4;
    std::vector<StateRecord> records;
    for (std::size_t at = 1; at + kRecordBytes <= size; at += kRecordBytes) {
        const std::uint8_t* bytes = data + at;
        records.push_back({Take<std::uint64_t>(bytes), Take<std::uint32_t>(bytes + 8),
                           Take<std::int64_t>(bytes + 12), Take<std::int32_t>(bytes + 20)});
    }
    if (size > 0 && (data[0] & 7) == 7 && !records.empty()) {
        const std::size_t distinct = records.size();
        while (records.size() <= kMaxStateRecordLines + 10)
            records.push_back(records[records.size() % distinct]);
    }
    const ParsedStateFile parsed = ParseStateFile(FormatStateFile(records));
    Require(parsed.magicOk);
    Require(parsed.count == static_cast<int>(records.size()));
    const std::size_t kept = std::min(records.size(), kMaxStateRecordLines);
    Require(parsed.records == std::vector<StateRecord>(records.begin(), records.begin() + kept));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    CheckParsedFile(ParseStateFile(content));
    CheckRecordLine(content);
    CheckWrittenFileReadsBack(data, size);
    return 0;
}
