#include "typed/LanguageRow.h"

#include <algorithm>
#include <utility>

#include "typed/ReservedWords.h"

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

constexpr LanguageRow withShapes(LanguageRow row, const RecordForms& records, const DimensionForms& dimensions) {
    row.records = records;
    row.dimensions = dimensions;
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
    return withShapes(row,
                      {.recordName = "{name}_record",
                       .declaration = "typedef struct {\r\n{fields}} {record};\r\n",
                       .fieldDeclaration = "\t{type} {field};\r\n",
                       .arrayFieldDeclaration = "\t{type} {field}[{count}];\r\n",
                       .open = "{ ",
                       .fieldSeparator = ", ",
                       .close = " }",
                       .arrayOpen = "{ ",
                       .arraySeparator = ", ",
                       .arrayClose = " }"},
                      {.open = "{ ", .close = " }", .countJoin = "]["});
}();

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

// Numbers start with a digit: 0FFh, not the name FFh.
constexpr LanguageRow kAsm = withShapes(assembler({.cliName = "asm",
                                                   .header = "{name}\t{type} ",
                                                   .lineBreak = "\r\n\t{type} ",
                                                   .lengthLine = "\r\n{name}_len\tequ {count}"},
                                                  kNasmDirectives, {"", "h", 1}),
                                        kNasmRecords, {});

constexpr FloatSpellings kDelphiFloat = {"", "Infinity", "NegInfinity", "NaN", ""};

