#include "app/cli/ImageQueries.h"

#include <gtest/gtest.h>

#include <string>

#include "image/tests/ImageBuilders.h"
#include "testing/CaseName.h"

namespace zemrik::cli {
namespace {

using test::Bytes;
using test::ElfImageBuilder;
namespace elf = image::elf;

// .rodata (0x40 bytes at 0x2000) and .bss; "table" twice in .symtab at one
// address, "twin" at two, "dynamic_only" in .dynsym alone.
image::ExecutableImage sampleImage() {
    ElfImageBuilder builder(64, ByteOrder::LittleEndian);
    const std::uint32_t rodata = builder.section({".rodata", 1, elf::kShfAlloc, 0x2000, Bytes(0x40, 0xAB)});
    const std::uint32_t bss = builder.section({".bss", elf::kShtNobits, elf::kShfAlloc, 0x3000, Bytes(0x10)});
    builder.symbols(elf::kShtSymtab, {{"table", 0x2010, 0x20, elf::kSttObject, rodata},
                                      {"table", 0x2010, 0x20, elf::kSttObject, rodata},
                                      {"twin", 0x2000, 4, elf::kSttObject, rodata},
                                      {"twin", 0x3000, 4, elf::kSttObject, bss},
                                      {"code", 0x2030, 0, elf::kSttFunc, rodata}});
    builder.symbols(elf::kShtDynsym, {{"table", 0x2000, 8, elf::kSttObject, rodata},
                                      {"dynamic_only", 0x2008, 8, elf::kSttObject, rodata}});
    const auto image = image::readExecutableImage(builder.build(), image::SymbolReading::Read);
    EXPECT_TRUE(image.hasValue());
    return image ? *image : image::ExecutableImage{};
}

TEST(ImageQueries, ListingsAreAlignedColumnsUnderAHeader) {
    const image::ExecutableImage image = sampleImage();
    EXPECT_EQ(sectionListing(image),
              "Name     Address  Offset  File size  Memory size\n"
              ".rodata  2000     40      40         40\n"
              ".bss     3000     80      0          10\n");
    // Data symbols only, by address, each once.
    // The name last; no file offset in .bss.
    EXPECT_EQ(symbolListing(image),
              "Address  Size  Offset  Section  Name\n"
              "2000     8     40      .rodata  table\n"
              "2000     4     40      .rodata  twin\n"
              "2008     8     48      .rodata  dynamic_only\n"
              "2010     20    50      .rodata  table\n"
              "3000     4     -       .bss     twin\n");
}

struct ResolveCase {
    const char* name;
    std::optional<std::string> symbol;
    std::optional<std::uint64_t> virtualAddress;
    std::string tableSize;
    std::string expected;  // "address/size" or the refusal
};

class Resolving : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(Resolving, GivesTheFieldsOrARefusal) {
    CliOptions options;
    options.path = "f";
    options.symbol = GetParam().symbol;
    options.virtualAddress = GetParam().virtualAddress;
    options.tableSize = GetParam().tableSize;
    const auto resolved = resolveImageAddress(options, sampleImage());
    const std::string outcome =
        resolved ? resolved.value().address + "/" + resolved.value().tableSize : resolved.error();
    EXPECT_EQ(outcome, GetParam().expected);
    if (resolved) {
        EXPECT_FALSE(resolved.value().symbol || resolved.value().virtualAddress);
    }
}

// .rodata's file data starts at offset 0x40.
INSTANTIATE_TEST_SUITE_P(
    ImageQueries, Resolving,
    ::testing::Values(ResolveCase{"SymtabBeforeDynsym", "table", std::nullopt, "", "50/20"},
                      ResolveCase{"SizeGivenWins", "table", std::nullopt, "8", "50/8"},
                      ResolveCase{"SizeGivenIsChecked", "table", std::nullopt, "31",
                                  "the table of 31 bytes at 2010 runs past the "
                                  "file data of .rodata, which ends at 2040; give "
                                  "a size of at most 30 with -s"},
                      ResolveCase{"DynsymWhenSymtabLacksIt", "dynamic_only", std::nullopt, "", "48/8"},
                      ResolveCase{"NamesMatchExactly", "Table", std::nullopt, "",
                                  "no symbol 'Table' in f; --list-symbols lists them"},
                      ResolveCase{
                          "SeveralAddresses", "twin", std::nullopt, "",
                          "symbol 'twin' names several addresses; give one with --va:\n  2000  .rodata\n  3000  .bss"},
                      ResolveCase{"CodeSymbolsCount", "code", std::nullopt, "10", "70/10"},
                      ResolveCase{"VirtualAddress", std::nullopt, 0x203F, "1", "7F/1"},
                      ResolveCase{"UnconvertibleSizeLeftToTheRequest", std::nullopt, 0x203F, "zz", "7F/zz"}),
    test::CaseName());

}  // namespace
}  // namespace zemrik::cli
