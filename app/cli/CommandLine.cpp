#include "app/cli/CommandLine.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "app/cli/AsciiCase.h"
#include "app/cli/CliTypedTable.h"
#include "app/cli/ReservedWords.h"
#include "run/FieldConversion.h"
#include "zemrik/Version.h"

namespace zemrik::cli {
namespace {

enum class OptionId {
    Address,
    TableSize,
    Items,
    Language,
    ItemsPerLine,
    Name,
    Output,
    Rva,
    BigEndian,
    Decimal,
    DumpToFile,
    LineFeeds,
    FixedTypes,
    Help,
    Version,
    VirtualAddress,
    Symbol,
    ListSections,
    ListSymbols,
    LittleEndian,
    Match,
    Demangle,
    Const,
    Length,
    Record,
    Dims,
    DebugFile,
    DebugDir,
    StringLiteral,
    Embed,
    EmbedPath,
    Provenance,
};

// Every option, once: the parser walks this table, and --help and the man
// page are checked against it (CommandLineTest).
struct OptionEntry {
    std::string_view longName;
    char shortName;              // '\0' when the option has only its long form
    std::string_view valueName;  // as --help and the man page name the value; empty for a flag
    OptionId id;
};

constexpr std::array<OptionEntry, 32> kOptions{{
    {"address", 'a', "HEX", OptionId::Address},
    {"size", 's', "HEX", OptionId::TableSize},
    {"items", 'i', "TYPE", OptionId::Items},
    {"language", 'l', "LANG", OptionId::Language},
    {"per-line", 'n', "DEC", OptionId::ItemsPerLine},
    {"name", '\0', "IDENT", OptionId::Name},
    {"output", 'o', "FILE", OptionId::Output},
    {"rva", '\0', "", OptionId::Rva},
    {"big-endian", '\0', "", OptionId::BigEndian},
    {"decimal", '\0', "", OptionId::Decimal},
    {"dump-to-file", '\0', "", OptionId::DumpToFile},
    {"lf", '\0', "", OptionId::LineFeeds},
    {"fixed-types", '\0', "", OptionId::FixedTypes},
    {"help", 'h', "", OptionId::Help},
    {"version", '\0', "", OptionId::Version},
    {"va", '\0', "HEX", OptionId::VirtualAddress},
    {"symbol", '\0', "NAME", OptionId::Symbol},
    {"list-sections", '\0', "", OptionId::ListSections},
    {"list-symbols", '\0', "", OptionId::ListSymbols},
    {"little-endian", '\0', "", OptionId::LittleEndian},
    {"match", '\0', "GLOB", OptionId::Match},
    {"demangle", '\0', "", OptionId::Demangle},
    {"const", '\0', "", OptionId::Const},
    {"length", '\0', "", OptionId::Length},
    {"record", '\0', "FIELDS", OptionId::Record},
    {"dims", '\0', "DIMS", OptionId::Dims},
    {"debug-file", '\0', "PATH", OptionId::DebugFile},
    {"debug-dir", '\0', "DIR", OptionId::DebugDir},
    {"string-literal", '\0', "", OptionId::StringLiteral},
    {"embed", '\0', "", OptionId::Embed},
    {"embed-path", '\0', "PATH", OptionId::EmbedPath},
    {"provenance", '\0', "", OptionId::Provenance},
}};

// Options that name the table's address in different ways: one at a time.
struct Exclusion {
    OptionId first;
    OptionId second;
    std::string_view message;
};

constexpr std::string_view kOneAddress = "give the table's address once: -a, --va or --symbol";
constexpr std::string_view kRvaWithA = "--rva applies to -a only; --va and --symbol take image addresses themselves";
constexpr std::string_view kOutputIsForTables = "-o/--output takes a table; the listings go to standard output";
constexpr std::array<Exclusion, 11> kExclusions{{
    {OptionId::Address, OptionId::VirtualAddress, kOneAddress},
    {OptionId::Address, OptionId::Symbol, kOneAddress},
    {OptionId::VirtualAddress, OptionId::Symbol, kOneAddress},
    {OptionId::Rva, OptionId::VirtualAddress, kRvaWithA},
    {OptionId::Rva, OptionId::Symbol, kRvaWithA},
    {OptionId::Output, OptionId::DumpToFile,
     "--output and --dump-to-file exclude each other: the table goes to one file"},
    {OptionId::Output, OptionId::ListSections, kOutputIsForTables},
    {OptionId::Output, OptionId::ListSymbols, kOutputIsForTables},
    {OptionId::BigEndian, OptionId::LittleEndian, "--big-endian and --little-endian exclude each other"},
    {OptionId::DebugFile, OptionId::DebugDir, "--debug-file names the debug file: no folder is searched with it"},
    {OptionId::StringLiteral, OptionId::Embed, "--string-literal and --embed exclude each other: one form at a time"},
}};

// A value's name and what it selects: for -i the Items list's index, for -l
// the CliLanguage. The names a message lists come first, the aliases after.
struct NamedValue {
    std::string_view name;
    int value;
};

// -i's singular names; the plural ones and the type names are the typed walk's.
constexpr auto typeValue(typed::ElementType type) { return static_cast<int>(type); }
constexpr NamedValue kItemsSingulars[] = {{"byte", typeValue(typed::ElementType::U8)},
                                          {"word", typeValue(typed::ElementType::U16)},
                                          {"dword", typeValue(typed::ElementType::U32)},
                                          {"qword", typeValue(typed::ElementType::U64)}};
// -i's choices as its usage error and front ends list them.
constexpr std::string_view kItemsChoices[] = {"bytes", "words", "dwords", "qwords", "u8",  "u16", "u32",
                                              "u64",   "i8",    "i16",    "i32",    "i64", "f32", "f64"};

// "a, b or c".
std::string listed(std::span<const std::string_view> choices) {
    std::string text;
    for (std::size_t k = 0; k < choices.size(); ++k) {
        if (k > 0) text += k + 1 == choices.size() ? " or " : ", ";
        text += choices[k];
    }
    return text;
}

constexpr auto languageValue(CliLanguage language) { return static_cast<int>(language); }
constexpr NamedValue kLanguageNames[] = {
    {"c", languageValue(CliLanguage::C)},
    {"asm", languageValue(CliLanguage::Asm)},
    {"delphi", languageValue(CliLanguage::Delphi)},
    {"datastr", languageValue(CliLanguage::DataStr)},
    {"rust", languageValue(CliLanguage::Rust)},
    {"go", languageValue(CliLanguage::Go)},
    {"python", languageValue(CliLanguage::Python)},
    {"csharp", languageValue(CliLanguage::CSharp)},
    {"gas", languageValue(CliLanguage::Gas)},
    {"java", languageValue(CliLanguage::Java)},
    {"javascript", languageValue(CliLanguage::JavaScript)},
    {"cpp", languageValue(CliLanguage::C)},
    {"c++", languageValue(CliLanguage::C)},
};
// -l's choices as its usage error and front ends list them; the aliases after.
constexpr std::string_view kLanguageChoices[] = {"c",      "asm",    "delphi", "datastr", "rust",      "go",
                                                 "python", "csharp", "gas",    "java",    "javascript"};

constexpr std::size_t kHexDigitsAtMost = 8;
constexpr std::size_t kVirtualAddressDigitsAtMost = 16;
constexpr unsigned kItemsPerLineAtMost = 255;
constexpr std::size_t kNameLengthAtMost = 64;

using ParseResult = Expected<Command, std::string>;

std::optional<int> valueNamed(std::span<const NamedValue> names, std::string_view name) {
    for (const NamedValue& entry : names) {
        if (equalIgnoringCase(entry.name, name)) return entry.value;
    }
    return std::nullopt;
}

// The text as typed, between quotes; control characters are shown as \xNN so
// that a message can never drive the terminal.
std::string quoted(std::string_view text) {
    std::string result(1, '\'');
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            result += escaped;
        } else {
            result.push_back(c);
        }
    }
    result.push_back('\'');
    return result;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (lowerCase(c) >= 'a' && lowerCase(c) <= 'f'); }
bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentifierStart(char c) { return (lowerCase(c) >= 'a' && lowerCase(c) <= 'z') || c == '_'; }

// One hex number, an optional 0x, at most `digits` digits and nothing else:
// what the request's conversion then reads without dropping a digit or a character.
bool isStrictHex(std::string_view text, std::size_t digits = kHexDigitsAtMost) {
    if (text.size() >= 2 && text[0] == '0' && lowerCase(text[1]) == 'x') text.remove_prefix(2);
    if (text.empty() || text.size() > digits) return false;
    for (const char c : text) {
        if (!isHexDigit(c)) return false;
    }
    return true;
}

// A virtual address: up to 16 hex digits, 0x optional.
std::optional<std::uint64_t> parseVirtualAddress(std::string_view text) {
    if (!isStrictHex(text, kVirtualAddressDigitsAtMost)) return std::nullopt;
    if (text.size() >= 2 && lowerCase(text[1]) == 'x') text.remove_prefix(2);
    std::uint64_t value = 0;
    for (const char c : text) {
        const char digit = lowerCase(c);
        value = value << 4 | static_cast<std::uint64_t>(isDecimalDigit(digit) ? digit - '0' : digit - 'a' + 10);
    }
    return value;
}

bool isItemsPerLine(std::string_view text) {
    if (text.empty()) return false;
    unsigned value = 0;
    for (const char c : text) {
        if (!isDecimalDigit(c)) return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > kItemsPerLineAtMost) return false;
    }
    return value != 0;
}

