#include "app/cli/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

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
    EXPECT_EQ(options.itemsSelection, 1);
    EXPECT_EQ(options.languageSelection, 1);
    EXPECT_FALSE(options.rva);
    EXPECT_FALSE(options.bigEndian);
    EXPECT_FALSE(options.decimal);
    EXPECT_FALSE(options.dumpToFile);
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
        ValueCase{"NegativeWithEquals", {"--size=-1", "f"}, "", "-1", ""},
        ValueCase{"NegativeSeparateLong", {"--size", "-1", "f"}, "", "-1", ""},
        ValueCase{"NegativeSeparateShort", {"-s", "-1", "f"}, "", "-1", ""},
        ValueCase{"ValueLooksLikeAnOption", {"-a", "--rva", "f"}, "--rva", "", ""},
        ValueCase{"ValueIsDoubleDash", {"-n", "--", "f"}, "", "", "--"},
        ValueCase{"TextKeptAsTyped", {"-s", " 0x40 ", "-a", "1A2Cg", "-n", "+7", "f"}, "1A2Cg", " 0x40 ", "+7"},
        ValueCase{"EmptyValueWithEquals", {"--size=", "f"}, "", "", ""},
        ValueCase{"EqualsInsideValue", {"--size==4", "f"}, "", "=4", ""},
        ValueCase{"LastOneWins", {"-s1", "-s2", "f"}, "", "2", ""},
        ValueCase{"OptionsAfterTheFile", {"f", "-s", "40"}, "", "40", ""},
        ValueCase{"UniquePrefix", {"--addr=10", "--si", "20", "--per=3", "f"}, "10", "20", "3"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ChoiceCase {
    Arguments arguments;
    int itemsSelection;
    int languageSelection;
};

class Choices : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(Choices, MapToTheListIndexes) {
    const CliOptions options = parsedOptions(GetParam().arguments);
    EXPECT_EQ(options.itemsSelection, GetParam().itemsSelection);
    EXPECT_EQ(options.languageSelection, GetParam().languageSelection);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, Choices,
                         ::testing::Values(ChoiceCase{{"-i", "bytes", "f"}, 0, 1},
                                           ChoiceCase{{"--items=words", "f"}, 1, 1},
                                           ChoiceCase{{"-idwords", "f"}, 2, 1}, ChoiceCase{{"-l", "c", "f"}, 1, 0},
                                           ChoiceCase{{"--language", "asm", "f"}, 1, 1},
                                           ChoiceCase{{"-ldelphi", "f"}, 1, 2},
                                           ChoiceCase{{"--language=datastr", "-i", "bytes", "f"}, 0, 3}));

TEST(CommandLine, FlagsAreSetOnlyWhenGiven) {
    const CliOptions all = parsedOptions({"--rva", "--big-endian", "--decimal", "--dump-to-file", "f"});
    EXPECT_TRUE(all.rva);
    EXPECT_TRUE(all.bigEndian);
    EXPECT_TRUE(all.decimal);
    EXPECT_TRUE(all.dumpToFile);

    const CliOptions one = parsedOptions({"f", "--big"});
    EXPECT_FALSE(one.rva);
    EXPECT_TRUE(one.bigEndian);
    EXPECT_FALSE(one.decimal);
    EXPECT_FALSE(one.dumpToFile);
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
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, OptionsBeforeDoubleDashAreRead) {
    const CliOptions options = parsedOptions({"-s4", "--", "--rva"});
    EXPECT_EQ(options.tableSize, "4");
    EXPECT_FALSE(options.rva);
    EXPECT_EQ(options.path, "--rva");
}

struct HelpCase {
    const char* name;
    Arguments arguments;
};

class Help : public ::testing::TestWithParam<HelpCase> {};

TEST_P(Help, IsAskedFor) {
    const auto command = parseCommandLine(GetParam().arguments);
    ASSERT_TRUE(command.hasValue()) << command.error();
    EXPECT_EQ(command.value().kind, CommandKind::Help);
}

// Help needs no FILE, and what follows it is not looked at.
INSTANTIATE_TEST_SUITE_P(CommandLine, Help,
                         ::testing::Values(HelpCase{"Short", {"-h"}}, HelpCase{"Long", {"--help"}},
                                           HelpCase{"Prefix", {"--he"}}, HelpCase{"AfterFile", {"f", "-h"}},
                                           HelpCase{"BeforeBadOption", {"-h", "--bogus"}},
                                           HelpCase{"BeforeMissingValue", {"--help", "-s"}}),
                         [](const auto& info) { return std::string(info.param.name); });

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
        UsageErrorCase{
            "AmbiguousPrefix", {"--d", "f"}, "option '--d' is ambiguous; possibilities: '--decimal' '--dump-to-file'"},
        UsageErrorCase{"MissingLongValue", {"f", "--size"}, "option '--size' requires an argument"},
        UsageErrorCase{"MissingShortValue", {"f", "-a"}, "option requires an argument -- 'a'"},
        UsageErrorCase{"MissingPerLineValue", {"f", "-n"}, "option requires an argument -- 'n'"},
        UsageErrorCase{"FlagWithValue", {"--rva=1", "f"}, "option '--rva' doesn't allow an argument"},
        UsageErrorCase{"HelpWithValue", {"--help=x"}, "option '--help' doesn't allow an argument"},
        UsageErrorCase{"UnknownItems", {"-i", "qwords", "f"}, "invalid items 'qwords' (choose bytes, words or dwords)"},
        UsageErrorCase{
            "ItemsNamesAreLowerCase", {"--items=Bytes", "f"}, "invalid items 'Bytes' (choose bytes, words or dwords)"},
        UsageErrorCase{"EmptyItems", {"--items=", "f"}, "invalid items '' (choose bytes, words or dwords)"},
        UsageErrorCase{
            "UnknownLanguage", {"-l", "pascal", "f"}, "invalid language 'pascal' (choose c, asm, delphi or datastr)"},
        UsageErrorCase{
            "LanguageBoxText", {"-l", "C/C++", "f"}, "invalid language 'C/C++' (choose c, asm, delphi or datastr)"},
        UsageErrorCase{"MissingItemsValue", {"f", "--items"}, "option '--items' requires an argument"},
        UsageErrorCase{"MissingLanguageValue", {"f", "-l"}, "option requires an argument -- 'l'"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zemrik::cli
