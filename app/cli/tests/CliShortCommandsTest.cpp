// The shorter commands through the real program: fields left out, aliases,
// --const and --length, every usage error at once, and the second lines of
// the refusals that name no option; the PE gap on a real DLL too.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "CliProcess.h"
#include "image/tests/ImageBuilders.h"
#include "testing/CaseName.h"

namespace zemrik {
namespace {

namespace fs = std::filesystem;

using namespace clitest;

// The DLL of libz-mingw-w64: its .data (0x63099000, 0x4C bytes) is followed
// by a gap up to .rdata at 0x6309A000.
constexpr const char* kMingwZlib = "/usr/i686-w64-mingw32/lib/zlib1.dll";

class CliShortCommands : public CliFixture {
protected:
    // The arguments, then FILE: `input` written to a file, or "-" fed it.
    Outcome run(Arguments arguments, const Bytes& input, bool fromStandardInput = false) {
        const std::string file = makeInput(input);
        arguments.push_back(fromStandardInput ? "-" : file);
        const int fed = fromStandardInput ? ::open((workDirectory() / file).c_str(), O_RDONLY) : -1;
        return CliFixture::run(arguments, fed);
    }
};

struct ShortCase {
    const char* name;
    Bytes input;
    Arguments options;
    bool fromStandardInput;
    int exitCode;
    std::string output;
    std::string errors;
};

class Outcomes : public CliShortCommands, public ::testing::WithParamInterface<ShortCase> {};

TEST_P(Outcomes, AreExact) {
    const ShortCase& test = GetParam();
    const Outcome outcome = run(test.options, test.input, test.fromStandardInput);
    EXPECT_EQ(outcome.exitCode, test.exitCode);
    EXPECT_EQ(outcome.output, test.output);
    EXPECT_EQ(outcome.errors, test.errors);
}

const Bytes kAbc{'A', 'B', 'C'};
const Bytes kCounting{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};

// PE32 at 0x400000: .text 0x100 bytes at 0x1000, a gap, .rdata at 0x3000.
Bytes gappedPe32() {
    return test::PeImageBuilder()
        .section({0x1000, 0x100, 0x400})
        .section({0x3000, 0x200, 0x800})
        .minimumSize(0xA00)
        .build();
}

INSTANTIATE_TEST_SUITE_P(
    CliShortCommands, Outcomes,
    ::testing::Values(
        ShortCase{"WholeFileWithoutAddressOrSize",
                  kAbc,
                  {"-i", "bytes", "-l", "c"},
                  false,
                  0,
                  "static unsigned char table[3] = {\r\n\t0x41, 0x42, 0x43 };",
                  ""},
        ShortCase{"StandardInputFromTheAddressToItsEnd",
                  kAbc,
                  {"-a", "1", "-i", "byte", "-l", "datastr"},
                  true,
                  0,
                  "4243",
                  ""},
        ShortCase{"SixteenBytesALineAsDwordsWithLengthInGas",
                  kCounting,
                  {"-i", "dwords", "-l", "gas", "--length", "--lf"},
                  false,
                  0,
                  "table:\n\t.long 0x03020100, 0x07060504, 0x0B0A0908, 0x0F0E0D0C\n\t.long 0x13121110\n"
                  "\t.set table_len, 5\n",
                  ""},
        ShortCase{"ConstAndLengthInCpp",
                  kAbc,
                  {"-l", "c++", "-i", "bytes", "--const", "--length", "--name", "abc"},
                  false,
                  0,
                  "static const unsigned char abc[3] = {\r\n\t0x41, 0x42, 0x43 };\r\n"
                  "static const unsigned int abc_len = 3;",
                  ""},
        ShortCase{
            "TheRestOfTheFileIsNoWholeNumberOfWords",
            kAbc,
            {"-a", "0"},
            false,
            1,
            "",
            "The tablesize must be divisible by the size of elements !\n"
            "zemrik-cli: the rest of the file, 0x3 bytes, is no multiple of 2, the size of words: -i bytes fits\n"},
        ShortCase{"AnAddressThatLeavesNothing",
                  kAbc,
                  {"-a", "3", "-i", "bytes"},
                  false,
                  1,
                  "",
                  "A zero somewhere :)\n"
                  "zemrik-cli: the address 0x3 leaves nothing of the file (0x3 bytes) for the table\n"},
        ShortCase{"RvaInAGapBetweenSections",
                  gappedPe32(),
                  {"--rva", "-a", "402F00", "-s", "4", "-i", "bytes"},
                  false,
                  1,
                  "",
                  "No data in the file at this RVA !\n"},
        ShortCase{"RvaOnAPe32Plus",
                  test::PeImageBuilder().magic(0x20B).imageBase(0x140000000).section({0x1000, 0x100, 0x400}).build(),
                  {"--rva", "-a", "40001000", "-s", "4"},
                  false,
                  1,
                  "",
                  "Not a 32-bit PE file !\n"
                  "zemrik-cli: --rva reads PE32 images only; for this PE32+ image give the virtual address with --va "
                  "HEX (its image base is 0x140000000)\n"},
        ShortCase{
            "RvaOnAnElf",
            test::ElfImageBuilder(64, ByteOrder::LittleEndian).build(),
            {"--rva", "-a", "401000", "-s", "4"},
            false,
            1,
            "",
            "Not a PE file !\n"
            "zemrik-cli: --rva is for PE32 images; this is an ELF image: give its virtual address with --va HEX\n"},
        ShortCase{"EveryUsageErrorAtOnce",
                  kAbc,
                  {"-l", "go", "--const", "-n", "0", "-i", "u128", "--bogus"},
                  false,
                  64,
                  "",
                  "zemrik-cli: -n/--per-line: '0' is not a decimal number from 1 to 255\n"
                  "zemrik-cli: -i/--items: 'u128' is not bytes, words, dwords, qwords, u8, u16, u32, u64, i8, i16, "
                  "i32, i64, f32 or f64\n"
                  "zemrik-cli: unrecognized option '--bogus'\n"
                  "zemrik-cli: --const: Go has no constant arrays\n"
                  "Usage: zemrik-cli [options] FILE\n"
                  "Try 'zemrik-cli --help' for more information.\n"}),
    test::CaseName());

// The address is 0x100 into .data, past its 0x4C bytes, in the gap before
// .rdata: translated with .rdata it read .text's bytes at file offset 0x17700.
TEST_F(CliShortCommands, RvaInTheGapOfARealDllIsRefused) {
    if (!fs::exists(kMingwZlib)) GTEST_SKIP() << kMingwZlib << " is missing: scripts/install-deps.sh installs it";
    const Bytes dll = [] {
        const std::string text = readWholeFile(kMingwZlib);
        return Bytes(text.begin(), text.end());
    }();
    const Outcome gap = run({"--rva", "-a", "63099100", "-s", "10", "-i", "bytes", "-n", "16", "-l", "datastr"}, dll);
    EXPECT_EQ(gap.exitCode, 1);
    EXPECT_EQ(gap.output, "");
    EXPECT_EQ(gap.errors, "No data in the file at this RVA !\n");
    // .data's first bytes still translate.
    const Outcome data = run({"--rva", "-a", "63099000", "-s", "4", "-i", "bytes", "-l", "datastr"}, dll);
    EXPECT_EQ(data.exitCode, 0) << data.errors;
    EXPECT_EQ(data.output.size(), 8u);
}

}  // namespace
}  // namespace zemrik
