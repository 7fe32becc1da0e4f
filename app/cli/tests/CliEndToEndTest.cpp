// Runs the built zemrik-cli as a child process, in a working directory of
// its own, on files made for each case.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "CliProcess.h"
#include "image/tests/ImageBuilders.h"
#include "testing/CaseName.h"
#include "zemrik/Version.h"

namespace zemrik {
namespace {

namespace fs = std::filesystem;

using namespace clitest;

class CliEndToEnd : public CliFixture {
protected:
    // Standard input is `input`, an open descriptor the child inherits.
    Outcome runFromDescriptor(const Arguments& arguments, int input) { return run(arguments, input); }

    // With `input`, standard input is a pipe the test writes it into.
    Outcome runFed(const Arguments& arguments, const std::optional<Bytes>& input) {
        int pipeEnds[2] = {-1, -1};
        if (input && ::pipe(pipeEnds) != 0) ADD_FAILURE() << "no pipe";
        // A child that stops reading early must not take the test with it.
        ::signal(SIGPIPE, SIG_IGN);
        const StartedRun started{-1, root() / "run.out", root() / "run.err"};
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            if (pipeEnds[1] >= 0) ::close(pipeEnds[1]);
            execInChild(workDirectory(), started.outputPath, started.errorsPath, arguments, pipeEnds[0]);
        }
        if (input) {
            ::close(pipeEnds[0]);
            std::size_t written = 0;
            while (written < input->size()) {
                const ssize_t put = ::write(pipeEnds[1], input->data() + written, input->size() - written);
                if (put <= 0) break;
                written += static_cast<std::size_t>(put);
            }
            ::close(pipeEnds[1]);
        }
        return finish({child, started.outputPath, started.errorsPath});
    }
};

// Two records of id:u16, a padding byte and v:u8[2].
const Bytes kRecordBytes{0x01, 0x00, 0xAA, 0x10, 0x20, 0x02, 0x00, 0xBB, 0x30, 0x40};

struct TableCase {
    const char* name;
    Bytes input;
    Arguments options;
    std::string expected;
};

class Tables : public CliEndToEnd, public ::testing::WithParamInterface<TableCase> {};

TEST_P(Tables, PrintExactlyTheTableOnStandardOutput) {
    Arguments arguments = GetParam().options;
    arguments.push_back(makeInput(GetParam().input));
    const Outcome outcome = run(arguments);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, GetParam().expected);
    EXPECT_EQ(outcome.errors, "");
    EXPECT_FALSE(fs::exists(workDirectory() / "result.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    CliEndToEnd, Tables,
    ::testing::Values(
        TableCase{"CBytesHex",
                  {0x01, 0x02, 0x03, 0x04},
                  {"-i", "bytes", "-l", "c", "-n", "2", "-s", "4", "-a", "0"},
                  "static unsigned char table[4] = {\r\n\t0x01, 0x02, \r\n\t0x03, 0x04 };"},
        TableCase{"AsmBytesHex",
                  {0x01, 0x02, 0x03, 0x04},
                  {"-i", "bytes", "-l", "asm", "-n", "2", "-s", "4", "-a", "0"},
                  "table\tdb 001h, 002h\r\n\tdb 003h, 004h"},
        TableCase{"DelphiBytesDecimal",
                  {0x07, 0xC8, 0x09, 0x0A},
                  {"--items=bytes", "--language=delphi", "--decimal", "--per-line=3", "--size=4", "--address=0"},
                  "CONST table : array[0..3] of byte = (\r\n\t 7, 200,  9, \r\n\t10);"},
        TableCase{"DataStr",
                  {0xA1, 0xB2, 0xC3, 0xD4, 0xE5},
                  {"-l", "datastr", "-i", "bytes", "-n2", "-s5", "-a0"},
                  "A1B2\r\nC3D4\r\nE5"},
        TableCase{"DataStrBigEndianReversed",
                  {0xA1, 0xB2, 0xC3, 0xD4, 0xE5},
                  {"-l", "datastr", "-i", "bytes", "-n2", "-s5", "-a0", "--big-endian"},
                  "E5D4\r\nC3B2\r\nA1"},
        TableCase{"DefaultsAreAsmWords",
                  {0x01, 0x02, 0x03, 0x04},
                  {"-n", "8", "-s", "4", "-a", "0"},
                  "table\tdw 00201h, 00403h"},
        TableCase{"CWordsBigEndian",
                  {0x01, 0x02, 0x03, 0x04},
                  {"-l", "c", "--big-endian", "-n", "8", "-s", "4", "-a", "0"},
                  "static unsigned short table[2] = {\r\n\t0x0102, 0x0304 };"},
        TableCase{"OffsetAndSizeInHex",
                  {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17},
                  {"-i", "bytes", "-l", "c", "-n", "8", "-s", "0x2", "-a", "10"},
                  "static unsigned char table[2] = {\r\n\t0x10, 0x11 };"},
        TableCase{"TableEndingAtTheFileEnd",
                  {0x01, 0x02, 0x03, 0x04},
                  {"-i", "bytes", "-l", "c", "-n", "8", "-s", "1", "-a", "3"},
                  "static unsigned char table[1] = {\r\n\t0x04 };"},
        TableCase{"RustWordsBigEndian",
                  {0x01, 0x02, 0x03, 0x04, 0x05, 0x06},
                  {"-l", "rust", "--big-endian", "-n", "2", "-s", "6", "-a", "0"},
                  "static TABLE: [u16; 3] = [\r\n    0x0102, 0x0304,\r\n    0x0506,\r\n];"},
        TableCase{"GoBytesDecimalNamed",
                  {0x07, 0xC8, 0x09},
                  {"-l", "go", "-i", "bytes", "--decimal", "--name", "crc", "-n", "8", "-s", "3", "-a", "0"},
                  "var crc = [3]uint8{\r\n\t  7, 200,   9,\r\n}"},
        TableCase{"PythonDwordsLf",
                  {0x01, 0x02, 0x03, 0x04},
                  {"-l", "Python", "-i", "dwords", "--lf", "-n", "8", "-s", "4", "-a", "0"},
                  "table = [\n    0x04030201,\n]\n"},
        TableCase{"CSharpBytes",
                  {0xFF, 0x00},
                  {"-l", "csharp", "-i", "bytes", "-n", "1", "-s", "2", "-a", "0"},
                  "static readonly byte[] table = {\r\n    0xFF,\r\n    0x00,\r\n};"},
        TableCase{
            "CFixedTypesNamedLf",
            {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08},
            {"-l", "c", "-i", "dwords", "--fixed-types", "--name", "crc", "--lf", "-n", "1", "-s", "8", "-a", "0"},
            "static uint32_t crc[2] = {\n\t0x04030201, \n\t0x08070605 };\n"},
        TableCase{"DelphiFixedTypes",
                  {0xFF, 0xFF, 0xFF, 0xFF},
                  {"-l", "delphi", "-i", "dwords", "--fixed-types", "-n", "8", "-s", "4", "-a", "0"},
                  "CONST table : array[0..0] of LongWord = (\r\n\t$FFFFFFFF);"},
        TableCase{"DataStrLfEndsInOneBreak",
                  {0xA1, 0xB2, 0xC3},
                  {"-l", "datastr", "-i", "bytes", "--lf", "-n", "1", "-s", "3", "-a", "0"},
                  "A1\nB2\nC3\n"},
        // A type only the typed walk prints, with the options the dialog's types take.
        TableCase{"TypedI16DecimalBigEndian",
                  {0x80, 0x00, 0xFF, 0xFF, 0x00, 0x01},
                  {"-i", "I16", "--decimal", "--big-endian", "-l", "c", "--const", "--length", "--name", "t",
                   "--fixed-types", "-s", "6", "-a", "0"},
                  "static const int16_t t[3] = {\r\n\t-32768,     -1,      1 };\r\n"
                  "static const unsigned int t_len = 3;"},
        TableCase{"OptionsAfterTheFileAndDoubleDash",
                  {0x01, 0x02},
                  {"-s", "2", "-a", "0", "-n", "1", "-l", "c", "--"},
                  "static unsigned short table[1] = {\r\n\t0x0201 };"},
        // One record a line when -n is left out; the padding byte is read, not printed.
        TableCase{"CRecords",
                  kRecordBytes,
                  {"-l", "c", "--lf", "--record", "id:u16,_:u8,v:u8[2]"},
                  "typedef struct {\n\tunsigned short id;\n\tunsigned char v[2];\n} table_record;\n"
                  "static table_record table[2] = {\n\t{ 0x0001, { 0x10, 0x20 } },\n\t{ 0x0002, { 0x30, 0x40 } } };\n"},
        // A line holds one run of the innermost extent when -n is left out.
        TableCase{"CSharpDimsDecimal",
                  kRecordBytes,
                  {"-l", "csharp", "-i", "i8", "--decimal", "--dims", "2x3", "-s", "6", "--lf"},
                  "static readonly sbyte[,] table = {\n    {    1,    0,  -86 },\n    {   16,   32,    2 },\n};\n"},
        // Words print through Java's typed row: a short holds the bits.
        TableCase{"JavaWords",
                  kRecordBytes,
                  {"-l", "java", "-i", "words", "-a", "6", "-s", "4"},
                  "static final short[] TABLE = {\r\n    (short)0xBB00, 0x4030,\r\n};"},
        TableCase{"JavaScriptSigned",
                  kRecordBytes,
                  {"-l", "javascript", "-i", "i16", "-a", "6", "-s", "4", "--lf"},
                  "const table = new Int16Array([\n    -0x4500, 0x4030,\n]);\n"},
        TableCase{"CStringLiteral",
                  {0x00, '7', '"', '?', '?', '=', 0xFF},
                  {"--string-literal", "-l", "c", "-n", "4", "--lf"},
                  "static unsigned char table[] = \"\\\n\\0007\\\"\\?\\\n\\?=\\377\";\n"
                  "static const unsigned int table_len = 7;\n"}),
    test::CaseName());

struct RefusalCase {
    const char* name;
    Bytes input;
    Arguments options;
    std::string message;
};

class Refusals : public CliEndToEnd, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, ReportTheirMessageAndExitWithOne) {
    Arguments arguments = GetParam().options;
    arguments.push_back(makeInput(GetParam().input));
    const Outcome outcome = run(arguments);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, GetParam().message + "\n");
}

