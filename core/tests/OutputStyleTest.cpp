#include <gtest/gtest.h>

#include <cstring>

#include "core/Format.h"
#include "core/OutputStyle.h"

namespace zemrik {
namespace {

TEST(StyleColumn, DerivedFromElementSizeAndNotation) {
    struct Case {
        ElementSize size;
        Notation notation;
        StyleColumn column;
    };
    const Case cases[] = {
        {ElementSize::Byte, Notation::Hex, StyleColumn::ByteHex},
        {ElementSize::Byte, Notation::Decimal, StyleColumn::ByteDec},
        {ElementSize::Word, Notation::Hex, StyleColumn::WordHex},
        {ElementSize::Word, Notation::Decimal, StyleColumn::WordDec},
        {ElementSize::Dword, Notation::Hex, StyleColumn::DwordHex},
        {ElementSize::Dword, Notation::Decimal, StyleColumn::DwordDec},
    };
    for (const Case& c : cases) EXPECT_EQ(styleColumn(c.size, c.notation), c.column);
}

TEST(StyleTable, DataStrPrintsHexWhateverTheColumn) {
    const OutputStyle& hex = styleRow(Language::DataStr, StyleColumn::ByteHex);
    for (int column = 0; column < kStyleColumnCount; ++column)
        EXPECT_EQ(&styleRow(Language::DataStr, static_cast<StyleColumn>(column)), &hex);
    EXPECT_STREQ(hex.elementFormat, "%02lX");
    EXPECT_STREQ(hex.lastFormat, "%02X");
    EXPECT_STREQ(hex.separator, "");
    EXPECT_STREQ(hex.headerFormat, "");
    EXPECT_STREQ(hex.lineBreak, "\r\n");
}

TEST(StyleTable, OtherLanguagesHaveEighteenDistinctRows) {
    for (int a = 0; a < 18; ++a)
        for (int b = a + 1; b < 18; ++b) EXPECT_NE(styleTable[a], styleTable[b]) << a << " " << b;
}

TEST(StyleTable, RowsAsPrinted) {
    struct Case {
        int slot;
        int countAdjust, elementWidth, lineBreakWidth;
        const char *element, *header, *lineBreak, *last;
    };
    const Case cases[] = {
        {0, 0, 6, 3, "0x%02lX", "static unsigned char table[%d] = {\r\n\t", "\r\n\t", "0x%02lX };"},
        {5, 0, 12, 3, "%10lu", "static unsigned long table[%d] = {\r\n\t", "\r\n\t", "%10lu };"},
        {6, 0, 6, 6, "%03lXh", "table\tdb ", "\r\n\tdb ", "%03lXh"},
        {9, 0, 7, 6, "%5lu", "table\tdw ", "\r\n\tdw ", "%5lu"},
        {10, 0, 12, 6, "%09lXh", "table\tdd ", "\r\n\tdd ", "%09lXh"},
        {13, -1, 4, 3, "%2lu", "CONST table : array[0..%d] of byte = (\r\n\t", "\r\n\t", "%2lu);"},
        {14, -1, 7, 3, "$%04lX", "CONST table : array[0..%d] of WORD = (\r\n\t", "\r\n\t", "$%04lX);"},
        {16, -1, 11, 3, "$%08lX", "CONST table : array[0..%d] of longint = (\r\n\t", "\r\n\t", "$%08lX);"},
    };
    for (const Case& c : cases) {
        const OutputStyle& row = *styleTable[c.slot];
        EXPECT_EQ(row.countAdjust, c.countAdjust) << c.slot;
        EXPECT_EQ(row.elementWidth, c.elementWidth) << c.slot;
        EXPECT_EQ(row.lineBreakWidth, c.lineBreakWidth) << c.slot;
        EXPECT_STREQ(row.elementFormat, c.element) << c.slot;
        EXPECT_STREQ(row.headerFormat, c.header) << c.slot;
        EXPECT_STREQ(row.lineBreak, c.lineBreak) << c.slot;
        EXPECT_STREQ(row.lastFormat, c.last) << c.slot;
    }
}

std::uint32_t largestValue(int column) {
    const int size = column < 2 ? 1 : column < 4 ? 2 : 4;
    return size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
}

// The append cursor relies on these: a nominal width never above what is
// printed, and a line-break width equal to the break's length.
TEST(StyleTable, WidthsNeverExceedWhatIsPrinted) {
    for (int slot = 0; slot < 24; ++slot) {
        const OutputStyle& row = *styleTable[slot];
        EXPECT_EQ(static_cast<std::size_t>(row.lineBreakWidth), std::strlen(row.lineBreak)) << slot;
        const auto element = CompiledFormat::compile(std::string(row.elementFormat) + row.separator);
        ASSERT_TRUE(element) << slot;
        const std::uint32_t values[] = {0, 1, 9, 99, 100, largestValue(slot % 6)};
        for (std::uint32_t value : values)
            EXPECT_GE(element->format(value).size(), static_cast<std::size_t>(row.elementWidth)) << slot;
    }
}

TEST(StyleTable, EdgeValuesFromTheTable) {
    EXPECT_EQ(CompiledFormat::compile(styleTable[13]->elementFormat)->format(200), "200");
    EXPECT_EQ(CompiledFormat::compile(styleTable[1]->elementFormat)->format(7), "  7");
    EXPECT_EQ(CompiledFormat::compile(styleTable[8]->elementFormat)->format(0xFFFF), "0FFFFh");
    EXPECT_EQ(CompiledFormat::compile(styleTable[6]->elementFormat)->format(255), "0FFh");
}

}  // namespace
}  // namespace zemrik
