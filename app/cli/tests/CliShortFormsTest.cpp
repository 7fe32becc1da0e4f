// The command line's shorter forms: fields left out and their defaults,
// aliases, every usage error of a run at once, --const and --length.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/CliStyle.h"
#include "app/cli/CommandLine.h"
#include "app/cli/FieldDefaults.h"
#include "testing/CaseName.h"

namespace zemrik::cli {
namespace {

using Arguments = std::vector<std::string_view>;

CliOptions parsed(const Arguments& arguments) {
    const auto command = parseCommandLine(arguments);
    EXPECT_TRUE(command.hasValue()) << (command ? "" : command.error());
    return command ? command.value().options : CliOptions{};
}

struct DefaultCase {
    const char* name;
    Arguments arguments;
    std::uint32_t fileSize;
    std::string address;
    std::string tableSize;
    std::string itemsPerLine;
};

class Defaults : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(Defaults, FillTheFieldsLeftOut) {
    const DefaultCase& test = GetParam();
    const CliOptions options = parsed(test.arguments);
    EXPECT_EQ(addressField(options), test.address);
    EXPECT_EQ(tableSizeField(options, SizeDefault::ToEndOfFile, test.fileSize), test.tableSize);
    // An address resolved from an image leaves the size to the image query.
    EXPECT_EQ(tableSizeField(options, SizeDefault::None, test.fileSize), options.tableSize);
    EXPECT_EQ(itemsPerLineField(options), test.itemsPerLine);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Defaults,
    ::testing::Values(
        DefaultCase{"WholeFileAsWords", {"f"}, 0x300, "0", "300", "8"},
        DefaultCase{"Bytes", {"-i", "bytes", "f"}, 0x300, "0", "300", "16"},
        DefaultCase{"Dwords", {"-i", "dwords", "f"}, 0x300, "0", "300", "4"},
        DefaultCase{"DataStrPrintsBytes", {"-i", "dwords", "-l", "datastr", "f"}, 0x300, "0", "300", "16"},
        DefaultCase{"FromTheAddressToTheEnd", {"-a", "0x2C0", "f"}, 0x300, "0x2C0", "40", "8"},
        DefaultCase{"LastByte", {"-a", "2FF", "f"}, 0x300, "2FF", "1", "8"},
        DefaultCase{"AtTheEnd", {"-a", "300", "f"}, 0x300, "300", "0", "8"},
        DefaultCase{"PastTheEnd", {"-a", "FFFFFFFF", "f"}, 0x300, "FFFFFFFF", "0", "8"},
        DefaultCase{"EmptyFile", {"f"}, 0, "0", "0", "8"},
        DefaultCase{"GivenFieldsPassUnchanged", {"-a", "1", "-s", "0x4", "-n", "3", "f"}, 0x300, "1", "0x4", "3"},
        // A virtual address and the size of what it finds have no default.
        DefaultCase{"RvaLeavesAddressAndSizeEmpty", {"--rva", "f"}, 0x300, "", "", "8"},
        DefaultCase{"RvaWithAddress", {"--rva", "-a", "401000", "f"}, 0x300, "401000", "", "8"}),
    test::CaseName());

TEST(CommandLine, AliasesNameTheSameChoices) {
    const struct {
        Arguments arguments;
        typed::ElementType items;
        CliLanguage language;
    } cases[] = {
        {{"-i", "byte", "f"}, typed::ElementType::U8, CliLanguage::Asm},
        {{"-i", "Word", "f"}, typed::ElementType::U16, CliLanguage::Asm},
        {{"-i", "DWORD", "f"}, typed::ElementType::U32, CliLanguage::Asm},
        {{"-i", "Qword", "f"}, typed::ElementType::U64, CliLanguage::Asm},
        {{"-l", "cpp", "f"}, typed::ElementType::U16, CliLanguage::C},
        {{"-l", "C++", "f"}, typed::ElementType::U16, CliLanguage::C},
        {{"-l", "gas", "f"}, typed::ElementType::U16, CliLanguage::Gas},
        {{"--language=GAS", "f"}, typed::ElementType::U16, CliLanguage::Gas},
    };
    for (const auto& c : cases) {
        const CliOptions options = parsed(c.arguments);
        EXPECT_EQ(options.items, c.items) << c.arguments[1];
        EXPECT_EQ(options.language, c.language) << c.arguments[1];
    }
    const CliOptions flags = parsed({"--const", "--length", "-l", "c", "f"});
    EXPECT_EQ(flags.constness, Constness::Const);
    EXPECT_EQ(flags.length, LengthConstant::After);
}

struct ErrorsCase {
    const char* name;
    Arguments arguments;
    std::string messages;
};

class AllUsageErrors : public ::testing::TestWithParam<ErrorsCase> {};

TEST_P(AllUsageErrors, AreReportedTogether) {
    const auto command = parseCommandLine(GetParam().arguments);
    ASSERT_FALSE(command.hasValue());
    EXPECT_EQ(command.error(), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, AllUsageErrors,
    ::testing::Values(
        // Values in the order given, then the conflicts, then the operands.
        ErrorsCase{
            "EveryKind",
            {"-s", "zz", "--bogus", "-i", "u128", "-o", "t.h", "--dump-to-file", "-n0", "a", "b"},
            "-s/--size: 'zz' is not a hex number of at most 8 digits (0x optional)\n"
            "unrecognized option '--bogus'\n"
            "-i/--items: 'u128' is not bytes, words, dwords, qwords, u8, u16, u32, u64, i8, i16, i32, i64, f32 or f64\n"
            "-n/--per-line: '0' is not a decimal number from 1 to 255\n"
            "--output and --dump-to-file exclude each other: the table goes to one file\n"
            "extra operand 'b'"},
        ErrorsCase{"AnUnknownLetterEndsItsGroupOnly",
                   {"-xs", "-n", "x"},
                   "invalid option -- 'x'\n-n/--per-line: 'x' is not a decimal number from 1 to 255\nmissing FILE"},
        ErrorsCase{"AConflictIsReportedOnce",
                   {"-a0", "--va=1", "--symbol=t", "f"},
                   "give the table's address once: -a, --va or --symbol"},
        ErrorsCase{"ErrorsBeforeHelpAreReported",
                   {"-x", "-s", "q", "--help", "-y"},
                   "invalid option -- 'x'\n-s/--size: 'q' is not a hex number of at most 8 digits (0x optional)"},
        ErrorsCase{"ConstAndLengthWhereTheLanguageCantSayIt",
                   {"-l", "datastr", "--const", "--length", "f"},
                   "--const: Data Str declares nothing\n--length: Data Str declares nothing"},
        ErrorsCase{"ConstInGo", {"-l", "go", "--const", "f"}, "--const: Go has no constant arrays"},
        ErrorsCase{"ConstInPython", {"-l", "python", "--const", "f"}, "--const: Python has no constants"},
        ErrorsCase{"ConstInAsm",
                   {"--const", "f"},
                   "--const: an assembler's table is as read-only as the section it is put in"},
        ErrorsCase{"ConstInGas",
                   {"-lgas", "--const", "f"},
                   "--const: an assembler's table is as read-only as the section it is put in"}),
    test::CaseName());

struct DeclarationCase {
    CliLanguage language;
    std::string header;  // with --const
    std::string last;    // with --length, for 5 elements
};

// --const changes C's header only; --length follows every declaration with
// its constant of the element count.
TEST(CliStyle, ConstAndLengthForms) {
    const DeclarationCase cases[] = {
        {CliLanguage::C, "static const unsigned char table[%d] = {\r\n\t",
         "0x%02lX };\r\nstatic const unsigned int table_len = 5;"},
        {CliLanguage::Asm, "table\tdb ", "%03lXh\r\ntable_len\tequ 5"},
        {CliLanguage::Delphi, "CONST table : array[0..%d] of byte = (\r\n\t", "$%02lX);\r\nCONST table_len = 5;"},
        {CliLanguage::Rust, "static TABLE: [u8; %d] = [\r\n   ", " 0x%02lX,\r\n];\r\nconst TABLE_LEN: usize = 5;"},
        {CliLanguage::Go, "var table = [%d]uint8{\r\n\t", "0x%02lX,\r\n}\r\nconst table_len = 5"},
        {CliLanguage::Python, "table = [\r\n   ", " 0x%02lX,\r\n]\r\ntable_len = 5"},
        {CliLanguage::CSharp, "static readonly byte[] table = {\r\n   ", " 0x%02lX,\r\n};\r\nconst int table_len = 5;"},
        {CliLanguage::Gas, "table:\r\n\t.byte ", "0x%02lX\r\n\t.set table_len, 5"},
    };
    for (const DeclarationCase& c : cases) {
        const CliStyle style({.language = c.language,
                              .column = StyleColumn::ByteHex,
                              .name = "",
                              .constness = Constness::Const,
                              .length = LengthConstant::After,
                              .elementCount = 5});
        EXPECT_STREQ(style.row().headerFormat, c.header.c_str()) << static_cast<int>(c.language);
        EXPECT_STREQ(style.row().lastFormat, c.last.c_str()) << static_cast<int>(c.language);
    }
    const CliStyle style({CliLanguage::C, StyleColumn::DwordHex, LineEnd::Lf, TypeNames::Fixed, "crc", Constness::Const,
                          LengthConstant::After, 256});
    EXPECT_STREQ(style.row().headerFormat, "static const uint32_t crc[%d] = {\n\t");
    EXPECT_STREQ(style.row().lastFormat, "0x%08lX };\nstatic const unsigned int crc_len = 256;");
}

}  // namespace
}  // namespace zemrik::cli
