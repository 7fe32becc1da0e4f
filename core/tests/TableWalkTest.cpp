#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/OutputBuffer.h"
#include "core/PieceBuffer.h"
#include "core/TableWalk.h"
#include "core/tests/TestSupport.h"
#include "testing/CaseName.h"

namespace zemrik {
namespace {

using test::estimateFor;
using test::MemorySource;
using test::RecordingProgress;

constexpr char kGuard = '\x5A';
constexpr ByteOrder kBothOrders[] = {ByteOrder::LittleEndian, ByteOrder::BigEndian};

struct Rendered {
    std::string text;
    WalkOutcome outcome;
    std::vector<std::uint32_t> progress;
    std::size_t appendCursor;
};

class GrowingStorage : public BufferGrowth {
public:
    explicit GrowingStorage(std::size_t capacity) : bytes(capacity, '\0') {}
    char* grow(std::size_t newCapacity) override {
        bytes.resize(newCapacity, '\0');
        return bytes.data();
    }
    std::vector<char> bytes;
};

// Renders through the walk the run would choose, into an estimate-sized
// buffer followed by guard bytes that must survive.
Rendered render(TableLayout layout, const std::vector<std::uint8_t>& bytes, Notation notation = Notation::Hex,
                std::size_t readable = SIZE_MAX) {
    if (layout.tableSize == 0) layout.tableSize = static_cast<std::uint32_t>(bytes.size());
    const OutputStyle& style = styleRow(layout.language, styleColumn(layout.elementSize, notation));
    const std::size_t capacity = estimateFor(layout, style);
    std::vector<char> storage(capacity + 8, kGuard);
    std::fill(storage.begin(), storage.begin() + static_cast<std::ptrdiff_t>(capacity), '\0');
    OutputBuffer buffer(storage.data(), capacity);
    MemorySource source(bytes, readable);
    RecordingProgress progress;
    const bool reversed = layout.language == Language::DataStr && layout.bigEndian;
    const WalkOutcome outcome = reversed ? renderReversed(layout, style, source, buffer, progress)
                                         : renderForward(layout, style, source, buffer, progress);
    for (std::size_t i = capacity; i < storage.size(); ++i) EXPECT_EQ(storage[i], kGuard) << "written past capacity";
    return {std::string(buffer.text()), outcome, progress.reports, buffer.appendCursor()};
}

TableLayout layoutOf(Language language, ElementSize size, std::uint8_t perLine,
                     ByteOrder order = ByteOrder::LittleEndian) {
    TableLayout layout;
    layout.language = language;
    layout.elementSize = size;
    layout.itemsPerLine = perLine;
    layout.bigEndian = order == ByteOrder::BigEndian;
    return layout;
}

struct ExampleCase {
    const char* name;
    TableLayout layout;
    Notation notation;
    std::vector<std::uint8_t> bytes;
    const char* expected;
};

class Examples : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(Examples, PrintExactly) {
    const ExampleCase& c = GetParam();
    const Rendered rendered = render(c.layout, c.bytes, c.notation);
    EXPECT_EQ(rendered.outcome, WalkOutcome::Complete);
    EXPECT_EQ(rendered.text, c.expected);
}

const std::vector<std::uint8_t> k1234 = {0x01, 0x02, 0x03, 0x04};
const std::vector<std::uint8_t> kA1toE5 = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5};

INSTANTIATE_TEST_SUITE_P(
    TableWalk, Examples,
    ::testing::Values(ExampleCase{"CBytesHexTwoPerLine", layoutOf(Language::C, ElementSize::Byte, 2), Notation::Hex,
                                  k1234, "static unsigned char table[4] = {\r\n\t0x01, 0x02, \r\n\t0x03, 0x04 };"},
                      ExampleCase{"AsmBytesHexTwoPerLine", layoutOf(Language::Asm, ElementSize::Byte, 2), Notation::Hex,
                                  k1234, "table\tdb 001h, 002h\r\n\tdb 003h, 004h"},
                      ExampleCase{"DelphiBytesDecimal",
                                  layoutOf(Language::Delphi, ElementSize::Byte, 3),
                                  Notation::Decimal,
                                  {0x07, 0xC8, 0x09, 0x0A},
                                  "CONST table : array[0..3] of byte = (\r\n\t 7, 200,  9, \r\n\t10);"},
                      ExampleCase{"WordLittleEndian",
                                  layoutOf(Language::C, ElementSize::Word, 8),
                                  Notation::Decimal,
                                  {0x01, 0x02},
                                  "static unsigned short table[1] = {\r\n\t  513 };"},
                      ExampleCase{"WordBigEndian",
                                  layoutOf(Language::C, ElementSize::Word, 8, ByteOrder::BigEndian),
                                  Notation::Decimal,
                                  {0x01, 0x02},
                                  "static unsigned short table[1] = {\r\n\t  258 };"},
                      ExampleCase{"DataStrTwoPerLine", layoutOf(Language::DataStr, ElementSize::Byte, 2), Notation::Hex,
                                  kA1toE5, "A1B2\r\nC3D4\r\nE5"},
                      ExampleCase{"DataStrReversed",
                                  layoutOf(Language::DataStr, ElementSize::Byte, 2, ByteOrder::BigEndian),
                                  Notation::Hex, kA1toE5, "E5D4\r\nC3B2\r\nA1"},
                      ExampleCase{"DataStrReversedOnePerLine",
                                  layoutOf(Language::DataStr, ElementSize::Byte, 1, ByteOrder::BigEndian),
                                  Notation::Hex,
                                  {0x01, 0x02, 0x03},
                                  "03\r\n02\r\n01"},
                      ExampleCase{"AsmOnePerLine",
                                  layoutOf(Language::Asm, ElementSize::Byte, 1),
                                  Notation::Hex,
                                  {0x01, 0x02},
                                  "table\tdb 001h\r\n\tdb 002h"},
                      ExampleCase{"CountOne",
                                  layoutOf(Language::C, ElementSize::Byte, 8),
                                  Notation::Hex,
                                  {0x01},
                                  "static unsigned char table[1] = {\r\n\t0x01 };"},
                      ExampleCase{"DelphiCountOne",
                                  layoutOf(Language::Delphi, ElementSize::Dword, 8),
                                  Notation::Hex,
                                  {1, 2, 3, 4},
                                  "CONST table : array[0..0] of longint = (\r\n\t$04030201);"},
                      ExampleCase{"PerLineLargerThanCount", layoutOf(Language::Asm, ElementSize::Word, 200),
                                  Notation::Hex, k1234, "table\tdw 00201h, 00403h"},
                      ExampleCase{"LastStartsItsOwnLine",
                                  layoutOf(Language::Asm, ElementSize::Byte, 2),
                                  Notation::Hex,
                                  {1, 2, 3},
                                  "table\tdb 001h, 002h\r\n\tdb 003h"},
                      ExampleCase{"BigEndianDwordsInC",
                                  layoutOf(Language::C, ElementSize::Dword, 8, ByteOrder::BigEndian),
                                  Notation::Hex,
                                  {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0},
                                  "static unsigned long table[2] = {\r\n\t0x12345678, 0x9ABCDEF0 };"},
                      ExampleCase{"AsmDwordDecimal",
                                  layoutOf(Language::Asm, ElementSize::Dword, 1),
                                  Notation::Decimal,
                                  {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
                                  "table\tdd 4294967295\r\n\tdd          0"},
                      ExampleCase{"AsmLargestWord",
                                  layoutOf(Language::Asm, ElementSize::Word, 4),
                                  Notation::Hex,
                                  {0xFF, 0xFF},
                                  "table\tdw 0FFFFh"},
                      ExampleCase{"DataStrIgnoresDecimal",
                                  layoutOf(Language::DataStr, ElementSize::Byte, 16),
                                  Notation::Decimal,
                                  {0xFF, 0x10},
                                  "FF10"}),
    test::CaseName());

TEST(TableWalk, BigEndianBytesChangeNothingOutsideDataStr) {
    const std::vector<std::uint8_t> bytes = {0x10, 0x20, 0x30};
    for (Language language : {Language::C, Language::Asm, Language::Delphi})
        EXPECT_EQ(render(layoutOf(language, ElementSize::Byte, 2, ByteOrder::BigEndian), bytes).text,
                  render(layoutOf(language, ElementSize::Byte, 2, ByteOrder::LittleEndian), bytes).text);
}

TEST(TableWalk, TwoHundredPerLineBreaksAfter200And400) {
    const std::vector<std::uint8_t> bytes(450, 0x11);
    const std::string text = render(layoutOf(Language::C, ElementSize::Byte, 200), bytes).text;
    const std::string header = "static unsigned char table[450] = {\r\n\t";
    ASSERT_EQ(text.substr(0, header.size()), header);
    EXPECT_EQ(text.find("\r\n\t", header.size()), header.size() + 200 * 6);
    EXPECT_EQ(text.find("\r\n\t", header.size() + 200 * 6 + 3), header.size() + 400 * 6 + 3);
    EXPECT_EQ(text.find("\r\n\t", header.size() + 400 * 6 + 6), std::string::npos);
}

struct ProgressCase {
    const char* name;
    Language language;
    ByteOrder order;
    std::size_t bytes;
    std::vector<std::uint32_t> reports;
};

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, ReportsEachNewPercentage) {
    const ProgressCase& c = GetParam();
    const std::vector<std::uint8_t> bytes(c.bytes, 0x42);
    EXPECT_EQ(render(layoutOf(c.language, ElementSize::Byte, 16, c.order), bytes).progress, c.reports);
}

INSTANTIATE_TEST_SUITE_P(
    TableWalk, Progress,
    ::testing::Values(ProgressCase{"ForwardCountOne", Language::C, ByteOrder::LittleEndian, 1, {}},
                      ProgressCase{"ForwardCountTwo", Language::C, ByteOrder::LittleEndian, 2, {0}},
                      ProgressCase{"ForwardCountThree", Language::C, ByteOrder::LittleEndian, 3, {0, 100}},
                      ProgressCase{"ForwardCountFive", Language::Asm, ByteOrder::LittleEndian, 5, {0, 33, 66, 100}},
                      ProgressCase{"ReversedOneByte", Language::DataStr, ByteOrder::BigEndian, 1, {0}},
                      ProgressCase{"ReversedTwoBytes", Language::DataStr, ByteOrder::BigEndian, 2, {0}},
                      ProgressCase{"ReversedFiveBytes", Language::DataStr, ByteOrder::BigEndian, 5, {0, 33, 66, 100}}),
    test::CaseName());

TEST(TableWalk, ProgressOfAHugeTableStillEndsAt100) {
    // 43 million elements: i x 100 no longer fits in 32 bits near the end.
    const std::vector<std::uint8_t> bytes(43'000'000, 0xAB);
    for (ByteOrder order : kBothOrders) {
        const Rendered rendered = render(layoutOf(Language::DataStr, ElementSize::Byte, 255, order), bytes);
        ASSERT_EQ(rendered.progress.size(), 101u);
        for (std::uint32_t p = 0; p <= 100; ++p) EXPECT_EQ(rendered.progress[p], p);
    }
}

TEST(TableWalk, ShortReadIsAFailureNotATable) {
    const std::vector<std::uint8_t> bytes(100, 0x33);
    for (ByteOrder order : kBothOrders)
        for (std::size_t readable : {std::size_t{0}, std::size_t{1}, std::size_t{99}})
            EXPECT_EQ(render(layoutOf(Language::DataStr, ElementSize::Byte, 8, order), bytes, Notation::Hex, readable)
                          .outcome,
                      WalkOutcome::ReadFailed)
                << static_cast<int>(order) << " " << readable;
}

TEST(TableWalk, PartialLastElementIsAFailure) {
    TableLayout layout = layoutOf(Language::C, ElementSize::Dword, 4);
    layout.tableSize = 8;
    EXPECT_EQ(render(layout, {1, 2, 3, 4, 5, 6, 7, 8}, Notation::Hex, 7).outcome, WalkOutcome::ReadFailed);
}

TEST(TableWalk, ReversedWalkReadsLastBlockFirst) {
    std::vector<std::uint8_t> bytes(200000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    TableLayout layout = layoutOf(Language::DataStr, ElementSize::Byte, 255, ByteOrder::BigEndian);
    layout.offset = 1000;
    layout.tableSize = 150000;
    std::vector<std::uint8_t> file(bytes);
    MemorySource source(file);
    const OutputStyle& style = styleRow(Language::DataStr, StyleColumn::ByteHex);
    std::vector<char> storage(estimateFor(layout, style), '\0');
    OutputBuffer buffer(storage.data(), storage.size());
    RecordingProgress progress;
    ASSERT_EQ(renderReversed(layout, style, source, buffer, progress), WalkOutcome::Complete);
    const std::vector<std::uint8_t> table(bytes.begin() + 1000, bytes.begin() + 151000);
    EXPECT_EQ(buffer.text(), test::referenceRender(layout, style, table));
    EXPECT_LE(source.reads, 4);  // blocks, not a read per byte
}

TEST(TableWalk, DelphiByteDecimalOutgrowsItsEstimate) {
    // Every value 200 prints one character wider than the row's nominal width.
    const std::vector<std::uint8_t> bytes(1000, 200);
    const TableLayout layout = layoutOf(Language::Delphi, ElementSize::Byte, 255);
    EXPECT_EQ(render(layout, bytes, Notation::Decimal).outcome, WalkOutcome::BufferExhausted);

    const OutputStyle& style = styleRow(Language::Delphi, StyleColumn::ByteDec);
    TableLayout sized = layout;
    sized.tableSize = 1000;
    GrowingStorage storage(estimateFor(sized, style));
    OutputBuffer buffer(storage.bytes.data(), storage.bytes.size(), &storage);
    MemorySource source(bytes);
    RecordingProgress progress;
    ASSERT_EQ(renderForward(sized, style, source, buffer, progress), WalkOutcome::Complete);
    EXPECT_EQ(buffer.text(), test::referenceRender(sized, style, bytes));
    // The cursor stays a header's length behind the end, so appends stay short.
    EXPECT_LE(buffer.text().size() - buffer.appendCursor(), 60u);
}

TEST(TableWalk, EveryRowMatchesThePlainRenderer) {
    std::mt19937 random(7);
    for (int slot = 0; slot < 24; ++slot) {
        const auto language = static_cast<Language>(slot / 6);
        const int column = slot % 6;
        const ElementSize size = column < 2 ? ElementSize::Byte : column < 4 ? ElementSize::Word : ElementSize::Dword;
        for (ByteOrder order : kBothOrders) {
            for (std::uint8_t perLine : std::initializer_list<std::uint8_t>{1, 3, 16, 255}) {
                const ElementSize walked = language == Language::DataStr ? ElementSize::Byte : size;
                std::vector<std::uint8_t> bytes(byteCount(walked) * (1 + random() % 600));
                for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
                TableLayout layout = layoutOf(language, walked, perLine, order);
                const Rendered rendered = render(layout, bytes, column % 2 == 1 ? Notation::Decimal : Notation::Hex);
                layout.tableSize = static_cast<std::uint32_t>(bytes.size());
                const OutputStyle& style = *styleTable[static_cast<std::size_t>(slot)];
                if (rendered.outcome == WalkOutcome::BufferExhausted) {
                    EXPECT_EQ(slot, 13) << "only Delphi byte decimal may outgrow its estimate";
                    continue;
                }
                ASSERT_EQ(rendered.outcome, WalkOutcome::Complete) << slot;
                ASSERT_EQ(rendered.text, test::referenceRender(layout, style, bytes))
                    << "slot " << slot << " N " << int{perLine} << " byte order " << static_cast<int>(order);
                EXPECT_LE(rendered.appendCursor, rendered.text.size());
                EXPECT_LE(rendered.text.size() - rendered.appendCursor, 60u) << slot;
            }
        }
    }
}

struct PieceRun {
    std::string text;
    WalkOutcome outcome = WalkOutcome::Complete;
    std::vector<std::uint32_t> progress;
};

// Prints the table as pieces ending before each of `cuts` and at its end,
// one after another through one bounded buffer, as a streaming run does;
// the pieces share one progress sink.
PieceRun renderInPieces(const TableLayout& layout, const OutputStyle& style, const std::vector<std::uint8_t>& bytes,
                        std::vector<std::uint32_t> cuts, std::size_t readable = SIZE_MAX) {
    PieceRun run;
    RecordingProgress progress;
    std::vector<char> storage(1 << 16);
    PieceBuffer buffer(storage.data(), storage.size());
    cuts.push_back(printedCount(layout));
    std::uint32_t first = 0;
    for (const std::uint32_t end : cuts) {
        MemorySource source(bytes, readable);
        if (!walksReversed(layout)) source.seek(first * byteCount(layout.elementSize));
        buffer.clear();
        run.outcome = render(layout, style, source, buffer, progress, {first, end - first});
        if (run.outcome != WalkOutcome::Complete) break;
        run.text += buffer.text();
        first = end;
    }
    run.progress = progress.reports;
    return run;
}

// Every split into two pieces, so pieces start and end at a line end, one
// past it, and around the last element; the forward walk's Asm lines drop
// their separator at a piece's edge, the reversed walk's pieces run backwards.
TEST(TableWalk, PiecesJoinIntoTheWholeTable) {
    std::mt19937 random(11);
    for (int slot = 0; slot < 24; ++slot) {
        const auto language = static_cast<Language>(slot / 6);
        const ElementSize size =
            language == Language::DataStr ? ElementSize::Byte : elementSizeOf(static_cast<StyleColumn>(slot % 6));
        for (ByteOrder order : kBothOrders) {
            for (std::uint8_t perLine : std::initializer_list<std::uint8_t>{1, 4}) {
                std::vector<std::uint8_t> bytes(byteCount(size) * (3u * perLine + 2));
                for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
                TableLayout layout = layoutOf(language, size, perLine, order);
                layout.tableSize = static_cast<std::uint32_t>(bytes.size());
                const OutputStyle& style = *styleTable[static_cast<std::size_t>(slot)];
                const std::string whole = test::referenceRender(layout, style, bytes);
                const std::vector<std::uint32_t> wholeProgress = renderInPieces(layout, style, bytes, {}).progress;
                for (std::uint32_t cut = 1; cut < printedCount(layout); ++cut) {
                    const PieceRun run = renderInPieces(layout, style, bytes, {cut});
                    ASSERT_EQ(run.outcome, WalkOutcome::Complete);
                    ASSERT_EQ(run.text, whole) << "slot " << slot << " N " << int{perLine} << " big-endian "
                                               << layout.bigEndian << " cut at " << cut;
                    ASSERT_EQ(run.progress, wholeProgress) << "slot " << slot << " cut at " << cut;
                }
            }
        }
    }
}

TEST(TableWalk, PieceThatCannotBeReadIsAFailure) {
    const std::vector<std::uint8_t> bytes(100, 0x33);
    for (ByteOrder order : kBothOrders) {
        TableLayout layout = layoutOf(Language::DataStr, ElementSize::Byte, 8, order);
        layout.tableSize = 100;
        // The source ends at byte 60: in the forward walk's second piece, the reversed walk's first.
        const PieceRun run = renderInPieces(layout, styleRow(Language::DataStr, StyleColumn::ByteHex), bytes, {50}, 60);
        EXPECT_EQ(run.outcome, WalkOutcome::ReadFailed) << layout.bigEndian;
    }
}

// A piece of elementsPerPiece() elements holds whole lines and fits the
// capacity it was sized for, even where every value prints at its longest.
TEST(TableWalk, PiecesSizedForACapacityFitIt) {
    constexpr std::size_t kCapacity = 2000;
    for (int slot = 0; slot < 24; ++slot) {
        const auto language = static_cast<Language>(slot / 6);
        const ElementSize size =
            language == Language::DataStr ? ElementSize::Byte : elementSizeOf(static_cast<StyleColumn>(slot % 6));
        for (std::uint8_t perLine : std::initializer_list<std::uint8_t>{1, 7, 255}) {
            TableLayout layout = layoutOf(language, size, perLine);
            const OutputStyle& style = *styleTable[static_cast<std::size_t>(slot)];
            layout.tableSize = 1 << 14;
            const std::uint32_t elements = elementsPerPiece(layout, style, kCapacity);
            ASSERT_GT(elements, 0u) << slot;
            if (perLine < 100) {
                EXPECT_EQ(elements % perLine, 0u) << slot;  // a line fits, so the piece holds whole ones
            }
            layout.tableSize = elements * byteCount(size);
            const std::vector<std::uint8_t> widest(layout.tableSize, 0xC8);  // 200: three digits, and wide words
            std::vector<char> storage(kCapacity);
            PieceBuffer buffer(storage.data(), storage.size());
            MemorySource source(widest);
            RecordingProgress progress;
            EXPECT_EQ(render(layout, style, source, buffer, progress, {0, elements}), WalkOutcome::Complete) << slot;
        }
    }
}

TEST(TableWalk, StyleWithAnUnprintableFormatIsRefused) {
    OutputStyle style = *styleTable[0];
    style.elementFormat = "%s";
    std::vector<char> storage(256, '\0');
    OutputBuffer buffer(storage.data(), storage.size());
    MemorySource source({1, 2});
    RecordingProgress progress;
    EXPECT_EQ(renderForward(layoutOf(Language::C, ElementSize::Byte, 8), style, source, buffer, progress),
              WalkOutcome::InvalidStyle);
    EXPECT_EQ(buffer.text(), "");
}

}  // namespace
}  // namespace zemrik