const Bytes kFourBytes{0x01, 0x02, 0x03, 0x04};
const Bytes kText{'h', 'e', 'l', 'l', 'o', ',', ' ', 't', 'e', 'x', 't', '\n'};

// In the order of the request's checks: each case passes every check before
// the one it fails.
INSTANTIATE_TEST_SUITE_P(
    CliEndToEnd, Refusals,
    ::testing::Values(
        RefusalCase{"SizeMissing",
                    kFourBytes,
                    {"--rva", "-a", "401000", "-n", "8"},
                    "You MUST enter the size of the table !\n"
                    "zemrik-cli: give the table's size in bytes with -s/--size HEX"},
        RefusalCase{"AddressMissing",
                    kFourBytes,
                    {"--rva", "-s", "4", "-n", "8"},
                    "You MUST enter the offset of the table !\n"
                    "zemrik-cli: give the table's address with -a/--address HEX, --va HEX or --symbol NAME"},
        RefusalCase{"SizeNotAWholeNumberOfWords",
                    kFourBytes,
                    {"-s", "3", "-a", "0", "-n", "8", "-i", "words"},
                    "The tablesize must be divisible by the size of elements !\n"
                    "zemrik-cli: the table's size, 0x3 bytes, is no multiple of 2, the size of words: -i bytes fits"},
        RefusalCase{"SizeNotAWholeNumberOfF64",
                    kFourBytes,
                    {"-s", "4", "-a", "0", "-i", "f64"},
                    "The tablesize must be divisible by the size of elements !\n"
                    "zemrik-cli: the table's size, 0x4 bytes, is no multiple of 8, the size of f64: -i f32 fits"},
        RefusalCase{"DataStrStillChecksDwords",
                    Bytes(8),
                    {"-s", "6", "-a", "0", "-n", "8", "-i", "dwords", "-l", "datastr"},
                    "The tablesize must be divisible by the size of elements !\n"
                    "zemrik-cli: the table's size, 0x6 bytes, is no multiple of 4, the size of dwords: -i words fits"},
        RefusalCase{"SizeZero",
                    kFourBytes,
                    {"-s", "0", "-a", "0", "-n", "8"},
                    "A zero somewhere :)\nzemrik-cli: the table's size (-s/--size) is 0"},
        RefusalCase{"SizeNotAWholeNumberOfRecords",
                    kFourBytes,
                    {"--record", "a:u8[3]"},
                    "the table's 4 bytes are not divisible into records of 3 bytes"},
        RefusalCase{"DimsNotTheElementCount",
                    kFourBytes,
                    {"--dims", "1x1"},
                    "--dims: the extents' product 1 is not the table's 2 elements"},
        RefusalCase{"TableBeyondTheFile",
                    kFourBytes,
                    {"-s", "2", "-a", "3", "-n", "8", "-i", "bytes"},
                    "Hey man, your table is bigger than the file itself !\n"
                    "zemrik-cli: offset 0x3 + size 0x2 = 0x5, past the file's size 0x4"},
        RefusalCase{"OffsetWrapsAround",
                    kFourBytes,
                    {"-s", "2", "-a", "FFFFFFFF", "-n", "8", "-i", "bytes"},
                    "Hey man, your table is bigger than the file itself !\n"
                    "zemrik-cli: offset 0xFFFFFFFF + size 0x2 = 0x100000001, past the file's size 0x4"},
        RefusalCase{"RvaOnText", kText, {"--rva", "-s", "4", "-a", "401000", "-n", "8"}, "Not a PE file !"},
        RefusalCase{"RvaOnEmptyFile",
                    {},
                    {"--rva", "-s", "4", "-a", "401000", "-n", "8"},
                    "Cannot create the file mapping, try with the offset !"}),
    test::CaseName());

