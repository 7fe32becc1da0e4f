#include "app/cli/CommandLine.h"
#include "app/cli/ReservedWords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "testing/CaseName.h"
#include "zemrik/Version.h"

namespace zemrik::cli {
namespace {

using Arguments = std::vector<std::string_view>;

CliOptions parsedOptions(const Arguments& arguments) {
    const auto command = parseCommandLine(arguments);
    EXPECT_TRUE(command.hasValue()) << (command ? "" : command.error());
    if (!command) return {};
    EXPECT_EQ(command.value().kind, CommandKind::Run);
    return command.value().options;
}

TEST(CommandLine, DefaultsLeaveTheNumberFieldsEmpty) {
    const CliOptions options = parsedOptions({"table.bin"});
    EXPECT_EQ(options.path, "table.bin");
    EXPECT_EQ(options.address, "");
    EXPECT_EQ(options.tableSize, "");
    EXPECT_EQ(options.itemsPerLine, "");
    EXPECT_EQ(options.items, typed::ElementType::U16);
    EXPECT_EQ(options.language, CliLanguage::Asm);
    EXPECT_EQ(options.name, "");
    EXPECT_EQ(options.lineEnd, LineEnd::CrLf);
    EXPECT_EQ(options.types, TypeNames::Classic);
    EXPECT_FALSE(options.rva);
    EXPECT_FALSE(options.bigEndian);
    EXPECT_FALSE(options.decimal);
    EXPECT_FALSE(options.dumpToFile);
    EXPECT_EQ(options.outputPath, "");
}

TEST(CommandLine, OutputFileInEveryForm) {
    EXPECT_EQ(parsedOptions({"-o", "t.h", "f"}).outputPath, "t.h");
    EXPECT_EQ(parsedOptions({"-ot.h", "f"}).outputPath, "t.h");
    EXPECT_EQ(parsedOptions({"--output=t.h", "f"}).outputPath, "t.h");
    EXPECT_EQ(parsedOptions({"--out", "-t.h", "f"}).outputPath, "-t.h");
    EXPECT_EQ(parsedOptions({"-o", "t.h", "-o", "-", "f"}).outputPath, "") << "- is standard output";
}

struct ValueCase {
    const char* name;
    Arguments arguments;
    std::string address;
    std::string tableSize;
    std::string itemsPerLine;
};

class ValueForms : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueForms, ReachTheFieldsUnchanged) {
    const ValueCase& test = GetParam();
    const CliOptions options = parsedOptions(test.arguments);
    EXPECT_EQ(options.address, test.address);
    EXPECT_EQ(options.tableSize, test.tableSize);
    EXPECT_EQ(options.itemsPerLine, test.itemsPerLine);
    EXPECT_EQ(options.path, "f");
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ValueForms,
    ::testing::Values(
        ValueCase{"LongWithEquals", {"--address=2C0", "--size=40", "--per-line=8", "f"}, "2C0", "40", "8"},
        ValueCase{"LongSeparate", {"--address", "2C0", "--size", "40", "--per-line", "8", "f"}, "2C0", "40", "8"},
        ValueCase{"ShortAttached", {"-a2C0", "-s40", "-n8", "f"}, "2C0", "40", "8"},
        ValueCase{"ShortSeparate", {"-a", "2C0", "-s", "40", "-n", "8", "f"}, "2C0", "40", "8"},
        ValueCase{"UpperCasePrefix", {"-a", "0X1a", "-s", "0x40", "-n", "255", "f"}, "0X1a", "0x40", "255"},
        ValueCase{"LastOneWins", {"-s1", "-s2", "f"}, "", "2", ""},
        ValueCase{"OptionsAfterTheFile", {"f", "-s", "40"}, "", "40", ""},
        ValueCase{"UniquePrefix", {"--addr=10", "--si", "20", "--per=3", "f"}, "10", "20", "3"}),
    test::CaseName());

struct ChoiceCase {
    Arguments arguments;
    typed::ElementType items;
    CliLanguage language;
};

class Choices : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(Choices, MapToTheListIndexesInAnyCase) {
    const CliOptions options = parsedOptions(GetParam().arguments);
    EXPECT_EQ(options.items, GetParam().items);
    EXPECT_EQ(options.language, GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Choices,
    ::testing::Values(ChoiceCase{{"-i", "bytes", "f"}, typed::ElementType::U8, CliLanguage::Asm},
                      ChoiceCase{{"--items=Words", "f"}, typed::ElementType::U16, CliLanguage::Asm},
                      ChoiceCase{{"-iDWORDS", "f"}, typed::ElementType::U32, CliLanguage::Asm},
                      ChoiceCase{{"-i", "I16", "f"}, typed::ElementType::I16, CliLanguage::Asm},
                      ChoiceCase{{"-i", "f64", "f"}, typed::ElementType::F64, CliLanguage::Asm},
                      ChoiceCase{{"-l", "C", "f"}, typed::ElementType::U16, CliLanguage::C},
                      ChoiceCase{{"--language", "asm", "f"}, typed::ElementType::U16, CliLanguage::Asm},
                      ChoiceCase{{"-lDelphi", "f"}, typed::ElementType::U16, CliLanguage::Delphi},
                      ChoiceCase{
                          {"--language=datastr", "-i", "bytes", "f"}, typed::ElementType::U8, CliLanguage::DataStr},
                      ChoiceCase{{"-l", "rust", "f"}, typed::ElementType::U16, CliLanguage::Rust},
                      ChoiceCase{{"-l", "Go", "f"}, typed::ElementType::U16, CliLanguage::Go},
                      ChoiceCase{{"-l", "PYTHON", "f"}, typed::ElementType::U16, CliLanguage::Python},
                      ChoiceCase{{"-l", "CSharp", "f"}, typed::ElementType::U16, CliLanguage::CSharp},
                      ChoiceCase{{"-l", "Java", "f"}, typed::ElementType::U16, CliLanguage::Java},
                      ChoiceCase{{"-l", "javascript", "f"}, typed::ElementType::U16, CliLanguage::JavaScript}));

// What a front end offers for -i is what its usage error lists, each one
// taken by the parser (the dialog's names and the type names may name the
// same type: bytes is u8).
TEST(CommandLine, ItemsNamesAreTheChoicesItsUsageErrorLists) {
    const std::vector<std::string_view> names = itemsNames();
    ASSERT_FALSE(names.empty());
    std::string listed;
    for (std::size_t k = 0; k < names.size(); ++k) {
        listed += std::string(k == 0 ? "" : k + 1 == names.size() ? " or " : ", ") + std::string(names[k]);
        EXPECT_TRUE(parseCommandLine({"-i", names[k], "f"})) << names[k];
    }
    const auto refused = parseCommandLine({"-i", "?", "f"});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "-i/--items: '?' is not " + listed);
}

// -l's names, the language enum and the typed rows come in one order: a name
// selects the row of the same name, Java and JavaScript too.
TEST(CommandLine, EveryLanguageNameSelectsItsOwnRow) {
    for (const std::string_view name : languageNames()) {
        EXPECT_EQ(languageRow(parsedOptions({"-l", name, "f"}).language).cliName, name);
    }
}

TEST(CommandLine, FlagsAreSetOnlyWhenGiven) {
    const CliOptions all =
        parsedOptions({"--rva", "--big-endian", "--decimal", "--dump-to-file", "--fixed-types", "--name=crc", "f"});
    EXPECT_TRUE(all.rva);
    EXPECT_TRUE(all.bigEndian);
    EXPECT_TRUE(all.decimal);
    EXPECT_TRUE(all.dumpToFile);
    EXPECT_EQ(all.types, TypeNames::Fixed);
    EXPECT_EQ(all.name, "crc");
    EXPECT_EQ(parsedOptions({"--lf", "f"}).lineEnd, LineEnd::Lf);

    const CliOptions one = parsedOptions({"f", "--big"});
    EXPECT_FALSE(one.rva);
    EXPECT_TRUE(one.bigEndian);
    EXPECT_FALSE(one.decimal);
    EXPECT_FALSE(one.dumpToFile);
}

TEST(CommandLine, ImageOptionsReachTheirFields) {
    const CliOptions byAddress = parsedOptions({"--va", "0x140009020", "-s", "400", "f"});
    EXPECT_EQ(byAddress.virtualAddress, std::optional<std::uint64_t>(0x140009020));
    EXPECT_EQ(parsedOptions({"--va=FFFFFFFFFFFFFFFF", "f"}).virtualAddress,
              std::optional<std::uint64_t>(0xFFFFFFFFFFFFFFFF));
    const CliOptions bySymbol = parsedOptions({"--symbol", "crc32_table", "f"});
    EXPECT_EQ(bySymbol.symbol, std::optional<std::string>("crc32_table"));
    EXPECT_FALSE(bySymbol.virtualAddress);
    const CliOptions lists = parsedOptions({"--list-sections", "--list-symbols", "f"});
    EXPECT_TRUE(lists.listSections);
    EXPECT_TRUE(lists.listSymbols);
    // An image may come on standard input too.
    const CliOptions listed = parsedOptions({"--list-symbols", "--match", "crc*", "--demangle", "-"});
    EXPECT_EQ(listed.path, "-");
    EXPECT_EQ(listed.match, std::optional<std::string>("crc*"));
    EXPECT_TRUE(listed.demangle);
    EXPECT_TRUE(parsedOptions({"--symbol", "t", "--little-endian", "-"}).littleEndian);
    EXPECT_EQ(parsedOptions({"--symbol", "t", "--debug-file", "p.debug", "f"}).debugFile,
              std::optional<std::string>("p.debug"));
    EXPECT_EQ(parsedOptions({"--list-symbols", "--debug-dir=d", "f"}).debugDirectory, std::optional<std::string>("d"));
    // Several tables: every --symbol in order, or --match alone.
    const CliOptions several = parsedOptions({"--symbol", "b", "--symbol", "a", "f"});
    EXPECT_EQ(several.symbols, (std::vector<std::string>{"b", "a"}));
    EXPECT_TRUE(asksSeveralTables(several));
    EXPECT_FALSE(asksSeveralTables(bySymbol));
    EXPECT_TRUE(asksSeveralTables(parsedOptions({"--match", "crc*", "--debug-dir=d", "f"})));
    EXPECT_FALSE(asksSeveralTables(listed));
}

struct OperandCase {
    const char* name;
    Arguments arguments;
    std::string path;
};

class Operands : public ::testing::TestWithParam<OperandCase> {};

TEST_P(Operands, NameTheFile) { EXPECT_EQ(parsedOptions(GetParam().arguments).path, GetParam().path); }

INSTANTIATE_TEST_SUITE_P(CommandLine, Operands,
                         ::testing::Values(OperandCase{"AfterDoubleDash", {"--", "-s40"}, "-s40"},
                                           OperandCase{"DoubleDashTwiceKeepsTheSecond", {"--", "--"}, "--"},
                                           OperandCase{"LoneDashIsAFile", {"-"}, "-"},
                                           OperandCase{"OptionsBeforeDoubleDashStillCount", {"-s4", "--", "x"}, "x"},
                                           OperandCase{"PathWithSpaces", {"my table.bin"}, "my table.bin"}),
                         test::CaseName());

TEST(CommandLine, OptionsBeforeDoubleDashAreRead) {
    const CliOptions options = parsedOptions({"-s4", "--", "--rva"});
    EXPECT_EQ(options.tableSize, "4");
    EXPECT_FALSE(options.rva);
    EXPECT_EQ(options.path, "--rva");
}

struct HelpCase {
    const char* name;
    Arguments arguments;
    CommandKind kind;
};

class Help : public ::testing::TestWithParam<HelpCase> {};

TEST_P(Help, IsAskedFor) {
    const auto command = parseCommandLine(GetParam().arguments);
    ASSERT_TRUE(command.hasValue()) << command.error();
    EXPECT_EQ(command.value().kind, GetParam().kind);
}

// Help and the version need no FILE, and what follows them is not looked at.
INSTANTIATE_TEST_SUITE_P(CommandLine, Help,
                         ::testing::Values(HelpCase{"Short", {"-h"}, CommandKind::Help},
                                           HelpCase{"Long", {"--help"}, CommandKind::Help},
                                           HelpCase{"Prefix", {"--he"}, CommandKind::Help},
                                           HelpCase{"AfterFile", {"f", "-h"}, CommandKind::Help},
                                           HelpCase{"BeforeBadOption", {"-h", "--bogus"}, CommandKind::Help},
                                           HelpCase{"BeforeMissingValue", {"--help", "-s"}, CommandKind::Help},
                                           HelpCase{"Version", {"--version", "-s", "junk"}, CommandKind::Version},
                                           HelpCase{"VersionPrefix", {"f", "--vers"}, CommandKind::Version}),
                         test::CaseName());

TEST(CommandLine, HelpGroupsWhatPlacesTheTableAndVersionIsTheAbouts) {
    const std::string help(helpText());
    const std::size_t needed = help.find("The table (each may be left out");
    const std::size_t others = help.find("Options:\n");
    ASSERT_NE(needed, std::string::npos);
    ASSERT_NE(others, std::string::npos);
    for (const char* option : {"--address HEX", "--size HEX", "--per-line DEC"}) {
        const std::size_t at = help.find(option);
        EXPECT_TRUE(at > needed && at < others) << option;
    }
    EXPECT_EQ(versionText(), "zemrik-cli " ZEMRIK_VERSION "\n");
}

// "-a/--address HEX", "--lf": an option as the help and the man page show it.
std::string shown(char shortName, std::string_view longName, std::string_view valueName) {
    std::string text = shortName == '\0' ? "" : std::string{'-', shortName, '/'};
    // Appended piece by piece: MinGW's GCC 12 at -O3 warns falsely about "lit" + string.
    text += "--";
    text += longName;
    if (!valueName.empty()) {
        text += ' ';
        text += valueName;
    }
    return text;
}

std::multiset<std::string> definedOptions() {
    std::multiset<std::string> options;
    for (const OptionSynopsis& option : optionSynopses()) {
        options.insert(shown(option.shortName, option.longName, option.valueName));
    }
    return options;
}

std::string matched(const std::smatch& match, std::size_t index) {
    return match[index].matched ? match[index].str() : "";
}

std::multiset<std::string> shownOptions(std::istream& lines, const std::regex& entry, const std::regex& option) {
    std::multiset<std::string> options;
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (!std::regex_search(line, match, entry)) continue;
        std::string text = match[1];
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"\\-", "-"}, {"\\fI", ""}, {"\\fR", ""}, {"\"", ""}, {"=", " "}}) {
            for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
                text.replace(at, from.size(), to);
            }
        }
        if (!std::regex_match(text, match, option)) {
            options.insert("unread: " + text);
            continue;
        }
        const std::string shortName = matched(match, 1);
        options.insert(shown(shortName.empty() ? '\0' : shortName[0], matched(match, 2), matched(match, 3)));
    }
    return options;
}

