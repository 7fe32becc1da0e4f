#include "typed/LanguageRow.h"

#include <algorithm>
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

constexpr FloatSpellings kCFloat = {"f", "INFINITY", "-INFINITY", "NAN", ""};
constexpr FloatSpellings kCDouble = {"", "INFINITY", "-INFINITY", "NAN", ""};

// Languages whose minimum literal needs the (-MAX - 1) form from 32 bits on:
// 0x80000000 and 2147483648 are no int there.
constexpr std::uint32_t kFromDword = 4;

constexpr LanguageRow kC = {
    .cliName = "c",
    .typeNames = Names{"unsigned char", "unsigned short", "unsigned long", "unsigned long long", "signed char", "short",
                       "long", "long long", "float", "double"},
    .fixedTypeNames = Names{"uint8_t", "uint16_t", "uint32_t", "uint64_t", "int8_t", "int16_t", "int32_t", "int64_t",
                            "float", "double"},
    .header = "static {const}{type} {name}[{count}] = {\r\n\t",
    .lineBreak = "\r\n\t",
    .separator = ", ",
    .elementPrefix = "",
    .closing = " };",
    .lengthLine = "\r\nstatic const unsigned int {name}_len = {count};",
    .constWord = "const ",
    .defaultName = "table",
    .literals = {.hex = {"0x", "", 0},
                 .decimalWidth = kDecimalWidths,
                 .unsigned64DecimalSuffix = "U",
                 .minimumAsExpressionFrom = kFromDword,
                 .floats = {kCFloat, kCDouble}},
    .records = {.recordName = "{name}_record",
                .declaration = "typedef struct {\r\n{fields}} {record};\r\n",
                .fieldDeclaration = "\t{type} {field};\r\n",
                .arrayFieldDeclaration = "\t{type} {field}[{count}];\r\n",
                .open = "{ ",
                .fieldSeparator = ", ",
                .close = " }",
                .arrayOpen = "{ ",
                .arraySeparator = ", ",
                .arrayClose = " }"},
    .dimensions = {.open = "{ ", .close = " }", .countJoin = "]["},
};

constexpr Names kNasmDirectives = {"db", "dw", "dd", "dq", "db", "dw", "dd", "dq", "dd", "dq"};

// A record is one call of a macro that lays out each field with its directive.
constexpr RecordForms kNasmRecords = {.recordName = "{name}_record",
                                      .declaration = "%macro {record} {arity}\r\n{fields}%endmacro\r\n",
                                      .fieldDeclaration = "\t{type} {args}\r\n",
                                      .arrayFieldDeclaration = "\t{type} {args}\r\n",
                                      .fieldSeparator = ", ",
                                      .arraySeparator = ", ",
                                      .argument = "%{n}",
                                      .lines = RecordLines::OnePerLine};

constexpr LanguageRow kAsm = {
    .cliName = "asm",
    .typeNames = kNasmDirectives,
    .fixedTypeNames = kNasmDirectives,
    .header = "{name}\t{type} ",
    .lineBreak = "\r\n\t{type} ",
    .separator = ", ",
    .closing = "",
    .lengthLine = "\r\n{name}_len\tequ {count}",
    .defaultName = "table",
    // Numbers start with a digit: 0FFh, not the name FFh.
    .literals = {.hex = {"", "h", 1}, .decimalWidth = kDecimalWidths, .floatForm = FloatForm::BitPattern},
    .lineEnd = LineEndRule::DropsSeparator,
    .records = kNasmRecords,
};

constexpr FloatSpellings kDelphiFloat = {"", "Infinity", "NegInfinity", "NaN", ""};

constexpr LanguageRow kDelphi = {
    .cliName = "delphi",
    .typeNames =
        Names{"byte", "WORD", "longint", "UInt64", "ShortInt", "SmallInt", "LongInt", "Int64", "Single", "Double"},
    .fixedTypeNames =
        Names{"Byte", "Word", "LongWord", "UInt64", "ShortInt", "SmallInt", "LongInt", "Int64", "Single", "Double"},
    .header = "CONST {name} : array[0..{last}] of {type} = (\r\n\t",
    .lineBreak = "\r\n\t",
    .separator = ", ",
    .closing = ");",
    .lengthLine = "\r\nCONST {name}_len = {count};",
    .defaultName = "table",
    .literals = {.hex = {"$", "", 0},
                 .decimalWidth = kDelphiDecimalWidths,
                 .minimumAsExpressionFrom = kFromDword,
                 .floats = {kDelphiFloat, kDelphiFloat}},
    .records = {.recordName = "{name}_record",
                .declaration = "TYPE {record} = record\r\n{fields}end;\r\n",
                .fieldDeclaration = "\t{field} : {type};\r\n",
                .arrayFieldDeclaration = "\t{field} : array[0..{last}] of {type};\r\n",
                .open = "(",
                .fieldLabel = "{field}: ",
                .fieldSeparator = "; ",
                .close = ")",
                .arrayOpen = "(",
                .arraySeparator = ", ",
                .arrayClose = ")"},
    .dimensions = {.open = "(", .close = ")", .lastJoin = ", 0.."},
};