// PE32+ at 0x140000000: .text (0x180 bytes), .rdata (0x200 bytes of file data
// for 0x300 in memory, counting bytes from 0x600), .bss.
Bytes pe32PlusImage() {
    Bytes bytes = test::PeImageBuilder()
                      .magic(0x20B)
                      .imageBase(0x140000000)
                      .section({0x1000, 0x180, 0x400, 0x200, ".text", 0x60000020})
                      .section({0x2000, 0x300, 0x600, 0x200, ".rdata"})
                      .section({0x3000, 0x100, 0, 0, ".bss"})
                      .minimumSize(0x800)
                      .build();
    for (std::size_t index = 0x600; index < 0x800; ++index) bytes[index] = static_cast<std::uint8_t>(index);
    return bytes;
}

// A big-endian ELF32 with .rodata (8 bytes at 0x1000), a symbol "twin" at two
// addresses and "table" once.
Bytes elfImage() {
    test::ElfImageBuilder builder(32, ByteOrder::BigEndian);
    namespace elf = image::elf;
    const std::uint32_t rodata =
        builder.section({".rodata", 1, elf::kShfAlloc, 0x1000, {0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3, 4}});
    builder.symbols(elf::kShtSymtab, {{"table", 0x1004, 4, elf::kSttObject, rodata},
                                      {"twin", 0x1000, 4, elf::kSttObject, rodata},
                                      {"twin", 0x1004, 4, elf::kSttObject, rodata}});
    return builder.build();
}

