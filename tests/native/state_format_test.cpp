#include "engine/state_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

StateRecord Record(std::uint64_t hwnd, std::uint32_t pid, std::int64_t style, int minimized) {
    return {hwnd, pid, style, minimized};
}

std::string Lines(const std::vector<std::string>& lines, const char* ending = "\r\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + ending;
    return text;
}

std::vector<std::uint64_t> HandlesOf(const ParsedStateFile& parsed) {
    std::vector<std::uint64_t> handles;
    for (const StateRecord& record : parsed.records)
        handles.push_back(record.hwnd);
    return handles;
}

using Handles = std::vector<std::uint64_t>;

// A record line padded with blanks after its last field to exactly `length` characters before CR LF.
std::string PaddedRecord(const std::string& record, std::size_t length) {
    return record + std::string(length - record.size(), ' ');
}

} // namespace

TEST(StateFileWriting, TheRecordLineIsUppercaseHexWithoutLeadingZerosAndEndsInCrLf) {
    EXPECT_EQ(FormatStateRecordLine(Record(0x1F4, 788, 0x100, 0)), "1F4|788|100|0\r\n");
    EXPECT_EQ(FormatStateRecordLine(Record(0xABCDEF, 4294967295u, 0x40108, 1)),
              "ABCDEF|4294967295|40108|1\r\n");
    EXPECT_EQ(FormatStateRecordLine(Record(0xA, 0, 0, 0)), "A|0|0|0\r\n");
    EXPECT_EQ(FormatStateRecordLine(Record(UINT64_MAX, 1, 0x0F, 1)), "FFFFFFFFFFFFFFFF|1|F|1\r\n");
}

TEST(StateFileWriting, ANegativeStyleIsWrittenAsItsTwosComplement) {
    EXPECT_EQ(FormatStateRecordLine(Record(1, 2, -1, 0)), "1|2|FFFFFFFFFFFFFFFF|0\r\n");
    EXPECT_EQ(FormatStateRecordLine(Record(1, 2, INT64_MIN, 0)), "1|2|8000000000000000|0\r\n");
}

TEST(StateFileWriting, TheFileIsMagicCountAndRecordsByteForByte) {
    EXPECT_EQ(FormatStateFile({Record(0x1F4, 788, 0x100, 0)}), "VLT1\r\n1\r\n1F4|788|100|0\r\n");
    EXPECT_EQ(FormatStateFile({Record(0x30A2C, 4120, 0x40100, 0), Record(0x1F4, 788, 0x80, 1)}),
              "VLT1\r\n2\r\n30A2C|4120|40100|0\r\n1F4|788|80|1\r\n");
    EXPECT_EQ(FormatStateFile({}), "VLT1\r\n0\r\n");
}

TEST(StateFileWriting, WrittenRecordsReadBackUnchanged) {
    const std::vector<StateRecord> records = {
        Record(0x1F4, 788, 0x100, 0), Record(UINT64_MAX, UINT32_MAX, -1, 1), Record(1, 0, INT64_MIN, 0),
        Record(0x7FFF0000, 12, INT64_MAX, 1)};
    const auto parsed = ParseStateFile(FormatStateFile(records));
    EXPECT_TRUE(parsed.magicOk);
    EXPECT_EQ(parsed.count, 4);
    EXPECT_EQ(parsed.records, records);
}

TEST(StateRecordLine, ReadsTheFourFieldsAndTheOwnStyleMarker) {
    EXPECT_EQ(ParseStateRecordLine("1F4|788|100|0"), Record(0x1F4, 788, 0x100, 0));
    StateRecord untouched = Record(0x1F4, 788, 0x100, 1);
    untouched.ownStyle = true;
    EXPECT_EQ(FormatStateRecordLine(untouched), "1F4|788|100|1|1\r\n");
    EXPECT_EQ(ParseStateRecordLine("1F4|788|100|1|1\r\n"), untouched);
    EXPECT_FALSE(ParseStateRecordLine("1F4|788|100|1|10")->ownStyle);
    EXPECT_FALSE(ParseStateRecordLine("1F4|788|100|1|0")->ownStyle);
    EXPECT_EQ(ParseStateRecordLine("1F4|788|100|1\n"), Record(0x1F4, 788, 0x100, 1));
    EXPECT_EQ(ParseStateRecordLine("abcdef|7|40100|0"), Record(0xABCDEF, 7, 0x40100, 0));
}

TEST(StateRecordLine, AcceptsWhatTheScanPatternAccepts) {
    EXPECT_EQ(ParseStateRecordLine("0x1F4|788|0X100|0"), Record(0x1F4, 788, 0x100, 0));
    EXPECT_EQ(ParseStateRecordLine("  1F4| 788| 100| 1"), Record(0x1F4, 788, 0x100, 1));
    EXPECT_EQ(ParseStateRecordLine("00000000000000000001F4|788|0000000000000000000100|0"),
              Record(0x1F4, 788, 0x100, 0));
    EXPECT_EQ(ParseStateRecordLine("1F4|788|100|0 and anything after"), Record(0x1F4, 788, 0x100, 0));
}

