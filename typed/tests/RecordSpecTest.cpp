// --record and --dims: every refusal with its exact reason, at and one past
// each limit, and the shapes the walk then prints.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "typed/RecordSpec.h"
#include "typed/TypedWalk.h"

namespace zemrik::typed {
namespace {

std::string fields(std::size_t count) {
    std::string text;
    for (std::size_t k = 0; k < count; ++k) text += (k == 0 ? "f" : ",f") + std::to_string(k) + ":u8";
    return text;
}

std::optional<std::string_view> reservesInt(std::string_view name) {
    return name == "int" ? std::optional<std::string_view>("C") : std::nullopt;
}

TEST(RecordSpec, RefusesEachBadSpecNamingTheSpot) {
    const struct {
        std::string text;
        std::string reason;  // empty: taken
    } cases[] = {
        {"id:u16,v:i8,s:f32[2],_:u8[3],_:u16", ""},
        {fields(64), ""},
        {fields(65), "--record field 65 \"f64:u8\": more than 64 fields"},
        {"id:u9", "--record field 1 \"id:u9\": unknown type \"u9\" (u8 u16 u32 u64 i8 i16 i32 i64 f32 f64)"},
        {"id:u16 x", "--record field 1 \"id:u16 x\": unknown type \"u16 x\" (u8 u16 u32 u64 i8 i16 i32 i64 f32 f64)"},
        {"a:u8,:u8", "--record field 2 \":u8\": empty name"},
        {"a:u8,", "--record field 2 \"\": no \":TYPE\""},
        {"a", "--record field 1 \"a\": no \":TYPE\""},
        {"1a:u8", "--record field 1 \"1a:u8\": the name \"1a\" is not a letter or _ followed by letters, digits or _"},
        {"a:u8,b:u8,a:u16", "--record field 3 \"a:u16\": the name \"a\" is taken by an earlier field"},
        {"a:u8,int:u8", "--record field 2 \"int:u8\": \"int\" is a word C reserves"},
        {"a:u8[0]", "--record field 1 \"a:u8[0]\": the count 0 is not from 1 to 4294967295"},
        {"a:u8[4294967295]", ""},
        {"a:u8[4294967296]", "--record field 1 \"a:u8[4294967296]\": the count 4294967296 is not from 1 to 4294967295"},
        {"a:u8[]", "--record field 1 \"a:u8[]\": the count \"\" is not a whole number below 2^32"},
        {"a:u8[2]x", "--record field 1 \"a:u8[2]x\": text after the count's \"]\""},
        {"_:u8,_:u16", "--record: every field is padding (\"_\")"},
    };
    for (const auto& [text, reason] : cases) {
        const auto spec = parseRecordSpec(text, reservesInt);
        EXPECT_EQ(spec ? std::string() : spec.error(), reason) << text;
    }
}

TEST(RecordSpec, RefusesDimsAndShapesThatDoNotFitTheTable) {
    EXPECT_EQ(parseDims("8x256"), (std::vector<std::uint32_t>{8, 256}));
    EXPECT_EQ(parseDims("2X3x4"), (std::vector<std::uint32_t>{2, 3, 4}));
    EXPECT_EQ(parseDims("8").error(), "--dims \"8\": at least two extents, AxB");
    EXPECT_EQ(parseDims("8x0").error(), "--dims extent 2 \"0\": not from 1 to 4294967295");
    EXPECT_EQ(parseDims("8xx2").error(), "--dims extent 2 \"\": not a whole number below 2^32");
    EXPECT_EQ(parseDims("8x2 ").error(), "--dims extent 2 \"2 \": not a whole number below 2^32");

    const RecordSpec record = *parseRecordSpec("a:u16,_:u8,b:u8");  // 4 bytes
    const std::vector<std::uint32_t> none;
    EXPECT_TRUE(checkShape(record, none, ElementType::U8, 4));
    EXPECT_EQ(checkShape(record, none, ElementType::U8, 3).error(),
              "--record: a record of 4 bytes is larger than the table's 3");
    EXPECT_EQ(checkShape(record, none, ElementType::U8, 10).error(),
              "the table's 10 bytes are not divisible into records of 4 bytes");
    EXPECT_EQ(checkShape(std::nullopt, none, ElementType::U32, 10).error(),
              "the table's 10 bytes are not divisible into elements of 4 bytes");
    EXPECT_TRUE(checkShape(record, {2, 3}, ElementType::U8, 24));
    EXPECT_EQ(checkShape(record, {2, 3}, ElementType::U8, 28).error(),
              "--dims: the extents' product 6 is not the table's 7 records");
    EXPECT_EQ(checkShape(std::nullopt, {4294967295u, 4294967295u, 2}, ElementType::U8, 8).error(),
              "--dims: the extents' product exceeds the table's 8 elements");

    TypedOptions options;
    options.tableSize = 4;
    options.record = &record;
    EXPECT_TRUE(checkTypedOptions(*findLanguageRow("c"), options));
    EXPECT_EQ(checkTypedOptions(*findLanguageRow("datastr"), options).error(),
              "Data Str prints the table's bytes as one string: it takes neither --record nor --dims");
}

// -n counts records, and innermost items with --dims; big-endian reads every field.
TEST(RecordSpec, PrintsRecordsAndDimensionsInTheRowsForms) {
    const std::vector<std::uint8_t> bytes = {0x12, 0x34, 0xEE, 0xFF, 0xBF, 0x80, 0x00, 0x00,
                                             0x00, 0x01, 0xEE, 0x7F, 0x3F, 0x80, 0x00, 0x00};
    const RecordSpec record = *parseRecordSpec("id:u16,_:u8,v:i8,s:f32");
    TypedOptions options;
    options.tableSize = 16;
    options.order = ByteOrder::BigEndian;
    options.record = &record;
    options.itemsPerLine = 1;
    options.declaration.naming = TypeNaming::Fixed;
    options.declaration.lineBreaks = LineBreaks::Lf;
    EXPECT_EQ(TypedTable(*findLanguageRow("c"), options).print(bytes),
              "typedef struct {\n\tuint16_t id;\n\tint8_t v;\n\tfloat s;\n} table_record;\n"
              "static table_record table[2] = {\n\t{ 0x1234, -0x01, -1.0f },\n\t{ 0x0001, 0x7F, 1.0f } };");
    EXPECT_EQ(TypedTable(*findLanguageRow("gas"), options).print(bytes),
              ".macro table_record a1, a2, a3\n\t.short \\a1\n\t.byte \\a2\n\t.long \\a3\n.endm\n"
              "table:\n\ttable_record 0x1234, -0x01, 0xBF800000\n\ttable_record 0x0001, 0x7F, 0x3F800000");
    EXPECT_EQ(TypedTable(*findLanguageRow("python"), options).print(bytes),
              "table_fields = ('id', 'v', 's',)\ntable = [\n    (0x1234, -0x01, -1.0,),\n    (0x0001, 0x7F, 1.0,),\n]");
    options.record = nullptr;
    options.type = ElementType::U16;
    options.notation = Notation::Decimal;
    options.itemsPerLine = 3;
    const std::uint32_t dims[] = {2, 2, 2};
    options.dims = dims;
    EXPECT_EQ(TypedTable(*findLanguageRow("rust"), options).print(bytes),
              "static TABLE: [[[u16; 2]; 2]; 2] = [\n    [[ 4660, 61183],\n"
              "    [49024,     0]],\n    [[    1, 61055],\n    [16256,     0]],\n];");
    EXPECT_EQ(TypedTable(*findLanguageRow("delphi"), options).print(bytes),
              "CONST table : array[0..1, 0..1, 0..1] of Word = (\n\t(( 4660, 61183),\n"
              "\t(49024,     0)),\n\t((    1, 61055),\n\t(16256,     0)));");
    // A run longer than a line breaks every -n items from its start, and after its close.
    options.itemsPerLine = 3;
    const std::uint32_t flat[] = {2, 4};
    options.dims = flat;
    EXPECT_EQ(TypedTable(*findLanguageRow("java"), options).print(bytes),
              "static final short[][] TABLE = {\n    {  4660,  -4353, -16512,\n         0},\n"
              "    {     1,  -4481,  16256,\n         0},\n};");
    // JavaScript: objects typed by a JSDoc typedef, their scalar floats the
    // float's own value as a double; the innermost dimension a typed array.
    options.record = &record;
    options.itemsPerLine = 2;
    options.notation = Notation::Hex;
    const std::uint32_t records[] = {1, 2};
    options.dims = records;
    EXPECT_EQ(TypedTable(*findLanguageRow("javascript"), options).print(bytes),
              "/** @typedef {{id: number, v: number, s: number}} table_record */\nconst table = [\n"
              "    [{ id: 0x1234, v: -0x01, s: -1.0 }, { id: 0x0001, v: 0x7F, s: 1.0 }],\n];");
    EXPECT_EQ(TypedTable(*findLanguageRow("java"), options).print(bytes),
              "record TABLERecord(short id, byte v, float s) {}\nstatic final TABLERecord[][] TABLE = {\n"
              "    {new TABLERecord((short)0x1234, (byte)-0x01, -1.0f), new TABLERecord((short)0x0001, (byte)0x7F, "
              "1.0f)},\n};");
}

}  // namespace
}  // namespace zemrik::typed