// A PE32 whose second section, .bss, has no file data.
Bytes pe32WithBss() {
    return test::PeImageBuilder()
        .section({0x1000, 0x200, 0x400})
        .section({0x2000, 0x100, 0, 0, ".bss"})
        .minimumSize(0x600)
        .build();
}

INSTANTIATE_TEST_SUITE_P(
    Images, Tables,
    ::testing::Values(TableCase{"VirtualAddressInPe32Plus",
                                pe32PlusImage(),
                                {"--va", "1400021FC", "-s", "4", "-i", "bytes", "-l", "c", "-n", "4"},
                                "static unsigned char table[4] = {\r\n\t0xFC, 0xFD, 0xFE, 0xFF };"},
                      TableCase{"SymbolWithItsSizeInBigEndianElf32",
                                elfImage(),
                                {"--symbol", "table", "-i", "bytes", "-l", "c", "-n", "4"},
                                "static unsigned char table[4] = {\r\n\t0x01, 0x02, 0x03, 0x04 };"},
                      TableCase{"ListSections",
                                pe32PlusImage(),
                                {"--list-sections"},
                                "Name    Address    Offset  File size  Memory size\n"
                                ".text   140001000  400     200        180\n"
                                ".rdata  140002000  600     200        300\n"
                                ".bss    140003000  0       0          100\n"}),
    test::CaseName());

