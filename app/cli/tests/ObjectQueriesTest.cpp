// --symbol and --va on objects, archives, big-endian and PE images: what
// resolveImageAddress makes of them.
#include <gtest/gtest.h>

#include <string>

#include "app/cli/ImageQueries.h"
#include "image/tests/ImageBuilders.h"
#include "image/tests/ObjectBuilders.h"
#include "testing/CaseName.h"

namespace zemrik::cli {
namespace {

using test::Bytes;
namespace elf = image::elf;

image::ExecutableImage read(const Bytes& bytes) {
    const auto image = image::readExecutableImage(bytes, image::SymbolReading::Read);
    EXPECT_TRUE(image.hasValue());
    return image ? *image : image::ExecutableImage{};
}

// A big-endian ELF32 executable: .rodata (8 bytes at 0x1000), "table" in it.
image::ExecutableImage bigEndianImage() {
    test::ElfImageBuilder builder(32, ByteOrder::BigEndian);
    const std::uint32_t rodata = builder.section({".rodata", 1, elf::kShfAlloc, 0x1000, Bytes(8, 0x11)});
    builder.symbols(elf::kShtSymtab, {{"table", 0x1000, 8, elf::kSttObject, rodata}});
    return read(builder.build());
}

// A COFF object: "counter" in .data, and one symbol of each kind without bytes.
image::ExecutableImage coffObject() {
    test::CoffObjectBuilder builder;
    const std::int16_t data = builder.section(".data", Bytes{5, 0, 0, 0});
    builder.symbol({"counter", 0, data}).symbol({"ext", 0, 0}).symbol({"comm", 8, 0}).symbol({"abs", 1, -1});
    return read(builder.build());
}

struct ResolveCase {
    const char* name;
    image::ExecutableImage (*image)();
    std::vector<std::string> arguments;  // --symbol NAME or --va HEX, then the rest
    std::string expected;                // "address/size/order[/hint]", or the refusal
};

class ResolvingImages : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolvingImages, GiveTheFieldsOrARefusal) {
    CliOptions options;
    options.path = "f";
    const auto& arguments = GetParam().arguments;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--symbol") options.symbol = arguments[++index];
        if (argument == "--va") options.virtualAddress = std::stoull(arguments[++index], nullptr, 16);
        if (argument == "-s") options.tableSize = arguments[++index];
        if (argument == "--little-endian") options.littleEndian = true;
        if (argument == "datastr") options.language = CliLanguage::DataStr;
    }
    const auto resolved = resolveImageAddress(options, GetParam().image());
    std::string outcome = resolved.hasValue() ? resolved.value().address + "/" + resolved.value().tableSize + "/" +
                                                    (resolved.value().bigEndian ? "big" : "little")
                                              : resolved.error();
    if (resolved && !resolved.value().missingSizeHint.empty()) outcome += "/" + resolved.value().missingSizeHint;
    EXPECT_EQ(outcome, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ObjectQueries, ResolvingImages,
    ::testing::Values(
        ResolveCase{"BigEndianImageReadsWordsBigEndian", bigEndianImage, {"--symbol", "table"}, "34/8/big"},
        ResolveCase{"LittleEndianOverrides", bigEndianImage, {"--symbol", "table", "--little-endian"}, "34/8/little"},
        ResolveCase{"DataStrKeepsTheFileOrder", bigEndianImage, {"--symbol", "table", "datastr"}, "34/8/little"},
        // --va without -s: to the end of the section's file data.
        ResolveCase{"VaRunsToTheSectionsEnd", bigEndianImage, {"--va", "1003"}, "37/5/big"},
        ResolveCase{"VaAtTheLastByte", bigEndianImage, {"--va", "1007"}, "3B/1/big"},
        ResolveCase{"VaOnePastTheSection",
                    bigEndianImage,
                    {"--va", "1008"},
                    "address 1008 lies past every section (the last, .rodata, ends at 1008); --list-sections lists "
                    "them"},
        ResolveCase{"ObjectSymbolThroughItsSection", coffObject, {"--symbol", "counter", "-s", "4"}, "3C/4/little"},
        ResolveCase{"CoffRecordsNoSize",
                    coffObject,
                    {"--symbol", "counter"},
                    "3C//little/PE and COFF files record no symbol sizes: give the table's size in bytes with "
                    "-s/--size HEX"},
        ResolveCase{"UndefinedRefused",
                    coffObject,
                    {"--symbol", "ext"},
                    "symbol 'ext' is undefined in f: it is only used there, and defined in another file"},
        ResolveCase{"CommonRefused",
                    coffObject,
                    {"--symbol", "comm"},
                    "symbol 'comm' is a common symbol in f: the linker gives it its bytes, the file holds none "
                    "(compile with -fno-common)"},
        ResolveCase{"AbsoluteRefused",
                    coffObject,
                    {"--symbol", "abs"},
                    "symbol 'abs' is absolute in f: its value is a number, not bytes in the file"},
        ResolveCase{"VaRefusedOnAnObject",
                    coffObject,
                    {"--va", "0"},
                    "f is a relocatable object, whose sections have no addresses yet: give the table with --symbol "
                    "NAME, or its file offset with -a"}),
    test::CaseName());

TEST(ObjectQueries, ListingFiltersAndShowsOffsets) {
    CliOptions choices;
    choices.match = "c[o]*";
    EXPECT_EQ(symbolListing(coffObject(), choices),
              "Address  Size  Offset  Section  Name\n"
              "0        -     3C      .data    counter\n");
}

}  // namespace
}  // namespace zemrik::cli