bool isDeclarationName(std::string_view text) {
    if (text.empty() || text.size() > kNameLengthAtMost || !isIdentifierStart(text[0])) return false;
    for (const char c : text) {
        if (!isIdentifierStart(c) && !isDecimalDigit(c)) return false;
    }
    return true;
}

// "-s/--size", or "--name" for an option without a short form.
std::string optionNames(const OptionEntry& entry) {
    std::string names;
    if (entry.shortName != '\0') names = std::string{'-', entry.shortName, '/'};
    return names + "--" + std::string(entry.longName);
}

std::string invalidValue(const OptionEntry& entry, std::string_view value, std::string_view expected) {
    return optionNames(entry) + ": " + quoted(value) + " is not " + std::string(expected);
}

// Returns the usage error, if any, of giving the option this value.
std::optional<std::string> applyValue(const OptionEntry& entry, std::string_view value, CliOptions& options) {
    switch (entry.id) {
    case OptionId::Address:
    case OptionId::TableSize:
        if (!isStrictHex(value)) return invalidValue(entry, value, "a hex number of at most 8 digits (0x optional)");
        (entry.id == OptionId::Address ? options.address : options.tableSize) = value;
        break;
    case OptionId::ItemsPerLine:
        if (!isItemsPerLine(value)) return invalidValue(entry, value, "a decimal number from 1 to 255");
        options.itemsPerLine = value;
        break;
    case OptionId::Items: {
        std::optional<typed::ElementType> type = typed::parseElementType(value);
        if (const std::optional<int> singular = valueNamed(kItemsSingulars, value)) {
            type = static_cast<typed::ElementType>(*singular);
        }
        if (!type) return invalidValue(entry, value, listed(kItemsChoices));
        options.items = *type;
        options.itemsGiven = true;
        break;
    }
    case OptionId::Language: {
        const std::optional<int> index = valueNamed(kLanguageNames, value);
        if (!index) return invalidValue(entry, value, listed(kLanguageChoices));
        options.language = static_cast<CliLanguage>(*index);
        break;
    }
    case OptionId::Name:
        if (!isDeclarationName(value)) return invalidValue(entry, value, "a C identifier of at most 64 characters");
        options.name = value;
        break;
    case OptionId::VirtualAddress: {
        const std::optional<std::uint64_t> address = parseVirtualAddress(value);
        if (!address) return invalidValue(entry, value, "a hex number of at most 16 digits (0x optional)");
        options.virtualAddress = address;
        break;
    }
    case OptionId::Symbol:
        options.symbol = value;
        options.symbols.emplace_back(value);
        break;
    case OptionId::Match: options.match = value; break;
    case OptionId::Dims: {
        auto dims = typed::parseDims(value);
        if (!dims) return dims.error();
        options.dims = std::move(*dims);
        break;
    }
    case OptionId::DebugFile:
    case OptionId::DebugDir:
        if (value.empty())
            return invalidValue(entry, value, entry.id == OptionId::DebugFile ? "a file name" : "a folder");
        (entry.id == OptionId::DebugFile ? options.debugFile : options.debugDirectory) = value;
        break;
    case OptionId::EmbedPath:
        if (value.empty()) return invalidValue(entry, value, "a path");
        options.embedPath = value;
        break;
    case OptionId::Output:
        if (value.empty()) return invalidValue(entry, value, "a file name");
        // "-" is standard output, as without the option.
        options.outputPath = value == "-" ? std::string_view{} : value;
        break;
    default: break;
    }
    return std::nullopt;
}