const Arguments kFourBytesTable{"-s", "4", "-n", "4"};

Arguments withTable(Arguments arguments) {
    arguments.insert(arguments.end(), kFourBytesTable.begin(), kFourBytesTable.end());
    return arguments;
}

// One case per message.
INSTANTIATE_TEST_SUITE_P(
    Images, Refusals,
    ::testing::Values(
        RefusalCase{"NotAnImage", kText, withTable({"--va", "1000"}),
                    "zemrik-cli: input.bin: not a PE or ELF image; give the table's file offset with -a"},
        RefusalCase{"MalformedImage",
                    [] {
                        Bytes bytes = elfImage();
                        bytes[5] = 3;
                        return bytes;
                    }(),
                    {"--list-symbols"},
                    "zemrik-cli: input.bin: its ELF byte order is neither little- nor big-endian"},
        RefusalCase{"BelowImageBase", pe32PlusImage(), withTable({"--va", "2000"}),
                    "zemrik-cli: address 2000 lies below the image base 140000000; a virtual address is image base + "
                    "RVA (140000000 + 2000 = 140002000)"},
        RefusalCase{"BelowEverySection", pe32PlusImage(), withTable({"--va", "140000080"}),
                    "zemrik-cli: address 140000080 lies below every section (the first, .text, starts at 140001000); "
                    "--list-sections lists them"},
        RefusalCase{"BetweenSections", pe32PlusImage(), withTable({"--va", "140001180"}),
                    "zemrik-cli: address 140001180 lies between the sections .text and .rdata; --list-sections lists "
                    "them"},
        RefusalCase{"PastEverySection", pe32PlusImage(), withTable({"--va", "140003100"}),
                    "zemrik-cli: address 140003100 lies past every section (the last, .bss, ends at 140003100); "
                    "--list-sections lists them"},
        RefusalCase{"NoFileData", pe32PlusImage(), withTable({"--va", "140003000"}),
                    "zemrik-cli: address 140003000 lies in .bss, and .bss has no file data: its bytes are zero until "
                    "the program runs"},
        RefusalCase{"PastFileData", pe32PlusImage(), withTable({"--va", "140002200"}),
                    "zemrik-cli: address 140002200 lies past the file data of .rdata, which ends at 140002200: the "
                    "rest of .rdata is zero until the program runs"},
        RefusalCase{"RangePastFileData",
                    pe32PlusImage(),
                    {"--va", "1400021FE", "-s", "4", "-n", "4", "-i", "bytes"},
                    "zemrik-cli: the table of 4 bytes at 1400021FE runs past the file data of .rdata, which ends at "
                    "140002200; give a size of at most 2 with -s"},
        RefusalCase{"NoSections", test::ElfImageBuilder(64, ByteOrder::LittleEndian).withoutSectionHeaders().build(),
                    withTable({"--va", "0"}), "zemrik-cli: the image has no sections, so address 0 is in none of them"},
        RefusalCase{"UnknownSymbol", elfImage(), withTable({"--symbol", "crc32_table"}),
                    "zemrik-cli: no symbol 'crc32_table' in input.bin; --list-symbols lists them"},
        RefusalCase{"SymbolAtSeveralAddresses", elfImage(), withTable({"--symbol", "twin"}),
                    "zemrik-cli: symbol 'twin' names several addresses; give one with --va:\n  1000  .rodata\n  "
                    "1004  .rodata"},
        RefusalCase{"RvaInBss", pe32WithBss(), withTable({"--rva", "-a", "402000"}),
                    "No data in the file at this RVA !"}),
    test::CaseName());