constexpr LanguageRow kDataStr = {
    .cliName = "datastr",
    .lineBreak = "\r\n",
    .literals = {.hex = {"", "", 0}},
    .elements = ElementRule::BytesReversedWhenBigEndian,
    .shapeRefusal = "Data Str prints the table's bytes as one string: it takes neither --record nor --dims",
};

constexpr Names kRustTypes = {"u8", "u16", "u32", "u64", "i8", "i16", "i32", "i64", "f32", "f64"};

// The command line's own languages, each in its usual layout: one indented
// line per row of items, a comma after every item (the last one too) and the
// closing bracket on a line of its own. Where the indent is spaces, the space
// between items goes before each item, so that no line ends in a blank.
constexpr LanguageRow kRust = {
    .cliName = "rust",
    .typeNames = kRustTypes,
    .fixedTypeNames = kRustTypes,
    .header = "static {name}: [{type}; {count}] = [\r\n   ",
    .lineBreak = "\r\n   ",
    .separator = ",",
    .elementPrefix = " ",
    .closing = ",\r\n];",
    .lengthLine = "\r\nconst {name}_LEN: usize = {count};",
    .defaultName = "TABLE",  // Rust names statics in upper case
    .literals = {.hex = {"0x", "", 0},
                 .decimalWidth = kDecimalWidths,
                 .floats = {FloatSpellings{"", "f32::INFINITY", "f32::NEG_INFINITY", "f32::NAN", ""},
                            FloatSpellings{"", "f64::INFINITY", "f64::NEG_INFINITY", "f64::NAN", ""}}},
    .records = {.recordName = "{name}Record",
                .declaration = "struct {record} {\r\n{fields}}\r\n",
                .fieldDeclaration = "    {field}: {type},\r\n",
                .arrayFieldDeclaration = "    {field}: [{type}; {count}],\r\n",
                .open = "{record} { ",
                .fieldLabel = "{field}: ",
                .fieldSeparator = ", ",
                .close = " }",
                .arrayOpen = "[",
                .arraySeparator = ", ",
                .arrayClose = "]"},
    .dimensions = {.open = "[", .close = "]", .typeWrap = "[{type}; {count}]"},
};

constexpr Names kGoTypes = {"uint8", "uint16", "uint32", "uint64",  "int8",
                            "int16", "int32",  "int64",  "float32", "float64"};

// Go's constants are exact: -0.0 is 0, so its negative zero is computed.
constexpr LanguageRow kGo = {
    .cliName = "go",
    .typeNames = kGoTypes,
    .fixedTypeNames = kGoTypes,
    .header = "var {name} = [{count}]{type}{\r\n\t",
    .lineBreak = "\r\n\t",
    .separator = ", ",
    .closing = ",\r\n}",
    .lengthLine = "\r\nconst {name}_len = {count}",
    .defaultName = "table",
    .literals = {.hex = {"0x", "", 0},
                 .decimalWidth = kDecimalWidths,
                 .floats = {FloatSpellings{"", "float32(math.Inf(1))", "float32(math.Inf(-1))", "float32(math.NaN())",
                                           "float32(math.Copysign(0, -1))"},
                            FloatSpellings{"", "math.Inf(1)", "math.Inf(-1)", "math.NaN()", "math.Copysign(0, -1)"}}},
    .records = {.recordName = "{name}_record",
                .declaration = "type {record} struct {\r\n{fields}}\r\n",
                .fieldDeclaration = "\t{field} {type}\r\n",
                .arrayFieldDeclaration = "\t{field} [{count}]{type}\r\n",
                .open = "{",
                .fieldLabel = "{field}: ",
                .fieldSeparator = ", ",
                .close = "}",
                .arrayOpen = "[{count}]{type}{",
                .arraySeparator = ", ",
                .arrayClose = "}"},
    .dimensions = {.open = "{", .close = "}", .countJoin = "]["},
};

constexpr FloatSpellings kPythonFloat = {"", "float('inf')", "float('-inf')", "float('nan')", ""};