void applyFlag(OptionId id, CliOptions& options) {
    switch (id) {
    case OptionId::Rva: options.rva = true; break;
    case OptionId::BigEndian: options.bigEndian = true; break;
    case OptionId::Decimal: options.decimal = true; break;
    case OptionId::DumpToFile: options.dumpToFile = true; break;
    case OptionId::LineFeeds: options.lineEnd = LineEnd::Lf; break;
    case OptionId::FixedTypes: options.types = TypeNames::Fixed; break;
    case OptionId::ListSections: options.listSections = true; break;
    case OptionId::ListSymbols: options.listSymbols = true; break;
    case OptionId::LittleEndian: options.littleEndian = true; break;
    case OptionId::Demangle: options.demangle = true; break;
    case OptionId::Const: options.constness = Constness::Const; break;
    case OptionId::Length: options.length = LengthConstant::After; break;
    case OptionId::StringLiteral: options.byteForm = forms::ByteForm::StringLiteral; break;
    case OptionId::Embed: options.byteForm = forms::ByteForm::Embed; break;
    case OptionId::Provenance: options.provenance = true; break;
    default: break;
    }
}

using LongOptionLookup = Expected<const OptionEntry*, std::string>;

// An exact name wins; otherwise an unambiguous prefix names the option, as
// with getopt_long. `argument` is the whole text after "--", for the message.
LongOptionLookup findLongOption(std::string_view name, std::string_view argument) {
    std::vector<const OptionEntry*> matches;
    for (const OptionEntry& entry : kOptions) {
        if (entry.longName == name) return &entry;
        if (entry.longName.starts_with(name)) matches.push_back(&entry);
    }
    if (matches.size() == 1) return matches.front();
    if (matches.empty())
        return LongOptionLookup::failure("unrecognized option " + quoted("--" + std::string(argument)));
    std::string message = "option '--" + std::string(name) + "' is ambiguous; possibilities:";
    for (const OptionEntry* entry : matches) message += " '--" + std::string(entry->longName) + "'";
    return LongOptionLookup::failure(message);
}

const OptionEntry* findShortOption(char name) {
    for (const OptionEntry& entry : kOptions) {
        if (entry.shortName != '\0' && entry.shortName == name) return &entry;
    }
    return nullptr;
}

// Walks the arguments once. Options and operands may come in any order; a
// value is taken as it stands even when it begins with '-'. Every usage error
// is collected, so that one run reports them all; help and the version end
// the walk where they stand.
class Parser {
public:
    explicit Parser(const std::vector<std::string_view>& arguments) : arguments_(arguments) {}

    ParseResult parse() {
        bool optionsEnded = false;
        for (next_ = 0; next_ < arguments_.size();) {
            const std::string_view argument = arguments_[next_++];
            if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                operands_.push_back(argument);
            } else if (argument == "--") {
                optionsEnded = true;
            } else {
                if (argument[1] == '-') {
                    parseLong(argument.substr(2));
                } else {
                    parseShortGroup(argument.substr(1));
                }
                if (command_.kind != CommandKind::Run) {
                    if (!errors_.empty()) return failure();
                    return Command{command_.kind, {}};
                }
            }
        }
        checkTheWhole();
        if (!errors_.empty()) return failure();
        command_.options.path = operands_.front();
        return command_;
    }