TEST_F(CliEndToEnd, MissingImageIsRefused) {
    const Outcome outcome = run({"--list-sections", "no such image.exe"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.errors, "zemrik-cli: cannot open no such image.exe: No such file or directory\n");
}

TEST_F(CliEndToEnd, MissingFileIsRefusedBeforeAnyField) {
    const Outcome outcome = run({"no such file.bin"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, "Can't open file !\nzemrik-cli: no such file.bin: No such file or directory\n");
}

struct UsageCase {
    const char* name;
    Arguments arguments;
    std::string message;
};

class UsageErrors : public CliEndToEnd, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageErrors, ExitWith64AndAShortUsage) {
    const Outcome outcome = run(GetParam().arguments);
    EXPECT_EQ(outcome.exitCode, 64);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors,
              "zemrik-cli: " + GetParam().message +
                  "\nUsage: zemrik-cli [options] FILE\nTry 'zemrik-cli --help' for more information.\n");
}

INSTANTIATE_TEST_SUITE_P(
    CliEndToEnd, UsageErrors,
    ::testing::Values(
        UsageCase{"NoFile", {"-s", "4"}, "missing FILE"}, UsageCase{"ExtraFile", {"a", "b"}, "extra operand 'b'"},
        UsageCase{"UnknownOption", {"--offset=4", "a"}, "unrecognized option '--offset=4'"},
        UsageCase{"MissingValue", {"a", "-s"}, "option requires an argument -- 's'"},
        UsageCase{"UnknownLanguage",
                  {"-l", "cobol", "a"},
                  "-l/--language: 'cobol' is not c, asm, delphi, datastr, rust, go, python, csharp, gas, java or "
                  "javascript"},
        UsageCase{"StrictValue", {"-n", "1000", "a"}, "-n/--per-line: '1000' is not a decimal number from 1 to 255"},
        UsageCase{"LfIntoResultTxt",
                  {"--dump-to-file", "--lf", "a"},
                  "--lf and --dump-to-file exclude each other: result.txt keeps CR LF"},
        // Before FILE is opened: it need not exist.
        UsageCase{"BadRecordBeforeTheFile",
                  {"--record", "id:u16,id:u8", "no such file"},
                  "--record field 2 \"id:u8\": the name \"id\" is taken by an earlier field"},
        UsageCase{"FieldNameTheLanguageReserves",
                  {"-l", "go", "--record", "range:u8", "no such file"},
                  "--record field 1 \"range:u8\": \"range\" is a word Go reserves"},
        UsageCase{"EmbedOfStandardInput",
                  {"--embed", "-"},
                  "--embed: standard input has no path for the compiler to read: give --embed-path PATH"}),
    test::CaseName());