// The parser's table is what --help and the man page describe, option for
// option, with the same names and values.
TEST(CommandLine, HelpAndManPageShowEveryOptionOfTheParsersTable) {
    const std::regex option(R"(\s*(?:-([a-z])\s*,\s*)?--([a-z-]+)\s*([A-Z]*)\s*)");
    std::istringstream help{std::string(helpText())};
    EXPECT_EQ(shownOptions(help, std::regex(R"(^  ((?:-[a-z], |    )--[a-z-]+(?: [A-Z]+)?)  )"), option),
              definedOptions());

    std::ifstream manPage(ZEMRIK_MAN_PAGE_SOURCE);
    ASSERT_TRUE(manPage) << ZEMRIK_MAN_PAGE_SOURCE;
    std::string line;
    while (std::getline(manPage, line) && line != ".SH OPTIONS") {}
    // Each option's paragraph opens with .TP and its names; the section ends at the next .SH.
    std::stringstream entries;
    bool afterTp = false;
    while (std::getline(manPage, line) && !line.starts_with(".SH ")) {
        if (afterTp) entries << line << '\n';
        afterTp = line == ".TP";
    }
    EXPECT_EQ(shownOptions(entries, std::regex(R"(^\.B[IR]? (\\-.*)$)"), option), definedOptions());
}