TEST(StateRecordLine, TheMinimisedFlagIsAnyInteger) {
    EXPECT_EQ(ParseStateRecordLine("1|2|3|7")->minimized, 7);
    EXPECT_EQ(ParseStateRecordLine("1|2|3|-1")->minimized, -1);
    EXPECT_EQ(ParseStateRecordLine("1|2|3|+1")->minimized, 1);
    EXPECT_EQ(ParseStateRecordLine("1|2|3|2147483647")->minimized, INT_MAX);
    EXPECT_EQ(ParseStateRecordLine("1|2|3|-2147483648")->minimized, INT_MIN);
    EXPECT_FALSE(ParseStateRecordLine("1|2|3|-2147483649"));
}

TEST(StateRecordLine, EveryFlagValueSurvivesTheRoundTrip) {
    for (int minimized : {0, 1, -1, INT_MAX, INT_MIN}) {
        const StateRecord record = Record(0x1F4, 788, 0x100, minimized);
        EXPECT_EQ(ParseStateRecordLine(FormatStateRecordLine(record)), record) << minimized;
    }
}

TEST(StateRecordLine, NegativeStylesSurviveTheRoundTrip) {
    for (std::int64_t style : {std::int64_t{-1}, std::int64_t{-0x80}, INT64_MIN, std::int64_t{-0x40001}}) {
        const StateRecord record = Record(0x1F4, 788, style, 0);
        EXPECT_EQ(ParseStateRecordLine(FormatStateRecordLine(record)), record) << style;
    }
}

TEST(StateRecordLine, SignsOnHandleProcessOrStyleAreRefused) {
    EXPECT_FALSE(ParseStateRecordLine("-1F4|788|100|0"));
    EXPECT_FALSE(ParseStateRecordLine("+1F4|788|100|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|-788|100|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|+788|100|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|788|-100|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|788|+100|0"));
}

TEST(StateRecordLine, ValuesTooLargeForTheirFieldAreRefused) {
    EXPECT_FALSE(ParseStateRecordLine("10000000000000000|788|100|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|4294967296|100|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|99999999999999999999999|100|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|788|10000000000000000|0"));
    EXPECT_FALSE(ParseStateRecordLine("1F4|788|100|2147483648"));
    EXPECT_EQ(ParseStateRecordLine("FFFFFFFFFFFFFFFF|4294967295|FFFFFFFFFFFFFFFF|0"),
              Record(UINT64_MAX, UINT32_MAX, -1, 0));
}

TEST(StateRecordLine, LinesWithoutAllFourFieldsAreRefused) {
    for (const char* line :
         {"", "\n", "1F4", "1F4|788|100", "1F4|788|100|", "1F4|788||0", "|788|100|0", "1F4||100|0",
          "1F4 788 100 0", "1F4 |788|100|0", "1F4|788 |100|0", "1F4,788,100,0", "0x|788|100|0", "G|788|100|0",
          "1F4|7A|100|0", "1F4|788|100|x", "VLT1"}) {
        EXPECT_FALSE(ParseStateRecordLine(line)) << '"' << line << '"';
    }
}

TEST(StateFileReading, AWellFormedFileGivesItsRecordsInFileOrder) {
    const auto parsed = ParseStateFile("VLT1\r\n2\r\n30A2C|4120|40100|0\r\n1F4|788|80|1\r\n");
    EXPECT_TRUE(parsed.magicOk);
    EXPECT_EQ(parsed.count, 2);
    EXPECT_EQ(parsed.records,
              (std::vector<StateRecord>{Record(0x30A2C, 4120, 0x40100, 0), Record(0x1F4, 788, 0x80, 1)}));
}

TEST(StateFileReading, BareLineFeedsEndLinesToo) {
    const auto parsed = ParseStateFile("VLT1\n2\n1F4|788|100|0\r\nA|5|0|1\n");
    EXPECT_TRUE(parsed.magicOk);
    EXPECT_EQ(HandlesOf(parsed), (Handles{0x1F4, 0xA}));
}

TEST(StateFileReading, TheLastLineNeedsNoLineEnd) {
    EXPECT_EQ(HandlesOf(ParseStateFile("VLT1\r\n1\r\n1F4|788|100|0")), (Handles{0x1F4}));
}

TEST(StateFileReading, AMagicLineWithASuffixIsAccepted) {
    const auto parsed = ParseStateFile("VLT1 version 2\r\n1\r\n1F4|788|100|0\r\n");
    EXPECT_TRUE(parsed.magicOk);
    EXPECT_EQ(HandlesOf(parsed), (Handles{0x1F4}));
}