private:
    void addError(std::string message) {
        if (std::find(errors_.begin(), errors_.end(), message) == errors_.end()) errors_.push_back(std::move(message));
    }
    void addErrorIfAny(const std::optional<std::string>& message) {
        if (message) addError(*message);
    }

    // The messages, one a line.
    ParseResult failure() const {
        std::string joined;
        for (const std::string& error : errors_) joined += (joined.empty() ? "" : "\n") + error;
        return ParseResult::failure(joined);
    }

    void parseLong(std::string_view body) {
        const std::size_t equals = body.find('=');
        const std::string_view name = body.substr(0, equals);
        const auto found = findLongOption(name, body);
        if (!found) return addError(found.error());
        const OptionEntry& entry = **found;
        seen_.push_back(entry.id);
        const std::string shownName = "'--" + std::string(entry.longName) + "'";
        if (entry.valueName.empty()) {
            if (equals != std::string_view::npos) return addError("option " + shownName + " doesn't allow an argument");
            return take(entry);
        }
        if (equals != std::string_view::npos) return addErrorIfAny(give(entry, body.substr(equals + 1)));
        if (next_ == arguments_.size()) return addError("option " + shownName + " requires an argument");
        addErrorIfAny(give(entry, arguments_[next_++]));
    }

    // "-s40", "-s 40", and flags grouped as in "-h". An unknown letter ends
    // the group: what follows it can't be told apart from a value.
    void parseShortGroup(std::string_view group) {
        for (std::size_t position = 0; position < group.size(); ++position) {
            const OptionEntry* entry = findShortOption(group[position]);
            if (entry == nullptr) return addError("invalid option -- " + quoted(group.substr(position, 1)));
            seen_.push_back(entry->id);
            if (entry->valueName.empty()) {
                take(*entry);
                if (command_.kind != CommandKind::Run) return;
                continue;
            }
            const std::string_view attached = group.substr(position + 1);
            if (!attached.empty()) return addErrorIfAny(give(*entry, attached));
            if (next_ == arguments_.size()) {
                return addError("option requires an argument -- '" + std::string(1, entry->shortName) + "'");
            }
            return addErrorIfAny(give(*entry, arguments_[next_++]));
        }
    }

    // --record's fields are read once the whole line is, when the language
    // whose reserved words they must avoid is known.
    std::optional<std::string> give(const OptionEntry& entry, std::string_view value) {
        if (entry.id == OptionId::Record) {
            recordText_ = value;
            return std::nullopt;
        }
        return applyValue(entry, value, command_.options);
    }

    void take(const OptionEntry& flag) {
        switch (flag.id) {
        case OptionId::Help: command_.kind = CommandKind::Help; break;
        case OptionId::Version: command_.kind = CommandKind::Version; break;
        default: applyFlag(flag.id, command_.options); break;
        }
    }

    bool wasSeen(OptionId id) const { return std::find(seen_.begin(), seen_.end(), id) != seen_.end(); }

    // The conflicts between options, and the operand.
    void checkTheWhole() {
        for (const Exclusion& exclusion : kExclusions) {
            if (wasSeen(exclusion.first) && wasSeen(exclusion.second)) addError(std::string(exclusion.message));
        }
        const CliOptions& options = command_.options;
        checkSeveralTables();
        if ((options.debugFile || options.debugDirectory) && !options.symbol && !options.listSymbols &&
            !options.match) {
            addError("--debug-file and --debug-dir say where --symbol and --list-symbols read debug info: give one");
        }
        if (options.dumpToFile && !itemsEntryOf(options.items)) {
            addError("--dump-to-file writes bytes, words and dwords: give -o FILE for " +
                     std::string(typed::typeName(options.items)));
        }
        if (options.dumpToFile && !hasStyleRow(options.language)) {
            addError("--dump-to-file writes bytes, words and dwords as the dialog prints them: give -o FILE for " +
                     std::string(languageRow(options.language).cliName));
        }
        // result.txt keeps the dialog's format, CR LF line ends included.
        if (options.lineEnd == LineEnd::Lf && options.dumpToFile) {
            addError("--lf and --dump-to-file exclude each other: result.txt keeps CR LF");
        }
        if (const auto language = languageReserving(options.language, options.name)) {
            addError("--name: " + quoted(options.name) + " is a reserved word in " + std::string(*language));
        }
        if (const auto reason = options.constness == Constness::Const ? constRefusal(options.language) : std::nullopt) {
            addError("--const: " + std::string(*reason));
        }
        if (const auto reason =
                options.length == LengthConstant::After ? lengthRefusal(options.language) : std::nullopt) {
            addError("--length: " + std::string(*reason));
        }
        checkRecordAndDims();
        checkByteForm();
        if (operands_.empty()) return addError("missing FILE");
        if (operands_.size() > 1) addError("extra operand " + quoted(operands_[1]));
    }

    // Several tables: each --symbol, or every data symbol --match matches,
    // one after another in one output; --provenance's comment before each.
    void checkSeveralTables() {
        const CliOptions& options = command_.options;
        const bool matchedTables = options.match && !options.listSymbols;
        if (matchedTables && (options.symbol || wasSeen(OptionId::Address) || options.virtualAddress)) {
            addError(
                "--match without --list-symbols prints every data symbol it matches: leave out -a, --va and "
                "--symbol");
        }
        if (asksSeveralTables(options)) {
            if (wasSeen(OptionId::Name)) {
                addError("--name names one table: with several, each is named after its own variable");
            }
            if (options.dumpToFile) addError("--dump-to-file writes one table: give -o FILE for several");
            if (!operands_.empty() && operands_.front() == kStandardInputPath) {
                addError("several tables are read from FILE one by one: give it as a file, not standard input");
            }
        }
        if (!options.provenance) return;
        const typed::LanguageRow& row = languageRow(options.language);
        if (row.lineComment.empty()) {
            addError("--provenance: " + std::string(row.cliName) +
                     " prints the bytes alone and has no comments to say where they came from");
        }
        if (options.rva) addError("--provenance names the table's file offset: give --va or --symbol, not --rva");
        if (options.dumpToFile)
            addError(
                "--provenance and --dump-to-file exclude each other: result.txt keeps the "
                "dialog's format");
        if (options.listSections || options.listSymbols) {
            addError("--provenance comments tables: the listings print none");
        }
    }

    // --record and --dims: the fields read, and what the language and -s
    // already tell of them.
    void checkRecordAndDims() {
        CliOptions& options = command_.options;
        if (recordText_) {
            auto record = typed::parseRecordSpec(
                *recordText_, [&](std::string_view name) { return fieldReserving(options.language, name); });
            if (!record) return addError(record.error());
            options.record = std::move(*record);
        }
        if (!options.record && options.dims.empty()) return;
        if (options.record && wasSeen(OptionId::Items)) addError("--record gives each field's type: leave out -i");
        const std::string_view refusal = languageRow(options.language).shapeRefusal;
        if (!refusal.empty()) addError(std::string(refusal));
        if (options.dumpToFile) addError("--dump-to-file writes flat tables: give -o FILE for --record and --dims");
        // A record larger than -s is wrong whatever the file holds.
        const std::optional<std::uint32_t> size = convertHexField(options.tableSize);
        if (options.record && size && options.record->byteSize() > *size) {
            addError(typed::checkShape(options.record, {}, typed::ElementType::U8, *size).error());
        }
    }

    // The byte forms print bytes (-i bytes when -i is left out), and only
    // what the language and the other options let them.
    void checkByteForm() {
        CliOptions& options = command_.options;
        if (wasSeen(OptionId::EmbedPath) && options.byteForm != forms::ByteForm::Embed) {
            addError("--embed-path names the file --embed prints: give that too");
        }
        if (options.byteForm == forms::ByteForm::Array) return;
        if (!wasSeen(OptionId::Items)) options.items = typed::ElementType::U8;
        const bool standardInput = !operands_.empty() && operands_.front() == kStandardInputPath;
        for (const std::string& error : byteFormErrors(options, standardInput)) addError(error);
    }

    const std::vector<std::string_view>& arguments_;
    std::optional<std::string_view> recordText_;
    std::size_t next_ = 0;
    std::vector<std::string_view> operands_;
    std::vector<OptionId> seen_;
    std::vector<std::string> errors_;
    Command command_;
};

}  // namespace