struct UsageErrorCase {
    const char* name;
    Arguments arguments;
    std::string message;
};

class UsageErrors : public ::testing::TestWithParam<UsageErrorCase> {};

TEST_P(UsageErrors, AreReportedWithTheirMessage) {
    const auto command = parseCommandLine(GetParam().arguments);
    ASSERT_FALSE(command.hasValue());
    EXPECT_EQ(command.error(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, UsageErrors,
    ::testing::Values(
        UsageErrorCase{"NoArguments", {}, "missing FILE"}, UsageErrorCase{"OnlyOptions", {"-s", "40"}, "missing FILE"},
        UsageErrorCase{"TwoFiles", {"a", "b"}, "extra operand 'b'"},
        UsageErrorCase{"FileAfterDoubleDashToo", {"a", "--", "b"}, "extra operand 'b'"},
        UsageErrorCase{"UnknownLong", {"--bogus", "f"}, "unrecognized option '--bogus'"},
        UsageErrorCase{"UnknownLongWithValue", {"--bogus=1", "f"}, "unrecognized option '--bogus=1'"},
        UsageErrorCase{"UnknownShort", {"-x", "f"}, "invalid option -- 'x'"},
        UsageErrorCase{"LongOnlyFlagHasNoShortForm", {"-r", "f"}, "invalid option -- 'r'"},
        UsageErrorCase{"ErrorBeforeHelpWins", {"-x", "-h"}, "invalid option -- 'x'"},
        UsageErrorCase{"AmbiguousPrefix",
                       {"--d", "f"},
                       "option '--d' is ambiguous; possibilities: '--decimal' '--dump-to-file' '--demangle' '--dims' "
                       "'--debug-file' '--debug-dir'"},
        UsageErrorCase{"MissingLongValue", {"f", "--size"}, "option '--size' requires an argument"},
        UsageErrorCase{"MissingShortValue", {"f", "-a"}, "option requires an argument -- 'a'"},
        UsageErrorCase{"MissingPerLineValue", {"f", "-n"}, "option requires an argument -- 'n'"},
        UsageErrorCase{"FlagWithValue", {"--rva=1", "f"}, "option '--rva' doesn't allow an argument"},
        UsageErrorCase{"HelpWithValue", {"--help=x"}, "option '--help' doesn't allow an argument\nmissing FILE"},
        UsageErrorCase{"TypedDumpToFile",
                       {"-i", "i64", "--dump-to-file", "f"},
                       "--dump-to-file writes bytes, words and dwords: give -o FILE for i64"},
        UsageErrorCase{
            "UnknownItems",
            {"-i", "u128", "f"},
            "-i/--items: 'u128' is not bytes, words, dwords, qwords, u8, u16, u32, u64, i8, i16, i32, i64, f32 or f64"},
        UsageErrorCase{
            "EmptyItems",
            {"--items=", "f"},
            "-i/--items: '' is not bytes, words, dwords, qwords, u8, u16, u32, u64, i8, i16, i32, i64, f32 or f64"},
        UsageErrorCase{"UnknownLanguage",
                       {"-l", "pascal", "f"},
                       "-l/--language: 'pascal' is not c, asm, delphi, datastr, rust, go, python, csharp, gas, java or "
                       "javascript"},
        UsageErrorCase{
            "LanguageBoxText",
            {"-l", "C/C++", "f"},
            "-l/--language: 'C/C++' is not c, asm, delphi, datastr, rust, go, python, csharp, gas, java or javascript"},
        UsageErrorCase{"SizeWithJunk",
                       {"-s", "12junk", "f"},
                       "-s/--size: '12junk' is not a hex number of at most 8 digits (0x optional)"},
        UsageErrorCase{"AddressOfNineDigits",
                       {"--address=100000000", "f"},
                       "-a/--address: '100000000' is not a hex number of at most 8 digits (0x optional)"},
        UsageErrorCase{
            "PerLineAboveTheLimit", {"-n", "1000", "f"}, "-n/--per-line: '1000' is not a decimal number from 1 to 255"},
        UsageErrorCase{"NameNotAnIdentifier",
                       {"--name", "9lives", "f"},
                       "--name: '9lives' is not a C identifier of at most 64 characters"},
        UsageErrorCase{"CKeyword", {"--name", "int", "-l", "c", "f"}, "--name: 'int' is a reserved word in C or C++"},
        UsageErrorCase{
            "CPlusPlusKeyword", {"-lc", "--name=xor_eq", "f"}, "--name: 'xor_eq' is a reserved word in C or C++"},
        UsageErrorCase{"DelphiWordInAnyCase",
                       {"-l", "delphi", "--name", "Begin", "f"},
                       "--name: 'Begin' is a reserved word in Delphi"},
        UsageErrorCase{
            "RustKeyword", {"-l", "rust", "--name", "type", "f"}, "--name: 'type' is a reserved word in Rust"},
        UsageErrorCase{"GoKeyword", {"-l", "go", "--name", "func", "f"}, "--name: 'func' is a reserved word in Go"},
        UsageErrorCase{
            "PythonKeyword", {"-l", "python", "--name", "False", "f"}, "--name: 'False' is a reserved word in Python"},
        UsageErrorCase{
            "CSharpKeyword", {"-l", "csharp", "--name", "uint", "f"}, "--name: 'uint' is a reserved word in C#"},
        UsageErrorCase{"ControlCharactersAreShownEscaped",
                       {"-s", "\x1B[2J", "f"},
                       "-s/--size: '\\x1B[2J' is not a hex number of at most 8 digits (0x optional)"},
        UsageErrorCase{"LineFeedsIntoResultTxt",
                       {"--lf", "--dump-to-file", "f"},
                       "--lf and --dump-to-file exclude each other: result.txt keeps CR LF"},
        UsageErrorCase{"AmbiguousLanguageOrLf",
                       {"--l=c", "f"},
                       "option '--l' is ambiguous; possibilities: '--language' '--lf' '--list-sections' "
                       "'--list-symbols' '--little-endian' '--length'"},
        UsageErrorCase{"OutputFileAndResultTxt",
                       {"-o", "t.h", "--dump-to-file", "f"},
                       "--output and --dump-to-file exclude each other: the table goes to one file"},
        UsageErrorCase{"EmptyOutputFile", {"--output=", "f"}, "-o/--output: '' is not a file name"},
        UsageErrorCase{"OutputFileOfAListing",
                       {"--list-symbols", "-o", "t.txt", "f"},
                       "-o/--output takes a table; the listings go to standard output"},
        UsageErrorCase{"DebugFileAndFolder",
                       {"--symbol", "t", "--debug-file", "p.debug", "--debug-dir", "d", "f"},
                       "--debug-file names the debug file: no folder is searched with it"},
        UsageErrorCase{"DebugFolderWithoutSymbol",
                       {"--debug-dir", "d", "f"},
                       "--debug-file and --debug-dir say where --symbol and --list-symbols read debug info: give one"},
        UsageErrorCase{
            "EmptyDebugFile", {"--list-symbols", "--debug-file=", "f"}, "--debug-file: '' is not a file name"},
        UsageErrorCase{"MissingItemsValue", {"f", "--items"}, "option '--items' requires an argument"},
        UsageErrorCase{"MissingLanguageValue", {"f", "-l"}, "option requires an argument -- 'l'"},
        UsageErrorCase{"VaOf17Digits",
                       {"--va", "10000000000000000", "f"},
                       "--va: '10000000000000000' is not a hex number of at most 16 digits (0x optional)"},
        UsageErrorCase{
            "VaNotHex", {"--va=40100g", "f"}, "--va: '40100g' is not a hex number of at most 16 digits (0x optional)"},
        UsageErrorCase{
            "VaPrefixOnly", {"--va=0x", "f"}, "--va: '0x' is not a hex number of at most 16 digits (0x optional)"},
        UsageErrorCase{
            "VaAndAddress", {"-a", "0", "--va", "1000", "f"}, "give the table's address once: -a, --va or --symbol"},
        UsageErrorCase{
            "SymbolAndVa", {"--symbol=t", "--va", "1000", "f"}, "give the table's address once: -a, --va or --symbol"},
        UsageErrorCase{
            "SymbolAndAddress", {"--symbol=t", "-a0", "f"}, "give the table's address once: -a, --va or --symbol"},
        UsageErrorCase{"RvaWithSymbol",
                       {"--symbol=t", "--rva", "f"},
                       "--rva applies to -a only; --va and --symbol take image addresses themselves"},
        UsageErrorCase{"ListNeedsAFile", {"--list-symbols"}, "missing FILE"},
        UsageErrorCase{"MatchedTablesWithAnAddress",
                       {"--match", "crc*", "-a0", "f"},
                       "--match without --list-symbols prints every data symbol it matches: leave out -a, --va and "
                       "--symbol"},
        UsageErrorCase{"NameWithTwoSymbols",
                       {"--symbol", "a", "--symbol", "b", "--name", "t", "f"},
                       "--name names one table: with several, each is named after its own variable"},
        UsageErrorCase{"NameWithMatchedTables",
                       {"--match", "crc*", "--name", "t", "f"},
                       "--name names one table: with several, each is named after its own variable"},
        UsageErrorCase{"SeveralTablesFromStandardInput",
                       {"--symbol", "a", "--symbol", "b", "-"},
                       "several tables are read from FILE one by one: give it as a file, not standard input"},
        UsageErrorCase{"SeveralTablesDumped",
                       {"--symbol", "a", "--symbol", "b", "--dump-to-file", "f"},
                       "--dump-to-file writes one table: give -o FILE for several"},
        UsageErrorCase{"ProvenanceInDataStr",
                       {"--provenance", "-l", "datastr", "f"},
                       "--provenance: datastr prints the bytes alone and has no comments to say where they came from"},
        UsageErrorCase{"ProvenanceWithRva",
                       {"--provenance", "--rva", "-a", "401000", "f"},
                       "--provenance names the table's file offset: give --va or --symbol, not --rva"},
        UsageErrorCase{"BothByteOrders",
                       {"--big-endian", "--little-endian", "f"},
                       "--big-endian and --little-endian exclude each other"},
        UsageErrorCase{"JavaKeyword", {"-l", "java", "--name", "_", "f"}, "--name: '_' is a reserved word in Java"},
        UsageErrorCase{"JavaScriptKeyword",
                       {"-l", "javascript", "--name", "let", "f"},
                       "--name: 'let' is a reserved word in JavaScript"},
        UsageErrorCase{
            "ConstInJava", {"-l", "java", "--const", "f"}, "--const: Java's final fixes the array, not its elements"},
        UsageErrorCase{
            "JavaIntoResultTxt",
            {"-l", "java", "--dump-to-file", "f"},
            "--dump-to-file writes bytes, words and dwords as the dialog prints them: give -o FILE for java"},
        // The field's name is checked against the language given after it.
        UsageErrorCase{"FieldNameTheLanguageReserves",
                       {"--record", "id:u16,type:u8", "-l", "rust", "f"},
                       "--record field 2 \"type:u8\": \"type\" is a word Rust reserves"},
        // Names only a record's field can't take: a Java record's component, a JavaScript object's key.
        UsageErrorCase{"FieldNameAJavaRecordReserves",
                       {"--record", "hashCode:u8", "-l", "java", "f"},
                       "--record field 1 \"hashCode:u8\": \"hashCode\" is a word a Java record reserves"},
        UsageErrorCase{"FieldNameAJavaScriptObjectReserves",
                       {"--record", "a:u8,__proto__:u8", "-l", "javascript", "f"},
                       "--record field 2 \"__proto__:u8\": \"__proto__\" is a word a JavaScript object reserves"},
        UsageErrorCase{
            "RecordWithItems", {"-i", "u8", "--record", "a:u8", "f"}, "--record gives each field's type: leave out -i"},
        UsageErrorCase{"RecordLargerThanTheSize",
                       {"--record", "a:u32,b:u16[2]", "-s", "7", "f"},
                       "--record: a record of 8 bytes is larger than the table's 7"},
        UsageErrorCase{"DimsInDataStr",
                       {"-l", "datastr", "--dims", "2x2", "f"},
                       "Data Str prints the table's bytes as one string: it takes neither --record nor --dims"},
        UsageErrorCase{"OneExtent", {"--dims", "16", "f"}, "--dims \"16\": at least two extents, AxB"},
        UsageErrorCase{"RecordsIntoResultTxt",
                       {"--record", "a:u8", "--dump-to-file", "f"},
                       "--dump-to-file writes flat tables: give -o FILE for --record and --dims"},
        UsageErrorCase{"StringLiteralOfWords",
                       {"--string-literal", "-i", "words", "f"},
                       "--string-literal prints bytes: give -i bytes or u8, not u16"},
        UsageErrorCase{"StringLiteralInDelphi",
                       {"--string-literal", "-l", "delphi", "f"},
                       "--string-literal: Delphi has no literal for an array of bytes"},
        UsageErrorCase{"EmbedInRust",
                       {"--embed", "-l", "rust", "f"},
                       "--embed: Rust's include_bytes! takes a whole file, not a stretch of one"},
        UsageErrorCase{"EmbedOfStandardInput",
                       {"--embed", "-"},
                       "--embed: standard input has no path for the compiler to read: give --embed-path PATH"},
        UsageErrorCase{"EmbedPathAlone",
                       {"--embed-path", "t.bin", "f"},
                       "--embed-path names the file --embed prints: give that too"},
        UsageErrorCase{"EmbedPathCantBeWritten",
                       {"--embed", "-lc", "--embed-path", "a\"b", "f"},
                       "--embed-path: the path holds a '\"', which #embed can't write"},
        UsageErrorCase{"BothByteForms",
                       {"--embed", "--string-literal", "f"},
                       "--string-literal and --embed exclude each other: one form at a time"},
        UsageErrorCase{"ByteFormsPrintNoNumbers",
                       {"--string-literal", "--decimal", "--dump-to-file", "f"},
                       "--string-literal prints no numbers: --decimal doesn't apply\n"
                       "--dump-to-file writes the dialog's tables: give -o FILE for --string-literal"}),
    test::CaseName());

// The byte forms print bytes unless -i says otherwise, which they refuse.
TEST(CommandLine, ByteFormsPrintBytesWhenItemsAreLeftOut) {
    EXPECT_EQ(parsedOptions({"--string-literal", "f"}).items, typed::ElementType::U8);
    EXPECT_EQ(parsedOptions({"--embed", "-", "--embed-path", "t.bin"}).embedPath, "t.bin");
}

// A reserved word is refused only by the languages that reserve it, and only
// Delphi's words in any case.
TEST(CommandLine, ANameIsRefusedOnlyWhereItIsReserved) {
    const std::vector<Arguments> accepted = {
        {"-l", "c", "--name", "type", "f"},        {"-l", "c", "--name", "Int", "f"},
        {"-l", "asm", "--name", "int", "f"},       {"-l", "datastr", "--name", "class", "f"},
        {"-l", "go", "--name", "uint8", "f"},      {"-l", "rust", "--name", "union", "f"},
        {"-l", "python", "--name", "match", "f"},  {"-l", "csharp", "--name", "var", "f"},
        {"-l", "delphi", "--name", "int", "f"},    {"-l", "java", "--name", "record", "f"},
        {"-l", "javascript", "--name", "of", "f"},
    };
    for (const Arguments& arguments : accepted) {
        const auto command = parseCommandLine(arguments);
        EXPECT_TRUE(command.hasValue()) << arguments[1] << " " << arguments[3] << ": " << command.error();
    }
}

// A variable's name made declarable: each step of the rule, its boundary
// (64 characters kept, 65 cut), and a valid name left alone.
TEST(CommandLine, VariableNamesBecomeDeclarableByOneRule) {
    const std::string longest(64, 'x');
    const struct {
        CliLanguage language;
        std::string name;
        std::string declared;
    } cases[] = {
        {CliLanguage::C, "crc32_table", "crc32_table"},
        {CliLanguage::C, "ns::tbl", "ns_tbl"},
        {CliLanguage::C, "a::b::c__d", "a_b_c__d"},
        {CliLanguage::C,
         "t\xC3\xA4"
         "bla",
         "t_bla"},  // non-ASCII "ä": one run, one _
        {CliLanguage::C, "tbl.1234", "tbl_1234"},
        {CliLanguage::C, "1st", "_1st"},
        {CliLanguage::C, "", "_"},
        {CliLanguage::C, "int", "int_"},
        {CliLanguage::Rust, "int", "int"},
        {CliLanguage::Rust, "match", "match_"},
        {CliLanguage::Delphi, "Begin", "Begin_"},
        {CliLanguage::Java, "::", "__"},
        {CliLanguage::Asm, "int", "int"},
        {CliLanguage::C, longest, longest},
        {CliLanguage::C, longest + "y", std::string(55, 'x') + "_b32b15f4"},
        {CliLanguage::C, longest + "z", std::string(55, 'x') + "_b62b1aad"},
    };
    for (const auto& c : cases) {
        const std::string declared = declarableName(c.language, c.name);
        EXPECT_EQ(declared, c.declared) << c.name;
        EXPECT_LE(declared.size(), kLongestDeclarationName) << c.name;
    }
}

// A record's members from debug info: a word the language's records reserve,
// and a name an earlier field or another member already holds, are renamed;
// padding and names it can declare are left alone.
TEST(CommandLine, DebugInfoMembersBecomeDeclarableFields) {
    using typed::ElementType;
    const auto fieldsOf = [](std::initializer_list<const char*> names) {
        typed::RecordSpec record;
        for (const char* name : names) record.fields.push_back({name, ElementType::U8, 1});
        return record;
    };
    const struct {
        CliLanguage language;
        typed::RecordSpec record;
        std::vector<std::string> declared;
        std::size_t renamed;
    } cases[] = {
        {CliLanguage::Go, fieldsOf({"type", "_", "range_", "range"}), {"type_", "_", "range_", "range__"}, 2},
        {CliLanguage::C, fieldsOf({"type", "a_b", "a_b", "a_b_"}), {"type", "a_b", "a_b__", "a_b_"}, 1},
        {CliLanguage::Java, fieldsOf({"hashCode", "id"}), {"hashCode_", "id"}, 1},
        {CliLanguage::JavaScript, fieldsOf({"__proto__"}), {"__proto___"}, 1},
    };
    for (auto test : cases) {
        const auto renamed = declareFieldsIn(test.language, test.record);
        std::vector<std::string> declared;
        for (const auto& field : test.record.fields) declared.push_back(field.name);
        EXPECT_EQ(declared, test.declared);
        EXPECT_EQ(renamed.size(), test.renamed);
    }
}

// The values the request's conversion would read differently from what was
// typed, or not at all, are refused; the rest reach it unchanged.
struct StrictCase {
    const char* option;
    std::string value;
    bool accepted;
};

class StrictValues : public ::testing::TestWithParam<StrictCase> {};

TEST_P(StrictValues, AcceptExactlyOneNumberOrName) {
    const StrictCase& test = GetParam();
    const auto command = parseCommandLine({test.option, test.value, "f"});
    EXPECT_EQ(command.hasValue(), test.accepted) << test.option << " " << test.value;
    if (command.hasValue()) {
        const CliOptions& options = command.value().options;
        const std::string stored = std::string(test.option) == "-a"   ? options.address
                                   : std::string(test.option) == "-s" ? options.tableSize
                                   : std::string(test.option) == "-n" ? options.itemsPerLine
                                                                      : options.name;
        EXPECT_EQ(stored, test.value);
    } else {
        EXPECT_NE(command.error().find(test.option), std::string::npos) << command.error();
    }
}

std::vector<StrictCase> hexCases(const char* option) {
    std::vector<StrictCase> cases;
    for (const char* text : {"0", "40", "0x40", "0X1a", "fFfF", "FFFFFFFF", "0xFFFFFFFF", "00000000"}) {
        cases.push_back({option, text, true});
    }
    for (const char* text : {"", "12junk", "1A2Cg", "100000000", "0x100000000", "0x", "0xZ", "x40", "+40", "-1", "-0",
                             " 40", "40 ", "\t10", "0x0x4", "0x-1", "\xC3\xA9", "4\xFF",
                             "\xA0"
                             "4"}) {
        cases.push_back({option, text, false});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Address, StrictValues, ::testing::ValuesIn(hexCases("-a")));
INSTANTIATE_TEST_SUITE_P(Size, StrictValues, ::testing::ValuesIn(hexCases("-s")));
INSTANTIATE_TEST_SUITE_P(
    PerLine, StrictValues,
    ::testing::Values(StrictCase{"-n", "1", true}, StrictCase{"-n", "8", true}, StrictCase{"-n", "255", true},
                      StrictCase{"-n", "0255", true}, StrictCase{"-n", "", false}, StrictCase{"-n", "0", false},
                      StrictCase{"-n", "000", false}, StrictCase{"-n", "256", false}, StrictCase{"-n", "257", false},
                      StrictCase{"-n", "1000", false}, StrictCase{"-n", "4294967297", false},
                      StrictCase{"-n", "99999999999999999999999", false}, StrictCase{"-n", "-1", false},
                      StrictCase{"-n", "+4", false}, StrictCase{"-n", "0x4", false}, StrictCase{"-n", "4g", false},
                      StrictCase{"-n", " 4", false}, StrictCase{"-n", "\xEF\xBC\x94", false}));
INSTANTIATE_TEST_SUITE_P(
    Name, StrictValues,
    ::testing::Values(StrictCase{"--name", "a", true}, StrictCase{"--name", "_", true},
                      StrictCase{"--name", "crc32_Table", true}, StrictCase{"--name", std::string(64, 'x'), true},
                      StrictCase{"--name", "", false}, StrictCase{"--name", std::string(65, 'x'), false},
                      StrictCase{"--name", "9lives", false}, StrictCase{"--name", "crc-table", false},
                      StrictCase{"--name", "a b", false}, StrictCase{"--name", "a%d", false},
                      StrictCase{"--name", "t\xC3\xA4", false}));

}  // namespace
}  // namespace zemrik::cli