TEST(StateFileReading, AMagicLineLongerThanItsBufferSpillsIntoTheCountLine) {
    // Line 1 is read 15 characters at a time, so the rest of it is taken as the count: "9" here.
    const auto parsed = ParseStateFile("VLT1-----------9\r\n1\r\n1F4|788|100|0\r\nA|5|0|1\r\n");
    EXPECT_TRUE(parsed.magicOk);
    EXPECT_EQ(parsed.count, 9);
    // "1" then takes the first record slot and fails to parse; both records follow.
    EXPECT_EQ(HandlesOf(parsed), (Handles{0x1F4, 0xA}));
}

TEST(StateFileReading, AWrongOrShortMagicLineIsRefused) {
    for (const char* content :
         {"", "\r\n", "VLT", "VLT\r\n1\r\n1F4|788|100|0\r\n", "vlt1\r\n1\r\n1F4|788|100|0\r\n",
          "VLT2\r\n1\r\n1F4|788|100|0\r\n", " VLT1\r\n1\r\n1F4|788|100|0\r\n",
          "\xEF\xBB\xBFVLT1\r\n1\r\n1F4|788|100|0\r\n", "VL\nT1\n1\n1F4|788|100|0\n"}) {
        const auto parsed = ParseStateFile(content);
        EXPECT_FALSE(parsed.magicOk) << '"' << content << '"';
        EXPECT_TRUE(parsed.records.empty()) << '"' << content << '"';
    }
}

TEST(StateFileReading, OnlyTheMagicLineGivesNoRecords) {
    for (const char* content : {"VLT1", "VLT1\r\n", "VLT1\n"}) {
        const auto parsed = ParseStateFile(content);
        EXPECT_TRUE(parsed.magicOk) << content;
        EXPECT_EQ(parsed.count, 0) << content;
        EXPECT_TRUE(parsed.records.empty()) << content;
    }
}

TEST(StateFileReading, ANegativeOrUnreadableCountReadsNoRecords) {
    for (const char* count : {"-1", "-2147483649", "abc", "", "x3", "- 3", "--3"}) {
        const auto parsed = ParseStateFile("VLT1\r\n" + std::string(count) + "\r\n1F4|788|100|0\r\n");
        EXPECT_EQ(parsed.count, 0) << '"' << count << '"';
        EXPECT_TRUE(parsed.records.empty()) << '"' << count << '"';
    }
}

TEST(StateFileReading, TheCountIsASignedDecimalThatStopsAtTheFirstNonDigit) {
    EXPECT_EQ(ParseStateFile("VLT1\r\n   2 records\r\n").count, 2);
    EXPECT_EQ(ParseStateFile("VLT1\r\n\t+3\r\n").count, 3);
    EXPECT_EQ(ParseStateFile("VLT1\r\n0012\r\n").count, 12);
    EXPECT_EQ(ParseStateFile("VLT1\r\n4x5\r\n").count, 4);
}

TEST(StateFileReading, AHugeCountReadsAsTheLargestIntAndStopsAtTheEnd) {
    for (const char* count : {"2147483647", "2147483648", "99999999999999999999999999"}) {
        const auto parsed =
            ParseStateFile("VLT1\r\n" + std::string(count) + "\r\n1F4|788|100|0\r\nA|5|0|1\r\n");
        EXPECT_EQ(parsed.count, INT_MAX) << count;
        EXPECT_EQ(HandlesOf(parsed), (Handles{0x1F4, 0xA})) << count;
    }
}

TEST(StateFileReading, ACountSmallerThanTheRecordsReadsOnlyThatMany) {
    const auto parsed = ParseStateFile("VLT1\r\n1\r\n1F4|788|100|0\r\nA|5|0|1\r\nB|6|0|0\r\n");
    EXPECT_EQ(HandlesOf(parsed), (Handles{0x1F4}));
    EXPECT_TRUE(ParseStateFile("VLT1\r\n0\r\n1F4|788|100|0\r\n").records.empty());
}

TEST(StateFileReading, ACountLargerThanTheRecordsStopsAtTheEnd) {
    EXPECT_EQ(HandlesOf(ParseStateFile("VLT1\r\n5\r\n1F4|788|100|0\r\nA|5|0|1\r\n")), (Handles{0x1F4, 0xA}));
}

TEST(StateFileReading, GarbageLinesAreSkippedButUseUpTheCount) {
    const std::string content = "VLT1\r\n3\r\n1F4|788|100|0\r\nnot a record\r\n\r\nA|5|0|1\r\n";
    EXPECT_EQ(HandlesOf(ParseStateFile(content)), (Handles{0x1F4}));
    EXPECT_EQ(HandlesOf(ParseStateFile("VLT1\r\n4\r\n1F4|788|100|0\r\nnot a record\r\n\r\nA|5|0|1\r\n")),
              (Handles{0x1F4, 0xA}));
}

