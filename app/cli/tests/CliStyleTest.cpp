#include "app/cli/CliStyle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/Format.h"
#include "core/OutputBuffer.h"
#include "core/tests/TestSupport.h"

namespace zemrik::cli {
namespace {

constexpr CliLanguage kAllLanguages[] = {CliLanguage::C,       CliLanguage::Asm,    CliLanguage::Delphi,
                                         CliLanguage::DataStr, CliLanguage::Rust,   CliLanguage::Go,
                                         CliLanguage::Python,  CliLanguage::CSharp, CliLanguage::Gas};
constexpr CliLanguage kOwnLanguages[] = {CliLanguage::Rust, CliLanguage::Go, CliLanguage::Python, CliLanguage::CSharp,
                                         CliLanguage::Gas};

StyleColumn columnAt(int index) { return static_cast<StyleColumn>(index); }

StyleChoice choice(CliLanguage language, StyleColumn column, LineEnd lineEnd = LineEnd::CrLf,
                   TypeNames types = TypeNames::Classic, std::string name = "") {
    return {language, column, lineEnd, types, std::move(name)};
}

std::uint32_t largestValue(StyleColumn column) {
    const ElementSize size = elementSizeOf(column);
    return size == ElementSize::Dword ? 0xFFFFFFFFu : (1u << (8 * byteCount(size))) - 1;
}

// What the dialog prints must not change: without options every row is the
// style table's, character for character.
TEST(CliStyle, WithoutOptionsEveryRowIsTheStyleTables) {
    for (const CliLanguage language : {CliLanguage::C, CliLanguage::Asm, CliLanguage::Delphi, CliLanguage::DataStr}) {
        for (int column = 0; column < kStyleColumnCount; ++column) {
            const CliStyle style(choice(language, columnAt(column)));
            const OutputStyle& expected = styleRow(requestLanguage(language), columnAt(column));
            const OutputStyle& row = style.row();
            const auto where = ::testing::Message() << static_cast<int>(language) << "/" << column;
            EXPECT_EQ(row.countAdjust, expected.countAdjust) << where;
            EXPECT_EQ(row.elementWidth, expected.elementWidth) << where;
            EXPECT_EQ(row.lineBreakWidth, expected.lineBreakWidth) << where;
            EXPECT_STREQ(row.separator, expected.separator) << where;
            EXPECT_STREQ(row.elementFormat, expected.elementFormat) << where;
            EXPECT_STREQ(row.headerFormat, expected.headerFormat) << where;
            EXPECT_STREQ(row.lineBreak, expected.lineBreak) << where;
            EXPECT_STREQ(row.lastFormat, expected.lastFormat) << where;
        }
    }
}

// The walk's append cursor relies on these for every row zemrik-cli can
// print, the LF rows included: a nominal width never above what is printed,
// a line-break width equal to the break's length, formats that compile.
TEST(CliStyle, EveryRowKeepsTheWalksWidthRule) {
    for (const CliLanguage language : kAllLanguages) {
        for (int column = 0; column < kStyleColumnCount; ++column) {
            for (const LineEnd lineEnd : {LineEnd::CrLf, LineEnd::Lf}) {
                const CliStyle style(
                    choice(language, columnAt(column), lineEnd, TypeNames::Fixed, std::string(64, 'N')));
                const OutputStyle& row = style.row();
                const auto where = ::testing::Message()
                                   << static_cast<int>(language) << "/" << column << "/" << static_cast<int>(lineEnd);
                EXPECT_EQ(static_cast<std::size_t>(row.lineBreakWidth), std::strlen(row.lineBreak)) << where;
                EXPECT_TRUE(CompiledFormat::compile(row.headerFormat)) << where;
                EXPECT_TRUE(CompiledFormat::compile(row.lastFormat)) << where;
                const auto element = CompiledFormat::compile(std::string(row.elementFormat) + row.separator);
                ASSERT_TRUE(element) << where;
                for (const std::uint32_t value : {0u, 1u, 9u, 99u, 100u, largestValue(columnAt(column))}) {
                    if (value > largestValue(columnAt(column))) continue;
                    EXPECT_GE(element->format(value).size(), static_cast<std::size_t>(row.elementWidth)) << where;
                }
                if (lineEnd == LineEnd::Lf) {
                    for (const char* text : {row.headerFormat, row.lineBreak, row.lastFormat, row.separator}) {
                        EXPECT_EQ(std::strchr(text, '\r'), nullptr) << where;
                    }
                }
            }
        }
    }
}

struct HeaderCase {
    CliLanguage language;
    StyleColumn column;
    TypeNames types;
    const char* name;
    const char* header;
};

TEST(CliStyle, HeadersTakeTheNameAndTheTypes) {
    const HeaderCase cases[] = {
        {CliLanguage::C, StyleColumn::ByteHex, TypeNames::Fixed, "", "static uint8_t table[%d] = {\r\n\t"},
        {CliLanguage::C, StyleColumn::WordDec, TypeNames::Fixed, "crc", "static uint16_t crc[%d] = {\r\n\t"},
        {CliLanguage::C, StyleColumn::DwordHex, TypeNames::Fixed, "", "static uint32_t table[%d] = {\r\n\t"},
        {CliLanguage::C, StyleColumn::DwordHex, TypeNames::Classic, "t", "static unsigned long t[%d] = {\r\n\t"},
        {CliLanguage::Asm, StyleColumn::WordHex, TypeNames::Fixed, "crc", "crc\tdw "},
        {CliLanguage::Delphi, StyleColumn::ByteDec, TypeNames::Fixed, "",
         "CONST table : array[0..%d] of Byte = (\r\n\t"},
        {CliLanguage::Delphi, StyleColumn::WordHex, TypeNames::Fixed, "",
         "CONST table : array[0..%d] of Word = (\r\n\t"},
        {CliLanguage::Delphi, StyleColumn::DwordDec, TypeNames::Fixed, "crc",
         "CONST crc : array[0..%d] of LongWord = (\r\n\t"},
        {CliLanguage::DataStr, StyleColumn::ByteHex, TypeNames::Fixed, "crc", ""},
        {CliLanguage::Rust, StyleColumn::ByteHex, TypeNames::Classic, "", "static TABLE: [u8; %d] = [\r\n   "},
        {CliLanguage::Rust, StyleColumn::DwordDec, TypeNames::Fixed, "CRC", "static CRC: [u32; %d] = [\r\n   "},
        {CliLanguage::Go, StyleColumn::WordHex, TypeNames::Classic, "crc", "var crc = [%d]uint16{\r\n\t"},
        {CliLanguage::Python, StyleColumn::DwordHex, TypeNames::Classic, "crc", "crc = [\r\n   "},
        {CliLanguage::CSharp, StyleColumn::DwordHex, TypeNames::Classic, "crc",
         "static readonly uint[] crc = {\r\n   "},
        // Only the name itself is replaced, never a word that merely contains it.
        {CliLanguage::C, StyleColumn::ByteHex, TypeNames::Classic, "table_table",
         "static unsigned char table_table[%d] = {\r\n\t"},
    };
    for (const HeaderCase& c : cases) {
        const CliStyle style(choice(c.language, c.column, LineEnd::CrLf, c.types, c.name));
        EXPECT_STREQ(style.row().headerFormat, c.header);
    }
}

TEST(CliStyle, LineFeedsReplaceEveryCrLf) {
    const CliStyle rust(choice(CliLanguage::Rust, StyleColumn::ByteHex, LineEnd::Lf));
    EXPECT_STREQ(rust.row().headerFormat, "static TABLE: [u8; %d] = [\n   ");
    EXPECT_STREQ(rust.row().lineBreak, "\n   ");
    EXPECT_EQ(rust.row().lineBreakWidth, 4);
    EXPECT_STREQ(rust.row().lastFormat, " 0x%02lX,\n];");
    const CliStyle dataStr(choice(CliLanguage::DataStr, StyleColumn::ByteDec, LineEnd::Lf));
    EXPECT_STREQ(dataStr.row().lineBreak, "\n");
    EXPECT_EQ(dataStr.row().lineBreakWidth, 1);
}

// The command line's own rows go through the same walk as the dialog's and
// print exactly what snprintf prints for them, in every column, both byte
// orders, with and without LF.
TEST(CliStyle, OwnRowsWalkExactlyAsPrintfPrints) {
    std::mt19937 random(20261208);
    std::vector<std::uint8_t> bytes(4 * 97);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    bytes[0] = bytes[1] = bytes[2] = bytes[3] = 0xFF;  // the largest value of every size
    for (const CliLanguage language : kOwnLanguages) {
        for (int column = 0; column < kStyleColumnCount; ++column) {
            for (const LineEnd lineEnd : {LineEnd::CrLf, LineEnd::Lf}) {
                for (const bool bigEndian : {false, true}) {
                    const CliStyle style(choice(language, columnAt(column), lineEnd));
                    TableLayout layout;
                    layout.tableSize = static_cast<std::uint32_t>(bytes.size());
                    layout.elementSize = elementSizeOf(columnAt(column));
                    layout.language = requestLanguage(language);
                    layout.itemsPerLine = 7;
                    layout.bigEndian = bigEndian;
                    std::vector<char> storage(16, '\0');
                    test::MemorySource source(bytes);
                    test::RecordingProgress progress;
                    struct Growth : BufferGrowth {
                        std::vector<char>& storage;
                        explicit Growth(std::vector<char>& s) : storage(s) {}
                        char* grow(std::size_t capacity) override {
                            storage.resize(capacity, '\0');
                            return storage.data();
                        }
                    } growth(storage);
                    OutputBuffer buffer(storage.data(), storage.size(), &growth);
                    ASSERT_EQ(renderForward(layout, style.row(), source, buffer, progress), WalkOutcome::Complete);
                    EXPECT_EQ(buffer.text(), test::referenceRender(layout, style.row(), bytes))
                        << static_cast<int>(language) << "/" << column;
                }
            }
        }
    }
}

}  // namespace
}  // namespace zemrik::cli
