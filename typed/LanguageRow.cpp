#include "typed/LanguageRow.h"

#include <utility>

namespace zemrik::typed {
namespace {

using Widths = std::array<std::uint8_t, kElementTypeCount>;
using Names = std::array<std::string_view, kElementTypeCount>;

// Decimal field widths, u8 to i64: the dialog's for bytes, words and dwords
// (the largest value's digits), the rest alike; floats unpadded.
constexpr Widths kDecimalWidths = {3, 5, 10, 20, 4, 6, 11, 20, 0, 0};
// Delphi's bytes print at two places in the dialog.
constexpr Widths kDelphiDecimalWidths = {2, 5, 10, 20, 4, 6, 11, 20, 0, 0};

// Languages whose minimum literal needs the (-MAX - 1) form from 32 bits on:
// 0x80000000 and 2147483648 are no int there.
constexpr std::uint32_t kFromDword = 4;

// The literal forms most rows share: 0x hex, the dialog's decimal widths,
// floats as shortest decimals with these spellings.
constexpr LiteralForms zeroXLiterals(FloatSpellings f32, FloatSpellings f64) {
    return {.hex = {"0x", "", 0}, .decimalWidth = kDecimalWidths, .floats = {f32, f64}};
}

constexpr LiteralForms withMinimumAsExpression(LiteralForms forms) {
    forms.minimumAsExpressionFrom = kFromDword;
    return forms;
}

// What a declaring language writes around its elements (see LanguageRow).
struct Declaration {
    std::string_view cliName;
    std::string_view header;
    std::string_view closing;
    std::string_view lengthLine;
    std::string_view defaultName;
};

// A declaring language's row, to be given its layout; `fixedTypes` are
// --fixed-types' names.
constexpr LanguageRow declaring(const Declaration& texts, const Names& types, const Names& fixedTypes,
                                const LiteralForms& literals) {
    LanguageRow row;
    row.cliName = texts.cliName;
    row.typeNames = types;
    row.fixedTypeNames = fixedTypes;
    row.header = texts.header;
    row.closing = texts.closing;
    row.lengthLine = texts.lengthLine;
    row.defaultName = texts.defaultName;
    row.literals = literals;
    return row;
}

// The command line's own languages, each in its usual layout: one indented
// line per row of items, a comma after every item (the last one too) and the
// closing bracket on a line of its own. Where the indent is spaces, the space
// between items goes before each item, so that no line ends in a blank.
constexpr LanguageRow indentedBySpaces(LanguageRow row) {
    row.lineBreak = "\r\n   ";
    row.separator = ",";
    row.elementPrefix = " ";
    return row;
}

constexpr LanguageRow indentedByTab(LanguageRow row) {
    row.lineBreak = "\r\n\t";
    row.separator = ", ";
    return row;
}

// The assemblers: the element type's directive starts every line, and lines
// end without the separator; floats are their bits.
constexpr LanguageRow assembler(LanguageRow row, const Names& directives, HexForm hex) {
    row.typeNames = directives;
    row.fixedTypeNames = directives;
    row.separator = ", ";
    row.closing = "";
    row.defaultName = "table";
    row.literals = {.hex = hex, .decimalWidth = kDecimalWidths, .floatForm = FloatForm::BitPattern};
    row.lineEnd = LineEndRule::DropsSeparator;
    return row;
}

constexpr FloatSpellings kCFloat = {"f", "INFINITY", "-INFINITY", "NAN", ""};
constexpr FloatSpellings kCDouble = {"", "INFINITY", "-INFINITY", "NAN", ""};

constexpr LanguageRow kC = [] {
    LiteralForms literals = withMinimumAsExpression(zeroXLiterals(kCFloat, kCDouble));
    literals.unsigned64DecimalSuffix = "U";
    LanguageRow row = indentedByTab(declaring(
        {"c", "static {const}{type} {name}[{count}] = {\r\n\t", " };",
         "\r\nstatic const unsigned int {name}_len = {count};", "table"},
        {"unsigned char", "unsigned short", "unsigned long", "unsigned long long", "signed char", "short", "long",
         "long long", "float", "double"},
        {"uint8_t", "uint16_t", "uint32_t", "uint64_t", "int8_t", "int16_t", "int32_t", "int64_t", "float", "double"},
        literals));
    row.constWord = "const ";
    return row;
}();

constexpr Names kNasmDirectives = {"db", "dw", "dd", "dq", "db", "dw", "dd", "dq", "dd", "dq"};

// Numbers start with a digit: 0FFh, not the name FFh.
constexpr LanguageRow kAsm = assembler({.cliName = "asm",
                                        .header = "{name}\t{type} ",
                                        .lineBreak = "\r\n\t{type} ",
                                        .lengthLine = "\r\n{name}_len\tequ {count}"},
                                       kNasmDirectives, {"", "h", 1});

constexpr FloatSpellings kDelphiFloat = {"", "Infinity", "NegInfinity", "NaN", ""};

// The dialog declares dwords as longint, whose values from $80000000 on
// Free Pascal warns of: --fixed-types' LongWord takes them all.
constexpr LanguageRow kDelphi = indentedByTab(declaring(
    {"delphi", "CONST {name} : array[0..{last}] of {type} = (\r\n\t", ");", "\r\nCONST {name}_len = {count};", "table"},
    {"byte", "WORD", "longint", "UInt64", "ShortInt", "SmallInt", "LongInt", "Int64", "Single", "Double"},
    {"Byte", "Word", "LongWord", "UInt64", "ShortInt", "SmallInt", "LongInt", "Int64", "Single", "Double"},
    {.hex = {"$", "", 0},
     .decimalWidth = kDelphiDecimalWidths,
     .topBitCast = {Wrap{}, Wrap{}, Wrap{}, Wrap{"UInt64(", ")"}},
     .minimumAsExpressionFrom = kFromDword,
     .floats = {kDelphiFloat, kDelphiFloat}}));

constexpr LanguageRow kDataStr = {
    .cliName = "datastr",
    .lineBreak = "\r\n",
    .literals = {.hex = {"", "", 0}},
    .elements = ElementRule::BytesReversedWhenBigEndian,
};

constexpr Names kRustTypes = {"u8", "u16", "u32", "u64", "i8", "i16", "i32", "i64", "f32", "f64"};

// Rust names statics in upper case.
constexpr LanguageRow kRust =
    indentedBySpaces(declaring({"rust", "static {name}: [{type}; {count}] = [\r\n   ", ",\r\n];",
                                "\r\nconst {name}_LEN: usize = {count};", "TABLE"},
                               kRustTypes, kRustTypes,
                               zeroXLiterals({"", "f32::INFINITY", "f32::NEG_INFINITY", "f32::NAN", ""},
                                             {"", "f64::INFINITY", "f64::NEG_INFINITY", "f64::NAN", ""})));

constexpr Names kGoTypes = {"uint8", "uint16", "uint32", "uint64",  "int8",
                            "int16", "int32",  "int64",  "float32", "float64"};

// Go's constants are exact: -0.0 is 0, so its negative zero is computed.
constexpr LanguageRow kGo = indentedByTab(declaring(
    {"go", "var {name} = [{count}]{type}{\r\n\t", ",\r\n}", "\r\nconst {name}_len = {count}", "table"}, kGoTypes,
    kGoTypes,
    zeroXLiterals(
        {"", "float32(math.Inf(1))", "float32(math.Inf(-1))", "float32(math.NaN())", "float32(math.Copysign(0, -1))"},
        {"", "math.Inf(1)", "math.Inf(-1)", "math.NaN()", "math.Copysign(0, -1)"})));

constexpr FloatSpellings kPythonFloat = {"", "float('inf')", "float('-inf')", "float('nan')", ""};

constexpr LanguageRow kPython =
    indentedBySpaces(declaring({"python", "{name} = [\r\n   ", ",\r\n]", "\r\n{name}_len = {count}", "table"}, {}, {},
                               zeroXLiterals(kPythonFloat, kPythonFloat)));

constexpr Names kCSharpTypes = {"byte", "ushort", "uint", "ulong", "sbyte", "short", "int", "long", "float", "double"};

// Mono's compiler folds the literal -0.0 to +0.0: the negative zero is made
// from its bits at run time.
constexpr LanguageRow kCSharp = indentedBySpaces(declaring(
    {"csharp", "static readonly {type}[] {name} = {\r\n   ", ",\r\n};", "\r\nconst int {name}_len = {count};", "table"},
    kCSharpTypes, kCSharpTypes,
    withMinimumAsExpression(zeroXLiterals({"f", "float.PositiveInfinity", "float.NegativeInfinity", "float.NaN",
                                           "(float)System.BitConverter.Int64BitsToDouble(long.MinValue)"},
                                          {"", "double.PositiveInfinity", "double.NegativeInfinity", "double.NaN",
                                           "System.BitConverter.Int64BitsToDouble(long.MinValue)"}))));

constexpr Names kGasDirectives = {".byte",  ".short", ".long", ".quad", ".byte",
                                  ".short", ".long",  ".quad", ".long", ".quad"};

// `.short` and `.long` are 2 and 4 bytes on the x86 targets.
constexpr LanguageRow kGas = assembler({.cliName = "gas",
                                        .header = "{name}:\r\n\t{type} ",
                                        .lineBreak = "\r\n\t{type} ",
                                        .lengthLine = "\r\n\t.set {name}_len, {count}"},
                                       kGasDirectives, {"0x", "", 0});

constexpr Names kJavaTypes = {"byte", "short", "int", "long", "byte", "short", "int", "long", "float", "double"};

// Java has no unsigned types: u8 to u64 are byte, short, int and long holding
// the same bits (read back with Byte.toUnsignedInt and its kin): hex prints
// the bits, decimal the signed value. A NaN keeps its payload through its
// bits. Java names constants in upper case.
constexpr LanguageRow kJava = [] {
    LiteralForms literals =
        zeroXLiterals({"f", "Float.POSITIVE_INFINITY", "Float.NEGATIVE_INFINITY", "", "", "Float.intBitsToFloat("},
                      {"", "Double.POSITIVE_INFINITY", "Double.NEGATIVE_INFINITY", "", "", "Double.longBitsToDouble("});
    literals.integer64Suffix = "L";
    literals.unsignedDecimal = UnsignedDecimal::AsSignedOfSameWidth;
    literals.topBitCast = {Wrap{"(byte)", ""}, Wrap{"(short)", ""}};
    return indentedBySpaces(declaring({"java", "static final {type}[] {name} = {\r\n   ", ",\r\n};",
                                       "\r\nstatic final int {name}_LEN = {count};", "TABLE"},
                                      kJavaTypes, kJavaTypes, literals));
}();

constexpr Names kJavaScriptTypes = {"Uint8Array", "Uint16Array", "Uint32Array",   "BigUint64Array", "Int8Array",
                                    "Int16Array", "Int32Array",  "BigInt64Array", "Float32Array",   "Float64Array"};
constexpr FloatSpellings kJavaScriptFloat = {"", "Infinity", "-Infinity", "NaN", ""};

// Typed arrays: the 64-bit ones take BigInts, written with "n".
constexpr LanguageRow kJavaScript = [] {
    LiteralForms literals = zeroXLiterals(kJavaScriptFloat, kJavaScriptFloat);
    literals.integer64Suffix = "n";
    return indentedBySpaces(declaring(
        {"javascript", "const {name} = new {type}([\r\n   ", ",\r\n]);", "\r\nconst {name}_len = {count};", "table"},
        kJavaScriptTypes, kJavaScriptTypes, literals));
}();

// zemrik-cli's list takes the first nine in this order.
constexpr LanguageRow kRows[] = {kC, kAsm, kDelphi, kDataStr, kRust, kGo, kPython, kCSharp, kGas, kJava, kJavaScript};

}  // namespace

std::span<const LanguageRow> languageRows() { return kRows; }

std::string filledTemplate(std::string_view text, const TemplateValues& values) {
    const std::pair<std::string_view, std::string_view> keys[] = {
        {"name", values.name},   {"type", values.type}, {"const", values.constWord},
        {"count", values.count}, {"last", values.last},
    };
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t open = text.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
        if (close == std::string_view::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        const std::string_view key = text.substr(open + 1, close - open - 1);
        std::string_view replacement = text.substr(open, close - open + 1);  // C's "{" stays
        for (const auto& [name, value] : keys) {
            if (key == name) replacement = value;
        }
        out += replacement;
        at = close + 1;
    }
    return out;
}

const LanguageRow* findLanguageRow(std::string_view cliName) {
    for (const LanguageRow& row : kRows) {
        if (row.cliName == cliName) return &row;
    }
    return nullptr;
}

}  // namespace zemrik::typed