// The dialog declares dwords as longint, whose values from $80000000 on
// Free Pascal warns of: --fixed-types' LongWord takes them all.
constexpr LanguageRow kDelphi = withShapes(
    indentedByTab(declaring(
        {"delphi", "CONST {name} : array[0..{last}] of {type} = (\r\n\t", ");", "\r\nCONST {name}_len = {count};",
         "table"},
        {"byte", "WORD", "longint", "UInt64", "ShortInt", "SmallInt", "LongInt", "Int64", "Single", "Double"},
        {"Byte", "Word", "LongWord", "UInt64", "ShortInt", "SmallInt", "LongInt", "Int64", "Single", "Double"},
        {.hex = {"$", "", 0},
         .decimalWidth = kDelphiDecimalWidths,
         .topBitCast = {Wrap{}, Wrap{}, Wrap{}, Wrap{"UInt64(", ")"}},
         .minimumAsExpressionFrom = kFromDword,
         .floats = {kDelphiFloat, kDelphiFloat}})),
    {.recordName = "{name}_record",
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
    {.open = "(", .close = ")", .lastJoin = ", 0.."});

constexpr LanguageRow kDataStr = {
    .cliName = "datastr",
    .lineBreak = "\r\n",
    .literals = {.hex = {"", "", 0}},
    .elements = ElementRule::BytesReversedWhenBigEndian,
    .shapeRefusal = "Data Str prints the table's bytes as one string: it takes neither --record nor --dims",
};

constexpr Names kRustTypes = {"u8", "u16", "u32", "u64", "i8", "i16", "i32", "i64", "f32", "f64"};

// Rust names statics in upper case.
constexpr LanguageRow kRust =
    withShapes(indentedBySpaces(declaring({"rust", "{allow}static {name}: [{type}; {count}] = [\r\n   ", ",\r\n];",
                                           "\r\n{allow}const {name}_LEN: usize = {count};", "TABLE"},
                                          kRustTypes, kRustTypes,
                                          zeroXLiterals({"", "f32::INFINITY", "f32::NEG_INFINITY", "f32::NAN", ""},
                                                        {"", "f64::INFINITY", "f64::NEG_INFINITY", "f64::NAN", ""}))),
               {.recordName = "{name}Record",
                .declaration = "{allow}struct {record} {\r\n{fields}}\r\n",
                .fieldDeclaration = "    {field}: {type},\r\n",
                .arrayFieldDeclaration = "    {field}: [{type}; {count}],\r\n",
                .open = "{record} { ",
                .fieldLabel = "{field}: ",
                .fieldSeparator = ", ",
                .close = " }",
                .arrayOpen = "[",
                .arraySeparator = ", ",
                .arrayClose = "]"},
               {.open = "[", .close = "]", .typeWrap = "[{type}; {count}]"});

constexpr Names kGoTypes = {"uint8", "uint16", "uint32", "uint64",  "int8",
                            "int16", "int32",  "int64",  "float32", "float64"};

// Go's constants are exact: -0.0 is 0, so its negative zero is computed.
constexpr LanguageRow kGo =
    withShapes(indentedByTab(declaring(
                   {"go", "var {name} = [{count}]{type}{\r\n\t", ",\r\n}", "\r\nconst {name}_len = {count}", "table"},
                   kGoTypes, kGoTypes,
                   zeroXLiterals({"", "float32(math.Inf(1))", "float32(math.Inf(-1))", "float32(math.NaN())",
                                  "float32(math.Copysign(0, -1))"},
                                 {"", "math.Inf(1)", "math.Inf(-1)", "math.NaN()", "math.Copysign(0, -1)"}))),
               {.recordName = "{name}_record",
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
               {.open = "{", .close = "}", .countJoin = "]["});

constexpr FloatSpellings kPythonFloat = {"", "float('inf')", "float('-inf')", "float('nan')", ""};

// A record is a tuple; its field names are declared as a tuple of names.
constexpr LanguageRow kPython = withShapes(
    indentedBySpaces(declaring({"python", "{name} = [\r\n   ", ",\r\n]", "\r\n{name}_len = {count}", "table"}, {}, {},
                               zeroXLiterals(kPythonFloat, kPythonFloat))),
    {.recordName = "{name}_fields",
     .declaration = "{record} = ({fields},)\r\n",
     .fieldDeclaration = "'{field}'",
     .arrayFieldDeclaration = "'{field}'",
     .declarationSeparator = ", ",
     .open = "(",
     .fieldSeparator = ", ",
     .close = ",)",
     .arrayOpen = "(",
     .arraySeparator = ", ",
     .arrayClose = ",)"},
    {.open = "[", .close = "]"});

constexpr Names kCSharpTypes = {"byte", "ushort", "uint", "ulong", "sbyte", "short", "int", "long", "float", "double"};

// Mono's compiler folds the literal -0.0 to +0.0: the negative zero is made
// from its bits at run time. It also misreads about one shortest double text
// in a hundred by a unit in the last place: doubles print every digit.
constexpr LanguageRow kCSharp =
    withShapes(indentedBySpaces(declaring(
                   {"csharp", "static readonly {type}[] {name} = {\r\n   ", ",\r\n};",
                    "\r\nconst int {name}_len = {count};", "table"},
                   kCSharpTypes, kCSharpTypes,
                   withMinimumAsExpression(zeroXLiterals(
                       {"f", "float.PositiveInfinity", "float.NegativeInfinity", "float.NaN",
                        "(float)System.BitConverter.Int64BitsToDouble(long.MinValue)"},
                       {"", "double.PositiveInfinity", "double.NegativeInfinity", "double.NaN",
                        "System.BitConverter.Int64BitsToDouble(long.MinValue)", "", FloatDigits::EverySignificant})))),
               {.recordName = "{name}_record",
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
               {.open = "{ ", .close = " }", .header = "static readonly {type}[{rank}] {name} = {\r\n   "});

constexpr Names kGasDirectives = {".byte",  ".short", ".long", ".quad", ".byte",
                                  ".short", ".long",  ".quad", ".long", ".quad"};

// `.short` and `.long` are 2 and 4 bytes on the x86 targets.
constexpr LanguageRow kGas = withShapes(assembler({.cliName = "gas",
                                                   .header = "{name}:\r\n\t{type} ",
                                                   .lineBreak = "\r\n\t{type} ",
                                                   .lengthLine = "\r\n\t.set {name}_len, {count}"},
                                                  kGasDirectives, {"0x", "", 0}),
                                        {.recordName = "{name}_record",
                                         .declaration = ".macro {record} {params}\r\n{fields}.endm\r\n",
                                         .fieldDeclaration = "\t{type} {args}\r\n",
                                         .arrayFieldDeclaration = "\t{type} {args}\r\n",
                                         .fieldSeparator = ", ",
                                         .arraySeparator = ", ",
                                         .argument = "\\a{n}",
                                         .parameter = "a{n}",
                                         .lines = RecordLines::OnePerLine},
                                        {});

constexpr Names kJavaTypes = {"byte", "short", "int", "long", "byte", "short", "int", "long", "float", "double"};

// Java has no unsigned types: u8 to u64 are byte, short, int and long holding
// the same bits (read back with Byte.toUnsignedInt and its kin): hex prints
// the bits, decimal the signed value. A NaN keeps its payload through its
// bits. Java names constants in upper case.
constexpr LiteralForms kJavaLiterals = [] {
    LiteralForms literals =
        zeroXLiterals({"f", "Float.POSITIVE_INFINITY", "Float.NEGATIVE_INFINITY", "", "", "Float.intBitsToFloat("},
                      {"", "Double.POSITIVE_INFINITY", "Double.NEGATIVE_INFINITY", "", "", "Double.longBitsToDouble("});
    literals.integer64Suffix = "L";
    literals.unsignedDecimal = UnsignedDecimal::AsSignedOfSameWidth;
    literals.topBitCast = {Wrap{"(byte)", ""}, Wrap{"(short)", ""}};
    return literals;
}();

// A record's constructor takes its byte and short fields as arguments, which
// an int constant doesn't narrow to: each is cast.
constexpr LiteralForms kJavaArguments = [] {
    LiteralForms literals = kJavaLiterals;
    const Wrap toByte{"(byte)", ""};
    const Wrap toShort{"(short)", ""};
    literals.valueCast = {toByte, toShort, Wrap{}, Wrap{}, toByte, toShort};
    return literals;
}();

// Records are a `record` class, built one `new` a record; dimensions are
// arrays of arrays.
constexpr LanguageRow kJava =
    withShapes(indentedBySpaces(declaring({"java", "static final {type}[] {name} = {\r\n   ", ",\r\n};",
                                           "\r\nstatic final int {name}_LEN = {count};", "TABLE"},
                                          kJavaTypes, kJavaTypes, kJavaLiterals)),
               {.recordName = "{name}Record",
                .declaration = "record {record}({fields}) {}\r\n",
                .fieldDeclaration = "{type} {field}",
                .arrayFieldDeclaration = "{type}[] {field}",
                .declarationSeparator = ", ",
                .scalarLiterals = &kJavaArguments,
                .open = "new {record}(",
                .fieldSeparator = ", ",
                .close = ")",
                .arrayOpen = "new {type}[] {",
                .arraySeparator = ", ",
                .arrayClose = "}"},
               {.open = "{", .close = "}", .typeWrap = "{type}[]"});

constexpr Names kJavaScriptTypes = {"Uint8Array", "Uint16Array", "Uint32Array",   "BigUint64Array", "Int8Array",
                                    "Int16Array", "Int32Array",  "BigInt64Array", "Float32Array",   "Float64Array"};
constexpr FloatSpellings kJavaScriptFloat = {"", "Infinity", "-Infinity", "NaN", ""};

constexpr LiteralForms kJavaScriptLiterals = [] {
    LiteralForms literals = zeroXLiterals(kJavaScriptFloat, kJavaScriptFloat);
    literals.integer64Suffix = "n";
    return literals;
}();

// A record's field of one item is a plain number, which a float's shortest
// text would read back as another double than the float's own value.
constexpr LiteralForms kJavaScriptNumbers = [] {
    LiteralForms literals = kJavaScriptLiterals;
    literals.floats[0].digits = FloatDigits::WidenedToDouble;
    return literals;
}();

constexpr std::string_view kJavaScriptArrayHeader = "const {name} = [\r\n   ";
constexpr std::string_view kJavaScriptArrayClosing = ",\r\n];";

// Typed arrays: the 64-bit ones take BigInts, written with "n". A record is
// an object, its type a JSDoc typedef, its array fields typed arrays; the
// dimensions are arrays, of typed arrays at the innermost one.
constexpr LanguageRow kJavaScript = withShapes(
    indentedBySpaces(declaring(
        {"javascript", "const {name} = new {type}([\r\n   ", ",\r\n]);", "\r\nconst {name}_len = {count};", "table"},
        kJavaScriptTypes, kJavaScriptTypes, kJavaScriptLiterals)),
    {.recordName = "{name}_record",
     .declaration = "/** @typedef {{{fields}}} {record} */\r\n",
     .fieldDeclaration = "{field}: {type}",
     .arrayFieldDeclaration = "{field}: {type}",
     .declarationSeparator = ", ",
     .scalarTypeNames = {"number", "number", "number", "bigint", "number", "number", "number", "bigint", "number",
                         "number"},
     .header = kJavaScriptArrayHeader,
     .closing = kJavaScriptArrayClosing,
     .scalarLiterals = &kJavaScriptNumbers,
     .open = "{ ",
     .fieldLabel = "{field}: ",
     .fieldSeparator = ", ",
     .close = " }",
     .arrayOpen = "new {type}([",
     .arraySeparator = ", ",
     .arrayClose = "])"},
    {.open = "[",
     .close = "]",
     .header = kJavaScriptArrayHeader,
     .closing = kJavaScriptArrayClosing,
     .innermostOpen = "new {type}([",
     .innermostClose = "])"});

// What every row has besides its texts: its comments, and the words it
// reserves. C's row is pasted into C and C++ alike, so it reserves the words
// of both; Delphi's words are reserved in any case. GNU as takes "#" at a
// line's start as a comment on every target.
constexpr LanguageRow finished(LanguageRow row, std::string_view lineComment, ReservedWords reserved = {}) {
    row.lineComment = lineComment;
    row.reserved = reserved;
    return row;
}

constexpr LanguageRow withFieldWords(LanguageRow row, ReservedWords fieldReserved) {
    row.fieldReserved = fieldReserved;
    return row;
}

constexpr LanguageRow withNameAllowances(LanguageRow row, NameAllowances allowances) {
    row.nameAllowances = allowances;
    return row;
}

using namespace detail;

// zemrik-cli's list takes the first nine in this order.
constexpr LanguageRow kRows[] = {
    finished(kC, "//", {"C or C++", WordCase::Exact, kCWords}),
    finished(kAsm, ";"),
    finished(kDelphi, "//", {"Delphi", WordCase::Ignored, kDelphiWords}),
    kDataStr,
    withNameAllowances(
        finished(kRust, "//", {"Rust", WordCase::Exact, kRustWords}),
        {"#[allow(non_upper_case_globals)]\r\n", "#[allow(non_camel_case_types)]\r\n", "#[allow(non_snake_case)]\r\n"}),
    finished(kGo, "//", {"Go", WordCase::Exact, kGoWords}),
    finished(kPython, "#", {"Python", WordCase::Exact, kPythonWords}),
    finished(kCSharp, "//", {"C#", WordCase::Exact, kCSharpWords}),
    finished(kGas, "#"),
    withFieldWords(
        finished(kJava, "//", {"Java", WordCase::Exact, kJavaWords}),
        {"a Java record", WordCase::Exact, "clone finalize getClass hashCode notify notifyAll toString wait"}),
    withFieldWords(finished(kJavaScript, "//", {"JavaScript", WordCase::Exact, kJavaScriptWords}),
                   {"a JavaScript object", WordCase::Exact, "__proto__"}),
};

char lowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameWord(std::string_view word, std::string_view name, WordCase comparison) {
    if (comparison == WordCase::Exact) return word == name;
    return word.size() == name.size() && std::equal(word.begin(), word.end(), name.begin(),
                                                    [](char a, char b) { return lowerCase(a) == lowerCase(b); });
}

}  // namespace

std::span<const LanguageRow> languageRows() { return kRows; }

namespace {

bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }

std::string_view withoutOuterUnderscores(std::string_view name) {
    while (!name.empty() && name.front() == '_') name.remove_prefix(1);
    while (!name.empty() && name.back() == '_') name.remove_suffix(1);
    return name;
}

}  // namespace

// Rust's own tests, on ASCII names: a constant's holds no lower-case letter;
// a type's starts with none and holds no _ (a _ between digits passes Rust
// and takes the allowance all the same, which is harmless); a field's holds
// no upper-case letter and no __.
std::string_view valueNameAllowance(const LanguageRow& row, std::string_view name) {
    return std::any_of(name.begin(), name.end(), isLower) ? row.nameAllowances.lowerCaseValue : std::string_view{};
}

std::string_view typeNameAllowance(const LanguageRow& row, std::string_view name) {
    const std::string_view inner = withoutOuterUnderscores(name);
    const bool camel = inner.empty() || (!isLower(inner.front()) && inner.find('_') == std::string_view::npos);
    return camel ? std::string_view{} : row.nameAllowances.notCamelCaseType;
}

std::string_view fieldNameAllowance(const LanguageRow& row, std::string_view name) {
    const std::string_view inner = withoutOuterUnderscores(name);
    const bool snake = std::none_of(inner.begin(), inner.end(), isUpper) && inner.find("__") == std::string_view::npos;
    return snake ? std::string_view{} : row.nameAllowances.notSnakeCaseField;
}

std::string filledTemplate(std::string_view text, const TemplateValues& values) {
    const TemplateKey keys[] = {
        {"name", values.name},   {"type", values.type}, {"const", values.constWord},
        {"count", values.count}, {"last", values.last}, {"allow", values.allow},
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

namespace {

std::optional<std::string_view> reservingIn(const ReservedWords& reserved, std::string_view name) {
    for (std::size_t start = 0; start < reserved.words.size();) {
        const std::size_t end = std::min(reserved.words.find(' ', start), reserved.words.size());
        if (sameWord(reserved.words.substr(start, end - start), name, reserved.comparison)) return reserved.shownAs;
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string_view> reservingLanguage(const LanguageRow& row, std::string_view name) {
    return reservingIn(row.reserved, name);
}

std::optional<std::string_view> reservingField(const LanguageRow& row, std::string_view name) {
    if (const auto language = reservingIn(row.reserved, name)) return language;
    return reservingIn(row.fieldReserved, name);
}

}  // namespace zemrik::typed