bool asksSeveralTables(const CliOptions& options) {
    return options.symbols.size() > 1 || (options.match && !options.listSymbols);
}

std::string inputName(const CliOptions& options) {
    return options.path == kStandardInputPath ? "standard input" : options.path;
}

Expected<Command, std::string> parseCommandLine(const std::vector<std::string_view>& arguments) {
    return Parser(arguments).parse();
}

std::vector<OptionSynopsis> optionSynopses() {
    std::vector<OptionSynopsis> synopses;
    for (const OptionEntry& entry : kOptions) synopses.push_back({entry.shortName, entry.longName, entry.valueName});
    return synopses;
}

std::vector<std::string_view> itemsNames() { return {std::begin(kItemsChoices), std::end(kItemsChoices)}; }

std::vector<std::string_view> languageNames() { return {std::begin(kLanguageChoices), std::end(kLanguageChoices)}; }

std::string_view helpText() {
    return "Usage: zemrik-cli [options] FILE\n"
           "Print a table of numbers found in FILE as C, ASM, Delphi, Data Str, Rust, Go,\n"
           "Python, C#, GNU assembler, Java or JavaScript source text. FILE - reads\n"
           "standard input.\n"
           "Without -a and -s the whole file: zemrik-cli -i bytes -l c FILE\n"
           "\n"
           "The table (each may be left out; the listings need only FILE):\n"
           "  -a, --address HEX    where the table starts: a file offset (default: 0),\n"
           "                       or with --rva a virtual address inside a PE32 image\n"
           "                       (no default); or --va or --symbol instead\n"
           "  -s, --size HEX       size of the table in bytes (default: to the end of\n"
           "                       the file, or what --symbol gives; none with --rva)\n"
           "  -n, --per-line DEC   number of items on a line, 1 to 255 (default: 16\n"
           "                       bytes' worth: 16 bytes, 8 words, 4 dwords, 2 qwords)\n"
           "\n"
           "Options:\n"
           "  -i, --items TYPE     bytes, words, dwords, qwords (or byte, word, dword,\n"
           "                       qword), or u8, u16, u32, u64, i8, i16, i32, i64, f32,\n"
           "                       f64 (default: words). Hex and --decimal don't apply\n"
           "                       to f32 and f64: they print as the shortest decimal\n"
           "                       that reads back to the same bits (in asm and gas, as\n"
           "                       those bits in hex); datastr prints any type's bytes\n"
           "  -l, --language LANG  c, asm, delphi, datastr, rust, go, python, csharp,\n"
           "                       gas (GNU as), java or javascript; cpp and c++ are c\n"
           "                       (default: asm)\n"
           "      --record FIELDS  read the table as records of comma-separated fields\n"
           "                       NAME:TYPE or NAME:TYPE[COUNT], TYPE one of u8 to f64;\n"
           "                       a field named _ is padding, read and not printed;\n"
           "                       -n counts records (default: 1); not with -i\n"
           "      --dims DIMS      print an array of the extents AxB[xC...], outermost\n"
           "                       first, whose product is the element or record count;\n"
           "                       -n counts innermost items (default: the most of 16\n"
           "                       bytes' worth that divides the innermost extent)\n"
           "      --const          declare the table read-only: C const (Delphi, Rust\n"
           "                       and C# tables are read-only already; Go, Python,\n"
           "                       Java, JavaScript, the assemblers and datastr refuse it)\n"
           "      --length         follow the declaration with a constant NAME_len\n"
           "                       (TABLE_LEN in Rust) of its element count\n"
           "      --name IDENT     the declaration's name instead of table (TABLE in\n"
           "                       Rust): a C identifier of at most 64 characters\n"
           "                       that the language doesn't reserve\n"
           "      --fixed-types    C uint8_t to uint64_t, int8_t to int64_t; Delphi Byte,\n"
           "                       Word, LongWord\n"
           "      --lf             end lines in LF instead of CR LF, and the text with\n"
           "                       one line break\n"
           "      --rva            read the address as a virtual address\n"
           "      --big-endian     read elements wider than a byte as big-endian; with\n"
           "                       datastr, print the bytes last to first\n"
           "      --little-endian  read elements as little-endian; with --va and\n"
           "                       --symbol they are read in the image's byte order unless\n"
           "                       this or --big-endian is given (datastr is never\n"
           "                       reversed by the image's order)\n"
           "      --decimal        print the values in decimal, signed types with a sign\n"
           "      --string-literal  print the bytes (-i bytes, the default here) as\n"
           "                       one string literal, 64 to a line unless -n says, which\n"
           "                       compiles many times faster than an array: c (one text\n"
           "                       for C and C++, its length constant always), asm,\n"
           "                       rust, go, python, gas; delphi, datastr and csharp\n"
           "                       have none\n"
           "      --embed          declare the bytes for the compiler to take from FILE\n"
           "                       itself: C23 #embed in c, incbin in asm, .incbin in\n"
           "                       gas; FILE is named by its absolute path\n"
           "      --embed-path PATH  with --embed, name the file PATH instead\n"
           "  -o, --output FILE    write the table to FILE instead of standard output; FILE\n"
           "                       is replaced only once the whole table is written, and\n"
           "                       is left as it was when the run fails\n"
           "                       or is refused; never the input file; a link's file is\n"
           "                       replaced and the link kept\n"
           "      --dump-to-file   write the table to result.txt in the current directory\n"
           "                       (bytes, words and dwords only)\n"
           "      --va HEX         the table's virtual address in a PE32, PE32+ or ELF\n"
           "                       image (up to 16 hex digits), instead of -a; without -s\n"
           "                       the table runs to the end of its section's file data\n"
           "      --symbol NAME    the table's address, and its size when the image\n"
           "                       records one, from the image's symbols, instead of -a;\n"
           "                       in an object or an archive (.o, .obj, .a, .lib), the\n"
           "                       symbol's bytes as stored, before relocation\n"
           "                       With debug info (Linux builds) and no -i: in the\n"
           "                       variable's own type, shape and name (-s and --name\n"
           "                       win); --list-symbols adds a Type column\n"
           "                       Given again, every table asked, in order, in one\n"
           "                       output, each named after its symbol (not with --name)\n"
           "      --list-sections  list the image's sections and exit\n"
           "      --list-symbols   list the image's data symbols and exit; an object's or\n"
           "                       an archive's too, with each archive member's name\n"
           "      --match GLOB     list only the symbols whose name matches GLOB (*, ?,\n"
           "                       [...] as in the shell); without --list-symbols,\n"
           "                       print every data symbol it matches, by address, as\n"
           "                       several --symbol would\n"
           "      --demangle       list C++ names demangled; --symbol takes them too\n"
           "      --debug-file PATH  read debug info from PATH, which must come from the\n"
           "                       image's build (its build-id and .gnu_debuglink CRC)\n"
           "      --debug-dir DIR  look for a stripped image's debug file under DIR\n"
           "                       (default: /usr/lib/debug) as well as beside the image\n"
           "      --provenance     put a comment before each declaration: the file's\n"
           "                       name and SHA-256, the section, virtual address, file\n"
           "                       offset and size of the table (not with datastr)\n"
           "  -h, --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "\n"
           "HEX: at most 8 hex digits, 0x optional. TYPE and LANG: in any case.\n"
           "Every usage error is reported, one a line.\n"
           "Exit status: 0 table printed, 1 request refused, 2 run failed, 64 usage error.\n";
}

std::string_view shortUsageText() {
    return "Usage: zemrik-cli [options] FILE\n"
           "Try 'zemrik-cli --help' for more information.\n";
}

std::string versionText() { return "zemrik-cli " ZEMRIK_VERSION "\n"; }

}  // namespace zemrik::cli
