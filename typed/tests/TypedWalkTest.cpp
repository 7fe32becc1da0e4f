// The typed walk: the dialog's options print byte for byte what the dialog's
// walks print from its style table, and pieces joined equal the whole table.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/PieceBuffer.h"
#include "core/TableWalk.h"
#include "core/tests/TestSupport.h"
#include "typed/TypedWalk.h"

namespace zemrik::typed {
namespace {

std::vector<std::uint8_t> randomBytes(std::size_t size, std::mt19937& random) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
    // The edges of every width: all ones and the sign bit alone.
    if (size >= 8) {
        bytes[0] = 0xFF;
        bytes[size - 1] = 0x80;
    }
    return bytes;
}

// What the dialog prints for the layout, through its own walk and row.
std::string dialogText(const TableLayout& layout, Notation notation, const std::vector<std::uint8_t>& bytes) {
    const OutputStyle& style = styleRow(layout.language, styleColumn(layout.elementSize, notation));
    test::MemorySource source(bytes);
    std::vector<char> storage(bytes.size() * 16 + 256);
    PieceBuffer buffer(storage.data(), storage.size());
    test::RecordingProgress progress;
    const WalkOutcome outcome = render(layout, style, source, buffer, progress, {0, printedCount(layout)});
    EXPECT_EQ(outcome, WalkOutcome::Complete);
    return std::string(buffer.text());
}

TEST(TypedWalk, TheDialogsOptionsPrintWhatTheDialogsStyleTablePrints) {
    std::mt19937 random(17);
    const Language languages[] = {Language::C, Language::Asm, Language::Delphi, Language::DataStr};
    const ElementSize sizes[] = {ElementSize::Byte, ElementSize::Word, ElementSize::Dword};
    for (const Language language : languages) {
        const LanguageRow& row = languageRows()[static_cast<std::size_t>(language)];
        for (const ElementSize size : sizes) {
            // Data Str's request always reads bytes.
            const ElementSize read = language == Language::DataStr ? ElementSize::Byte : size;
            for (const Notation notation : {Notation::Hex, Notation::Decimal}) {
                for (const ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
                    for (const std::uint8_t perLine : std::initializer_list<std::uint8_t>{1, 2, 3, 8, 255}) {
                        for (const std::uint32_t count : {1u, 2u, 3u, 7u, 16u, 17u}) {
                            const std::uint32_t tableSize = count * byteCount(read);
                            const std::vector<std::uint8_t> bytes = randomBytes(tableSize, random);
                            TableLayout layout;
                            layout.tableSize = tableSize;
                            layout.elementSize = read;
                            layout.language = language;
                            layout.itemsPerLine = perLine;
                            layout.bigEndian = order == ByteOrder::BigEndian;
                            TypedOptions options;
                            options.type = unsignedOfSize(read);
                            options.notation = notation;
                            options.order = order;
                            options.tableSize = tableSize;
                            options.itemsPerLine = perLine;
                            ASSERT_EQ(TypedTable(row, options).print(bytes), dialogText(layout, notation, bytes))
                                << row.cliName << " size " << byteCount(size) << " dec "
                                << (notation == Notation::Decimal) << " be " << layout.bigEndian << " per line "
                                << int{perLine} << " count " << count;
                        }
                    }
                }
            }
        }
    }
}

std::string joinedPieces(const TypedTable& table, const std::vector<std::uint8_t>& bytes, std::mt19937& random) {
    std::string joined;
    std::vector<char> storage(1 << 16);
    for (std::uint32_t first = 0; first < table.printedCount();) {
        const TablePiece piece{first, 1 + static_cast<std::uint32_t>(random() % 11)};
        const ByteStretch stretch = table.stretchOf(piece);
        PieceBuffer buffer(storage.data(), storage.size());
        EXPECT_EQ(table.printPiece(std::span(bytes).subspan(stretch.offset, stretch.length), piece, buffer),
                  WalkOutcome::Complete);
        joined += buffer.text();
        first += piece.count;
    }
    return joined;
}

TEST(TypedWalk, PiecesJoinedEqualTheWholeTableInEveryLanguageAndType) {
    std::mt19937 random(23);
    for (const LanguageRow& row : languageRows()) {
        for (std::size_t type = 0; type < kElementTypeCount; ++type) {
            for (const ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
                TypedOptions options;
                options.type = static_cast<ElementType>(type);
                options.order = order;
                options.notation = random() % 2 != 0 ? Notation::Decimal : Notation::Hex;
                options.itemsPerLine = static_cast<std::uint8_t>(1 + random() % 9);
                options.declaration.countConstant = CountConstant::After;
                options.tableSize = static_cast<std::uint32_t>((1 + random() % 40) * 8);
                const std::vector<std::uint8_t> bytes = randomBytes(options.tableSize, random);
                const TypedTable table(row, options);
                ASSERT_EQ(joinedPieces(table, bytes, random), table.print(bytes))
                    << row.cliName << " " << typeName(options.type);
            }
        }
    }
}

TEST(TypedWalk, RecordAndDimensionPiecesJoinedEqualTheWholeTable) {
    std::mt19937 random(29);
    const RecordSpec record = *parseRecordSpec("a:u16,_:u8[3],b:i8[3],c:f64,d:u32[2]");  // 24 bytes
    const std::uint32_t dims[] = {3, 2, 4};
    for (const LanguageRow& row : languageRows()) {
        if (!row.shapeRefusal.empty()) continue;
        for (const bool records : {false, true}) {
            TypedOptions options;
            options.type = ElementType::I16;
            options.order = random() % 2 != 0 ? ByteOrder::BigEndian : ByteOrder::LittleEndian;
            options.itemsPerLine = static_cast<std::uint8_t>(1 + random() % 9);
            options.declaration.countConstant = CountConstant::After;
            options.record = records ? &record : nullptr;
            options.dims = dims;
            options.tableSize = 24 * (records ? 24 : 2);
            ASSERT_TRUE(checkTypedOptions(row, options));
            const std::vector<std::uint8_t> bytes = randomBytes(options.tableSize, random);
            const TypedTable table(row, options);
            ASSERT_EQ(joinedPieces(table, bytes, random), table.print(bytes)) << row.cliName << " " << records;
        }
    }
}

// A long 16-bit table prints each element from a precomputed text: every
// value's text must be its literal's.
TEST(TypedWalk, ALong16BitTablePrintsEveryValuesLiteral) {
    const LanguageRow& row = *findLanguageRow("c");
    for (const auto& [type, notation] :
         {std::pair{ElementType::I16, Notation::Decimal}, std::pair{ElementType::U16, Notation::Hex}}) {
        std::vector<std::uint8_t> bytes;
        std::string expected = type == ElementType::I16 ? "static short table[65536] = {\r\n\t"
                                                        : "static unsigned short table[65536] = {\r\n\t";
        for (std::uint32_t value = 0; value < 65536; ++value) {
            bytes.push_back(static_cast<std::uint8_t>(value >> 8));  // big-endian
            bytes.push_back(static_cast<std::uint8_t>(value));
            // The dialog's words keep its blank before a line break; the typed ones don't.
            if (value != 0) expected += type == ElementType::I16 ? ",\r\n\t" : ", \r\n\t";
            appendLiteral(expected, row.literals, type, notation, value);
        }
        expected += " };";
        TypedOptions options;
        options.type = type;
        options.notation = notation;
        options.order = ByteOrder::BigEndian;
        options.tableSize = static_cast<std::uint32_t>(bytes.size());
        EXPECT_EQ(TypedTable(row, options).print(bytes), expected) << typeName(type);
    }
}

TEST(TypedWalk, DeclaresEachTypeWithTheRowsNamesAndOptions) {
    const std::vector<std::uint8_t> bytes = {0x00, 0x00, 0x80, 0xBF, 0x00, 0x00, 0xC0, 0x7F};
    TypedOptions options;
    options.type = ElementType::F32;
    options.tableSize = 8;
    options.itemsPerLine = 8;
    options.declaration.name = "sines";
    options.declaration.readOnly = ReadOnly::Const;
    options.declaration.naming = TypeNaming::Fixed;
    options.declaration.countConstant = CountConstant::After;
    options.declaration.lineBreaks = LineBreaks::Lf;
    EXPECT_EQ(TypedTable(*findLanguageRow("c"), options).print(bytes),
              "static const float sines[2] = {\n\t-1.0f, NAN };\nstatic const unsigned int sines_len = 2;");
    EXPECT_EQ(TypedTable(*findLanguageRow("delphi"), options).print(bytes),
              "CONST sines : array[0..1] of Single = (\n\t-1.0, NaN);\nCONST sines_len = 2;");
    options.type = ElementType::I16;
    options.itemsPerLine = 2;
    options.notation = Notation::Decimal;
    EXPECT_EQ(TypedTable(*findLanguageRow("gas"), options).print(bytes),
              "sines:\n\t.short      0, -16512\n\t.short      0,  32704\n\t.set sines_len, 4");
    EXPECT_EQ(
        TypedTable(*findLanguageRow("rust"), options).print(bytes),
        "#[allow(non_upper_case_globals)]\nstatic sines: [i16; 4] = [\n         0, -16512,\n         0,  32704,\n];"
        "\n#[allow(non_upper_case_globals)]\nconst sines_LEN: usize = 4;");
}

// Names out of Rust's naming style take the attribute that keeps rustc quiet;
// names in it, and every name in the languages without such lints, none.
TEST(TypedWalk, NamesOutOfTheLanguagesStyleTakeItsAllowance) {
    const LanguageRow& rust = *findLanguageRow("rust");
    const std::string_view constant = "#[allow(non_upper_case_globals)]\r\n";
    const std::string_view type = "#[allow(non_camel_case_types)]\r\n";
    const std::string_view field = "#[allow(non_snake_case)]\r\n";
    const struct {
        std::string_view (*allowance)(const LanguageRow&, std::string_view);
        std::string_view name;
        std::string_view expected;
    } cases[] = {
        {valueNameAllowance, "TABLE_2", ""},
        {valueNameAllowance, "crc32_table", constant},
        {valueNameAllowance, "Crc", constant},
        {typeNameAllowance, "TABLERecord", ""},
        {typeNameAllowance, "_Op_", ""},
        {typeNameAllowance, "op", type},
        {typeNameAllowance, "Op_Code", type},
        {fieldNameAllowance, "type_", ""},
        {fieldNameAllowance, "__", ""},
        {fieldNameAllowance, "hashCode", field},
        {fieldNameAllowance, "outer__inner", field},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(test.allowance(rust, test.name), test.expected) << test.name;
        EXPECT_EQ(test.allowance(*findLanguageRow("go"), test.name), "") << test.name;
    }
}

}  // namespace
}  // namespace zemrik::typed