// --embed names the file by its absolute path, which only the system knows:
// printed for a file, refused with the reason for one that isn't there.
TEST_F(CliEndToEnd, EmbedNamesTheFileByItsAbsolutePath) {
    const std::string input = makeInput({1, 2, 3, 4});
    const Outcome printed = run({"--embed", "-l", "asm", "-a", "1", "-s", "2", "--lf", input});
    EXPECT_EQ(printed.exitCode, 0) << printed.errors;
    EXPECT_EQ(printed.output, "table\tincbin \"" + fs::canonical(workDirectory() / input).string() + "\", 1, 2\n");

    const Outcome refused = run({"--embed", "no such.bin"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.output, "");
    EXPECT_EQ(refused.errors,
              "zemrik-cli: --embed: cannot find the absolute path of no such.bin\n"
              "zemrik-cli: no such.bin: No such file or directory\n");
}

TEST_F(CliEndToEnd, VersionGoesToStandardOutput) {
    const Outcome outcome = run({"--version"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "zemrik-cli " ZEMRIK_VERSION "\n");
    EXPECT_EQ(outcome.errors, "");
}

// Standard input is read whole before the checks, so a pipe behaves as a file
// of that length: tables anywhere in it, --rva's mapping, the size check.
TEST_F(CliEndToEnd, StandardInputIsReadLikeAFile) {
    Bytes bytes(0x11172);  // past the 64 KiB a pipe holds
    for (std::size_t at = 0; at < bytes.size(); ++at) bytes[at] = static_cast<std::uint8_t>(at * 13);
    const Outcome piped = runFed({"-l", "c", "-i", "bytes", "-n", "8", "-s", "2", "-a", "11170", "-"}, bytes);
    EXPECT_EQ(piped.exitCode, 0) << piped.errors;
    EXPECT_EQ(piped.output, "static unsigned char table[2] = {\r\n\t0xB0, 0xBD };");

    const Outcome beyond = runFed({"-s", "2", "-a", "11170", "-n", "8", "-"}, Bytes(0x11171));  // one byte short
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_EQ(beyond.errors,
              "Hey man, your table is bigger than the file itself !\n"
              "zemrik-cli: offset 0x11170 + size 0x2 = 0x11172, past the file's size 0x11171\n");

    const Outcome notAnImage = runFed({"--rva", "-s", "2", "-a", "401000", "-n", "8", "-"}, bytes);
    EXPECT_EQ(notAnImage.exitCode, 1);
    EXPECT_EQ(notAnImage.errors, "Not a PE file !\n");

    const Outcome empty = run({"-s", "2", "-a", "0", "-n", "8", "-"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.errors,
              "Hey man, your table is bigger than the file itself !\n"
              "zemrik-cli: offset 0x0 + size 0x2 = 0x2, past the file's size 0x0\n");
}

TEST_F(CliEndToEnd, StandardInputThatCannotBeReadIsRefusedWithTheReason) {
    const Outcome outcome = runFromDescriptor({"-s", "2", "-a", "0", "-n", "8", "-"},
                                              ::open(workDirectory().c_str(), O_RDONLY | O_DIRECTORY));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, "Can't open file !\nzemrik-cli: -: Is a directory\n");
}

// A 64-character name makes headers longer than the estimate's allowance;
// the buffer, in memory or result.txt, still holds the whole text.
TEST_F(CliEndToEnd, LongestNameOutgrowsTheEstimate) {
    const std::string name(64, 'n');
    // 106 characters, the estimate 1 x 6 + 100: no room left for the NUL.
    const std::string expected = "static readonly byte[] " + name + " = {\r\n    0x01,\r\n};";
    const std::string input = makeInput({0x01});
    const Arguments arguments{"-l", "csharp", "-i", "bytes", "--name", name, "-n", "255", "-s", "1", "-a", "0", input};
    const Outcome printed = run(arguments);
    EXPECT_EQ(printed.exitCode, 0);
    EXPECT_EQ(printed.output, expected);

    Arguments dump = arguments;
    dump.insert(dump.begin(), "--dump-to-file");
    EXPECT_EQ(run(dump).exitCode, 0);
    EXPECT_EQ(readWholeFile(workDirectory() / "result.txt"), expected);
}

TEST_F(CliEndToEnd, HelpGoesToStandardOutput) {
    const Outcome outcome = run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output.rfind("Usage: zemrik-cli [options] FILE\n", 0), 0u) << outcome.output;
    EXPECT_EQ(outcome.errors, "");
}

const Arguments kDumpOptions{"--dump-to-file", "-i", "bytes", "-l", "c", "-n", "8", "-a", "0"};

Arguments withSize(Arguments arguments, const std::string& size, const std::string& file) {
    arguments.insert(arguments.end(), {"-s", size, file});
    return arguments;
}

TEST_F(CliEndToEnd, DumpWritesResultTxtAndOnlyANote) {
    const Outcome outcome = run(withSize(kDumpOptions, "3", makeInput({0x01, 0x02, 0x03})));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, "Table dumped in result.txt\n");
    const std::string dumped = readWholeFile(workDirectory() / "result.txt");
    EXPECT_EQ(dumped, "static unsigned char table[3] = {\r\n\t0x01, 0x02, 0x03 };");
    EXPECT_EQ(dumped.size(), 55u);
}