TEST(StateFileReading, AtMost256RecordLinesAreConsidered) {
    std::vector<StateRecord> records;
    for (std::uint64_t i = 1; i <= 300; ++i)
        records.push_back(Record(i, 100, 0, 0));
    const auto parsed = ParseStateFile(FormatStateFile(records));
    EXPECT_EQ(parsed.count, 300);
    EXPECT_EQ(parsed.records, std::vector<StateRecord>(records.begin(), records.begin() + 256));
}

TEST(StateFileReading, TheCapCountsGarbageLinesToo) {
    std::vector<std::string> lines = {"VLT1", "1000"};
    for (int i = 0; i < 255; ++i)
        lines.push_back("garbage");
    lines.push_back("1F4|788|100|0");
    lines.push_back("A|5|0|1");
    EXPECT_EQ(HandlesOf(ParseStateFile(Lines(lines))), (Handles{0x1F4}));
}

TEST(StateFileReading, ARecordLineOf255CharactersLeavesItsLineEndAsTheNextLine) {
    // 254 characters and the line end fit the 256-unit buffer; 255 leave the line end for the next read,
    // which takes up a record slot.
    const std::string fits = "VLT1\r\n2\r\n" + PaddedRecord("1F4|788|100|0", 254) + "\r\nA|5|0|1\r\n";
    EXPECT_EQ(HandlesOf(ParseStateFile(fits)), (Handles{0x1F4, 0xA}));
    const std::string spills = "VLT1\r\n2\r\n" + PaddedRecord("1F4|788|100|0", 255) + "\r\nA|5|0|1\r\n";
    EXPECT_EQ(HandlesOf(ParseStateFile(spills)), (Handles{0x1F4}));
    const std::string spillsLf = "VLT1\n2\n" + PaddedRecord("1F4|788|100|0", 255) + "\nA|5|0|1\n";
    EXPECT_EQ(HandlesOf(ParseStateFile(spillsLf)), (Handles{0x1F4}));
}

TEST(StateFileReading, TheRestOfALongRecordLineIsReadAsFurtherLines) {
    // 255 characters of padding, then something that looks like a record on the same line.
    const std::string content = "VLT1\r\n3\r\n" + std::string(255, 'x') + "B|6|0|0\r\nA|5|0|1\r\n";
    EXPECT_EQ(HandlesOf(ParseStateFile(content)), (Handles{0xB, 0xA}));
    const std::string longGarbage = "VLT1\r\n2\r\n1F4|788|100|0" + std::string(600, 'x') + "\r\nA|5|0|1\r\n";
    // 613 characters are three reads (255, 255, 103 and the line end); only two slots are allowed.
    EXPECT_EQ(HandlesOf(ParseStateFile(longGarbage)), (Handles{0x1F4}));
    const std::string enoughSlots = "VLT1\r\n4\r\n1F4|788|100|0" + std::string(600, 'x') + "\r\nA|5|0|1\r\n";
    EXPECT_EQ(HandlesOf(ParseStateFile(enoughSlots)), (Handles{0x1F4, 0xA}));
}

TEST(StateFileReading, ACountLineLongerThanItsBufferSpillsIntoTheFirstRecordSlot) {
    // Line 2 is read 63 characters at a time: the blanks after them take the first record slot.
    const std::string content = "VLT1\r\n2" + std::string(70, ' ') + "\r\n1F4|788|100|0\r\nA|5|0|1\r\n";
    const auto parsed = ParseStateFile(content);
    EXPECT_EQ(parsed.count, 2);
    EXPECT_EQ(HandlesOf(parsed), (Handles{0x1F4}));
    const std::string fits = "VLT1\r\n2" + std::string(61, ' ') + "\r\n1F4|788|100|0\r\nA|5|0|1\r\n";
    EXPECT_EQ(HandlesOf(ParseStateFile(fits)), (Handles{0x1F4, 0xA}));
}

TEST(StateFileReading, ALoneCarriageReturnDoesNotEndALine) {
    const auto parsed = ParseStateFile("VLT1\r\n2\r\n1F4|788|100|0\rA|5|0|1\r\nB|6|0|0\r\n");
    EXPECT_EQ(HandlesOf(parsed), (Handles{0x1F4, 0xB}));
}

// Two users signed in on one PC run the same copy: their files must never be one.
TEST(StateFileName, EachSessionHasItsOwnBesideTheOneEarlierVersionsWrote) {
    EXPECT_EQ(StateFileNameForSession(1), L"veltrano-1.hidden");
    EXPECT_NE(StateFileNameForSession(1), StateFileNameForSession(2));
    EXPECT_NE(StateFileNameForSession(0), kStateFileBeforeSessions);
}
