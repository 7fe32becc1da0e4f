// The string-literal form: each language's escapes at their traps, and
// pieces joined equal the whole table.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/PieceBuffer.h"
#include "forms/StringLiteral.h"

namespace zemrik::forms {
namespace {

std::string printed(std::string_view language, const std::vector<std::uint8_t>& bytes, std::uint32_t perLine) {
    const StringLiteralOptions options{.tableSize = static_cast<std::uint32_t>(bytes.size()),
                                       .bytesPerLine = perLine,
                                       .declaration = {.lineBreaks = typed::LineBreaks::Lf}};
    return StringLiteralTable(*typed::findLanguageRow(language), options).print(bytes);
}

// NUL, a short octal escape before an octal digit and before an 8, a quote, a
// backslash, two question marks, a high byte, a blank, CR LF and a lone CR.
const std::vector<std::uint8_t> kTraps = {0, '7', 1, '8', '"', '\\', '?', '?', '=', 0xFF, ' ', '\r', '\n', '\r'};

TEST(StringLiteral, EachLanguageEscapesItsTraps) {
    const struct {
        std::string_view language;
        std::string_view text;
    } cases[] = {
        {"c",
         "static unsigned char table[] = \"\\\n\\0007\\18\\\"\\\\\\?\\?=\\377\\\n \\r\\n\\r\";\n"
         "static const unsigned int table_len = 14;"},
        {"gas", "table:\n\t.ascii \"\\0007\\0018\\\"\\\\?\?=\\377\"\n\t.ascii \" \\r\\n\\r\""},
        {"asm", "table\tdb `\\x007\\x018\"\\\\?\?=\\xFF`\n\tdb ` \\r\\n\\r`"},
        {"rust", "static TABLE: [u8; 14] = *b\"\\\n    \\x007\\x018\\\"\\\\?\?=\\xFF\\\n    \\x20\\r\\n\\r\";"},
        {"go", "var table = []byte(\n\t(\"\\x007\\x018\\\"\\\\?\?=\\xFF\" +\n\t\" \\r\\n\\r\"))"},
        {"python", "table = (\n    b\"\\x007\\x018\\\"\\\\?\?=\\xFF\"\n    b\" \\r\\n\\r\"\n)"},
    };
    for (const auto& [language, text] : cases) {
        EXPECT_EQ(printed(language, kTraps, 10), text) << language;
    }
}

// Go's lines are joined in balanced groups: five lines nest three deep.
TEST(StringLiteral, GoGroupsItsLinesInHalves) {
    EXPECT_EQ(printed("go", {'a', 'b', 'c', 'd', 'e'}, 1),
              "var table = []byte(\n\t((\"a\" +\n\t\"b\") +\n\t(\"c\" +\n\t(\"d\" +\n\t\"e\"))))");
}

// A line that ends its literal ends its escapes too; C's literal goes on over
// the line's end, where a short escape would take in the next line's digit.
TEST(StringLiteral, AnEscapeAtALinesEndLooksAheadOnlyWhereTheLiteralGoesOn) {
    EXPECT_EQ(printed("gas", {1, '7'}, 1), "table:\n\t.ascii \"\\1\"\n\t.ascii \"7\"");
    EXPECT_EQ(printed("c", {1, '7'}, 1),
              "static unsigned char table[] = \"\\\n\\001\\\n7\";\nstatic const unsigned int table_len = 2;");
}

TEST(StringLiteral, PiecesJoinedEqualTheWhole) {
    std::mt19937 random(5);
    for (std::string_view language : {"c", "asm", "rust", "go", "python", "gas"}) {
        std::vector<std::uint8_t> bytes(301);
        // Mostly octal digits and low bytes: the lookahead's cases.
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() % 2 ? '0' + random() % 10 : random() % 4);
        const auto perLine = static_cast<std::uint32_t>(1 + random() % 40);
        const StringLiteralTable table(*typed::findLanguageRow(language), {.tableSize = 301, .bytesPerLine = perLine});
        std::string joined;
        for (std::uint32_t first = 0; first < 301;) {
            const TablePiece piece{first, 1 + static_cast<std::uint32_t>(random() % 50)};
            const typed::ByteStretch stretch = table.stretchOf(piece);
            std::vector<char> storage(8 * 64 + 512);
            PieceBuffer buffer(storage.data(), storage.size());
            ASSERT_EQ(table.printPiece(std::span(bytes).subspan(stretch.offset, stretch.length), piece, buffer),
                      WalkOutcome::Complete);
            joined += buffer.text();
            first += piece.count;
        }
        EXPECT_EQ(joined, table.print(bytes)) << language << " " << perLine;
    }
}

// Bytes of the longest escape, in pieces of the most bytes the capacity
// allows: the first and the last piece, which hold the header and the closing,
// fit; a capacity below the header and closing holds none.
TEST(StringLiteral, PiecesOfTheirSizeFitTheirCapacity) {
    const std::vector<std::uint8_t> bytes(1000, 0xFF);
    for (std::string_view language : {"c", "asm", "rust", "go", "python", "gas"}) {
        for (const std::uint32_t perLine : {1u, 7u, 64u}) {
            const StringLiteralTable table(*typed::findLanguageRow(language),
                                           {.tableSize = 1000,
                                            .bytesPerLine = perLine,
                                            .declaration = {.countConstant = typed::CountConstant::After}});
            for (const std::size_t capacity : {std::size_t{160}, std::size_t{700}}) {
                const std::uint32_t most = table.itemsPerPiece(capacity);
                ASSERT_GT(most, 0u) << language << " " << perLine << " " << capacity;
                for (const std::uint32_t first : {0u, (1000 - 1) / most * most}) {
                    const TablePiece piece{first, std::min(most, 1000 - first)};
                    const typed::ByteStretch stretch = table.stretchOf(piece);
                    std::vector<char> storage(capacity);
                    PieceBuffer buffer(storage.data(), storage.size());
                    EXPECT_EQ(table.printPiece(std::span(bytes).subspan(stretch.offset, stretch.length), piece, buffer),
                              WalkOutcome::Complete)
                        << language << " " << perLine << " " << capacity << " " << first;
                }
            }
            EXPECT_EQ(table.itemsPerPiece(10), 0u) << language;
        }
    }
}

TEST(StringLiteral, LanguagesWithoutAByteLiteralAreRefused) {
    for (const typed::LanguageRow& row : typed::languageRows()) {
        const bool has = std::string_view("c asm rust go python gas").find(row.cliName) != std::string_view::npos;
        EXPECT_EQ(stringLiteralRefusal(row).has_value(), !has) << row.cliName;
    }
    EXPECT_EQ(stringLiteralRefusal(*typed::findLanguageRow("delphi")), "Delphi has no literal for an array of bytes");
}

}  // namespace
}  // namespace zemrik::forms