// -o replaces a longer file whole, with the --lf line break at its end,
// and leaves nothing else behind.
TEST_F(CliEndToEnd, OutputFileIsReplacedByTheTable) {
    writeFile(workDirectory() / "table.h", Bytes(500, 'x'));
    const std::string input = makeInput({0x01, 0x02, 0x03});
    const Outcome outcome =
        run({"-l", "c", "-i", "bytes", "-n", "2", "-s", "3", "-a", "0", "--lf", "--output", "table.h", input});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(readWholeFile(workDirectory() / "table.h"),
              "static unsigned char table[3] = {\n\t0x01, 0x02, \n\t0x03 };\n");
    std::set<std::string> entries;
    for (const auto& entry : fs::directory_iterator(workDirectory())) entries.insert(entry.path().filename().string());
    EXPECT_EQ(entries, (std::set<std::string>{"input.bin", "table.h"}));
}

TEST_F(CliEndToEnd, SecondDumpReplacesTheWholeFile) {
    const std::string input = makeInput({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A});
    ASSERT_EQ(run(withSize(kDumpOptions, "A", input)).exitCode, 0);
    ASSERT_GT(readWholeFile(workDirectory() / "result.txt").size(), 55u);

    const Outcome second = run(withSize(kDumpOptions, "1", input));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(readWholeFile(workDirectory() / "result.txt"), "static unsigned char table[1] = {\r\n\t0x01 };");
}

TEST_F(CliEndToEnd, DumpThatCannotCreateResultTxtFailsTheRun) {
    fs::create_directory(workDirectory() / "result.txt");
    const Outcome outcome = run(withSize(kDumpOptions, "3", makeInput({0x01, 0x02, 0x03})));
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, "Cannot create Result.txt\nzemrik-cli: result.txt: Is a directory\n");
    EXPECT_TRUE(fs::is_directory(workDirectory() / "result.txt"));
}

// The standard CRC-32 table of the polynomial 0xEDB88320, as the C dwords
// style prints it four to a line.
std::string crc32TableAsC() {
    std::string text = "static unsigned long table[256] = {\r\n\t";
    for (std::uint32_t index = 0; index < 256; ++index) {
        std::uint32_t value = index;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        char printed[16];
        std::snprintf(printed, sizeof printed, "0x%08X", static_cast<unsigned>(value));
        text += printed;
        if (index == 255) break;
        text += ", ";
        if (index % 4 == 3) text += "\r\n\t";
    }
    return text + " };";
}

TEST_F(CliEndToEnd, SampleTableIsFoundByItsVirtualAddress) {
    const fs::path sample = ZEMRIK_SAMPLE_DIR;
    if (!fs::exists(sample / "crc32.exe") || !fs::exists(sample / "crc32_table.va")) {
        GTEST_SKIP() << "the sample image was not built";
    }
    std::string address = readWholeFile(sample / "crc32_table.va");
    while (!address.empty() && (address.back() == '\n' || address.back() == '\r')) address.pop_back();

    const Outcome outcome = run(
        {"--rva", "-a", address, "-s", "400", "-i", "dwords", "-l", "c", "-n", "4", (sample / "crc32.exe").string()});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(outcome.output.rfind("static unsigned long table[256] = {\r\n\t"
                                   "0x00000000, 0x77073096, 0xEE0E612C, 0x990951BA, \r\n\t",
                                   0),
              0u);
    EXPECT_EQ(outcome.output, crc32TableAsC());
}

}  // namespace
}  // namespace zemrik
