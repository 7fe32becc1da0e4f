#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/tests/TestSupport.h"
#include "platform/FaultInjection.h"
#include "run/StreamedWalk.h"
#include "testing/CaseName.h"
#include "testing/TestFiles.h"
#include "typed/RecordSpec.h"

namespace zemrik {
namespace {

using test::RecordingProgress;
using test::TempFile;

// Keeps what it is given; refuses the write numbered `refuseAt` (from 1).
class RecordingStream : public TableStream {
public:
    StreamResult open() override { return {}; }
    StreamResult write(std::string_view text) override {
        if (++writes == refuseAt) return StreamResult::failure({"stream", platform::SystemError::fromCode(28)});
        longestWrite = std::max(longestWrite, text.size());
        received += text;
        return {};
    }
    StreamResult finish() override { return {}; }
    void discard() override {}

    std::string received;
    int writes = 0;
    int refuseAt = 0;
    std::size_t longestWrite = 0;
};

constexpr std::size_t kSmallPieces = 4096;  // a table of some KiB makes dozens of pieces

std::vector<std::uint8_t> randomBytes(std::size_t count) {
    std::mt19937 random(5);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

struct StreamCase {
    const char* name;
    Language language;
    StyleColumn column;
    std::uint8_t perLine;
    bool bigEndian;
};

class StreamedRows : public ::testing::TestWithParam<StreamCase> {
protected:
    void SetUp() override { platform::clearFaults(); }
    void TearDown() override { platform::clearFaults(); }

    TableLayout layoutFor(std::uint32_t offset, std::uint32_t tableSize) const {
        const StreamCase& c = GetParam();
        TableLayout layout;
        layout.offset = offset;
        layout.tableSize = tableSize;
        layout.language = c.language;
        const bool word = c.column == StyleColumn::WordHex || c.column == StyleColumn::WordDec;
        const bool dword = c.column == StyleColumn::DwordHex || c.column == StyleColumn::DwordDec;
        layout.elementSize = word ? ElementSize::Word : dword ? ElementSize::Dword : ElementSize::Byte;
        layout.itemsPerLine = c.perLine;
        layout.bigEndian = c.bigEndian;
        return layout;
    }
    const OutputStyle& style() const { return styleRow(GetParam().language, GetParam().column); }
};

// Whatever the number of printers, the pieces reach the stream in table
// order, no larger than a piece buffer, and join into exactly the table; the
// percentage counts up once to 100.
TEST_P(StreamedRows, PiecesJoinIntoTheTableInOrder) {
    const std::vector<std::uint8_t> file = randomBytes(24000);
    const TableLayout layout = layoutFor(1000, 20000);
    const std::vector<std::uint8_t> table(file.begin() + 1000, file.begin() + 21000);
    const std::string expected = test::referenceRender(layout, style(), table);
    TempFile input(file);
    std::vector<std::uint32_t> every(101);
    for (std::uint32_t percent = 0; percent <= 100; ++percent) every[percent] = percent;
    for (unsigned printers : {1u, 2u, 4u}) {
        auto opened = platform::File::openForReading(input.path());
        ASSERT_TRUE(opened);
        RecordingStream stream;
        RecordingProgress progress;
        EXPECT_EQ(streamTable(layout, style(), *opened, stream, progress, {kSmallPieces, printers}).outcome,
                  StreamOutcome::Complete);
        EXPECT_TRUE(stream.received == expected) << printers << " printers";
        EXPECT_GT(stream.writes, 10) << "the table should take many pieces";
        EXPECT_LE(stream.longestWrite, kSmallPieces);
        EXPECT_EQ(progress.reports, every) << printers << " printers";
    }
}

// The file ends inside the table: the run fails, however far the stream got.
TEST_P(StreamedRows, InputCutMidTableIsAReadFailure) {
    TempFile input(randomBytes(12000));
    const TableLayout layout = layoutFor(0, 20000);
    for (unsigned printers : {1u, 2u}) {
        auto opened = platform::File::openForReading(input.path());
        ASSERT_TRUE(opened);
        RecordingStream stream;
        RecordingProgress progress;
        const Streamed streamed = streamTable(layout, style(), *opened, stream, progress, {kSmallPieces, printers});
        EXPECT_EQ(streamed.outcome, StreamOutcome::ReadFailed);
        EXPECT_EQ(streamed.readFailure, platform::SystemError::ours(platform::SystemError::Ours::FileShrank));
        EXPECT_TRUE(progress.reports.empty() || progress.reports.back() < 100);
    }
}

TEST_P(StreamedRows, RefusedWriteStopsTheRun) {
    TempFile input(randomBytes(20000));
    const TableLayout layout = layoutFor(0, 20000);
    for (unsigned printers : {1u, 2u, 4u}) {
        auto opened = platform::File::openForReading(input.path());
        ASSERT_TRUE(opened);
        RecordingStream stream;
        stream.refuseAt = 3;
        RecordingProgress progress;
        const Streamed streamed = streamTable(layout, style(), *opened, stream, progress, {kSmallPieces, printers});
        EXPECT_EQ(streamed.outcome, StreamOutcome::OutputFailed);
        EXPECT_EQ(streamed.outputFailure.path, "stream");
        EXPECT_EQ(stream.writes, 3) << "nothing is written after a refusal";
    }
}

INSTANTIATE_TEST_SUITE_P(
    StreamedWalk, StreamedRows,
    ::testing::Values(StreamCase{"CBytesHex", Language::C, StyleColumn::ByteHex, 12, false},
                      StreamCase{"AsmWordsDecimal", Language::Asm, StyleColumn::WordDec, 5, true},
                      StreamCase{"DelphiBytesDecimal", Language::Delphi, StyleColumn::ByteDec, 9, false},
                      StreamCase{"DataStrReversed", Language::DataStr, StyleColumn::ByteHex, 7, true}),
    test::CaseName());

// A typed table streams like a style row's: in every language row, pieces
// sized by the printer's bound never pass the buffer, even where every
// element is the type's longest literal or an item is a whole record, and
// join into the whole table.
TEST(StreamedWalk, TypedTablesJoinInEveryRow) {
    std::vector<std::uint8_t> file = randomBytes(16000);
    // The longest literals: the minimum, -0.0 spelled out, a subnormal's digits.
    const std::uint8_t longest[] = {0, 0, 0, 0, 0, 0, 0, 0x80, 1, 0, 0, 0, 0, 0, 0x80, 0x80};
    for (std::size_t at = 0; at + sizeof longest <= 8000; at += sizeof longest)
        std::copy(std::begin(longest), std::end(longest), file.begin() + static_cast<std::ptrdiff_t>(at));
    TempFile input(file);
    const typed::RecordSpec record = *typed::parseRecordSpec("a:u16,_:u8[3],b:i8[3],c:f64,d:u32[2]");  // 24 bytes
    const std::uint32_t dims[] = {4, 1999};
    const struct {
        typed::ElementType type;
        Notation notation;
        ByteOrder order;
        const typed::RecordSpec* record = nullptr;
        std::span<const std::uint32_t> dims = {};
        std::uint32_t size = 15992;
    } kinds[] = {{typed::ElementType::I64, Notation::Decimal, ByteOrder::LittleEndian},
                 {typed::ElementType::I16, Notation::Hex, ByteOrder::BigEndian},
                 {typed::ElementType::F32, Notation::Hex, ByteOrder::LittleEndian},
                 {typed::ElementType::F64, Notation::Decimal, ByteOrder::BigEndian},
                 {typed::ElementType::U8, Notation::Decimal, ByteOrder::BigEndian, &record, {}, 24 * 666},
                 {typed::ElementType::I16, Notation::Decimal, ByteOrder::LittleEndian, nullptr, dims}};
    for (const typed::LanguageRow& row : typed::languageRows()) {
        for (const auto& kind : kinds) {
            if ((kind.record != nullptr || !kind.dims.empty()) && !row.shapeRefusal.empty()) continue;
            typed::TypedOptions options;
            options.type = kind.type;
            options.notation = kind.notation;
            options.order = kind.order;
            options.record = kind.record;
            options.dims = kind.dims;
            options.tableSize = kind.size;
            options.itemsPerLine = 7;
            options.declaration.countConstant = typed::CountConstant::After;
            const std::vector<std::uint8_t> table(file.begin() + 8, file.begin() + 8 + kind.size);
            const TypedPiecePrinter printer(row, options);
            auto opened = platform::File::openForReading(input.path());
            ASSERT_TRUE(opened);
            RecordingStream stream;
            RecordingProgress progress;
            EXPECT_EQ(streamTable(printer, 8, *opened, stream, progress, {kSmallPieces, 2}).outcome,
                      StreamOutcome::Complete)
                << row.cliName << " " << typed::typeName(kind.type);
            EXPECT_TRUE(stream.received == typed::TypedTable(row, options).print(table))
                << row.cliName << " " << typed::typeName(kind.type);
            EXPECT_GT(stream.writes, 10);
            EXPECT_EQ(progress.reports.back(), 100u);
        }
    }
}

// Helpers only speed the run up: without their thread, or without memory for
// the caller's own buffer, the run still ends as it must.
TEST(StreamedWalk, LostHelperOrBuffer) {
    TempFile input(randomBytes(20000));
    TableLayout layout;
    layout.tableSize = 20000;
    layout.itemsPerLine = 16;
    const OutputStyle& style = styleRow(Language::C, StyleColumn::ByteHex);
    const std::vector<std::uint8_t> table = randomBytes(20000);
    for (const auto fault : {platform::Acquisition::StartThread, platform::Acquisition::AllocateMemory}) {
        platform::clearFaults();
        platform::armFault(fault);
        auto opened = platform::File::openForReading(input.path());
        ASSERT_TRUE(opened);
        RecordingStream stream;
        RecordingProgress progress;
        const StreamOutcome outcome = streamTable(layout, style, *opened, stream, progress, {kSmallPieces, 2}).outcome;
        if (fault == platform::Acquisition::StartThread) {
            EXPECT_EQ(outcome, StreamOutcome::Complete);
            EXPECT_TRUE(stream.received == test::referenceRender(layout, style, table));
        } else {
            EXPECT_EQ(outcome, StreamOutcome::NoBuffer);
            EXPECT_EQ(stream.writes, 0);
        }
    }
    platform::clearFaults();
}

}  // namespace
}  // namespace zemrik