constexpr LanguageRow kPython = {
    .cliName = "python",
    .header = "{name} = [\r\n   ",
    .lineBreak = "\r\n   ",
    .separator = ",",
    .elementPrefix = " ",
    .closing = ",\r\n]",
    .lengthLine = "\r\n{name}_len = {count}",
    .defaultName = "table",
    .literals = {.hex = {"0x", "", 0}, .decimalWidth = kDecimalWidths, .floats = {kPythonFloat, kPythonFloat}},
    // A record is a tuple; its field names are declared as a tuple of names.
    .records = {.recordName = "{name}_fields",
                .declaration = "{record} = ({fields})\r\n",
                .fieldDeclaration = "'{field}', ",
                .arrayFieldDeclaration = "'{field}', ",
                .open = "(",
                .fieldSeparator = ", ",
                .close = ",)",
                .arrayOpen = "(",
                .arraySeparator = ", ",
                .arrayClose = ",)"},
    .dimensions = {.open = "[", .close = "]"},
};

constexpr Names kCSharpTypes = {"byte", "ushort", "uint", "ulong", "sbyte", "short", "int", "long", "float", "double"};

// Mono's compiler folds the literal -0.0 to +0.0: the negative zero is made
// from its bits at run time.
constexpr LanguageRow kCSharp = {
    .cliName = "csharp",
    .typeNames = kCSharpTypes,
    .fixedTypeNames = kCSharpTypes,
    .header = "static readonly {type}[] {name} = {\r\n   ",
    .lineBreak = "\r\n   ",
    .separator = ",",
    .elementPrefix = " ",
    .closing = ",\r\n};",
    .lengthLine = "\r\nconst int {name}_len = {count};",
    .defaultName = "table",
    .literals = {.hex = {"0x", "", 0},
                 .decimalWidth = kDecimalWidths,
                 .minimumAsExpressionFrom = kFromDword,
                 .floats = {FloatSpellings{"f", "float.PositiveInfinity", "float.NegativeInfinity", "float.NaN",
                                           "(float)System.BitConverter.Int64BitsToDouble(long.MinValue)"},
                            FloatSpellings{"", "double.PositiveInfinity", "double.NegativeInfinity", "double.NaN",
                                           "System.BitConverter.Int64BitsToDouble(long.MinValue)"}}},
    .records = {.recordName = "{name}_record",
                .declaration = "struct {record} {\r\n{fields}}\r\n",
                .fieldDeclaration = "    public {type} {field};\r\n",
                .arrayFieldDeclaration = "    public {type}[] {field};\r\n",
                .open = "new {record} { ",
                .fieldLabel = "{field} = ",
                .fieldSeparator = ", ",
                .close = " }",
                .arrayOpen = "new {type}[] { ",
                .arraySeparator = ", ",
                .arrayClose = " }"},
    .dimensions = {.open = "{ ", .close = " }", .header = "static readonly {type}[{rank}] {name} = {\r\n   "},
};

constexpr Names kGasDirectives = {".byte",  ".short", ".long", ".quad", ".byte",
                                  ".short", ".long",  ".quad", ".long", ".quad"};

// `.short` and `.long` are 2 and 4 bytes on the x86 targets.
constexpr LanguageRow kGas = {
    .cliName = "gas",
    .typeNames = kGasDirectives,
    .fixedTypeNames = kGasDirectives,
    .header = "{name}:\r\n\t{type} ",
    .lineBreak = "\r\n\t{type} ",
    .separator = ", ",
    .closing = "",
    .lengthLine = "\r\n\t.set {name}_len, {count}",
    .defaultName = "table",
    .literals = {.hex = {"0x", "", 0}, .decimalWidth = kDecimalWidths, .floatForm = FloatForm::BitPattern},
    .lineEnd = LineEndRule::DropsSeparator,
    .records = {.recordName = "{name}_record",
                .declaration = ".macro {record} {params}\r\n{fields}.endm\r\n",
                .fieldDeclaration = "\t{type} {args}\r\n",
                .arrayFieldDeclaration = "\t{type} {args}\r\n",
                .fieldSeparator = ", ",
                .arraySeparator = ", ",
                .argument = "\\a{n}",
                .parameter = "a{n}",
                .lines = RecordLines::OnePerLine},
};

constexpr LanguageRow kRows[] = {kC, kAsm, kDelphi, kDataStr, kRust, kGo, kPython, kCSharp, kGas};

}  // namespace

std::span<const LanguageRow> languageRows() { return kRows; }

std::string filledTemplate(std::string_view text, const TemplateValues& values) {
    const TemplateKey keys[] = {
        {"name", values.name},   {"type", values.type}, {"const", values.constWord},
        {"count", values.count}, {"last", values.last},
    };
    return filledTemplate(text, keys);
}

std::string filledTemplate(std::string_view text, std::span<const TemplateKey> keys) {
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
        const auto known = std::find_if(keys.begin(), keys.end(), [&](const TemplateKey& k) { return k.first == key; });
        if (known == keys.end()) {
            // C's "{" stays, and a key may follow it ("{\r\n{fields}").
            out += '{';
            at = open + 1;
            continue;
        }
        out += known->second;
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
