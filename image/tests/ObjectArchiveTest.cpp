// Relocatable objects (ELF and COFF) and archives of them, built in code.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

#include "image/ExecutableImage.h"
#include "image/tests/ImageBuilders.h"
#include "image/tests/ObjectBuilders.h"

namespace zemrik::image {
namespace {

using test::ArchiveBuilder;
using test::Bytes;
using test::CoffObjectBuilder;
using test::ElfImageBuilder;

constexpr std::uint32_t kElfTypePosition = 16;

const ImageSymbol& symbolNamed(const ExecutableImage& image, const std::string& name) {
    for (const ImageSymbol& symbol : image.symbols) {
        if (symbol.name == name) return symbol;
    }
    static const ImageSymbol none;
    ADD_FAILURE() << "no symbol " << name;
    return none;
}

ExecutableImage readOrFail(const Bytes& bytes) {
    const ImageOrDefect image = readExecutableImage(bytes, SymbolReading::Read);
    EXPECT_TRUE(image.hasValue()) << (image ? "" : defectMessage(image.error()));
    return image ? *image : ExecutableImage{};
}

// .text, .data holding 5 (4 bytes) and .bss; "counter" in .data, "late" 2
// bytes into it, "zeroed" in .bss, and one of each kind that has no bytes.
struct ElfObject {
    Bytes bytes;
    std::uint64_t dataOffset;
};

ElfObject elfObject(unsigned bits, ByteOrder order) {
    ElfImageBuilder builder(bits, order);
    builder.section({".text", 1, elf::kShfAlloc | elf::kShfExecinstr, 0, Bytes(8, 0x90)});
    const std::uint32_t data = builder.section({".data", 1, elf::kShfAlloc, 0, Bytes{5, 0, 0, 0}});
    const std::uint32_t bss = builder.section({".bss", elf::kShtNobits, elf::kShfAlloc, 0, Bytes(8)});
    builder.symbols(elf::kShtSymtab, {{"counter", 0, 4, elf::kSttObject, data},
                                      {"late", 2, 4, elf::kSttObject, data},
                                      {"zeroed", 0, 8, elf::kSttObject, bss},
                                      {"elsewhere", 0, 0, 0, elf::kShnUndef},
                                      {"shared", 4, 4, elf::kSttObject, elf::kShnCommon},
                                      {"constant", 42, 0, 0, elf::kShnAbs}});
    Bytes bytes = builder.build();
    test::putField(bytes, kElfTypePosition, elf::kEtRel, 2, order);
    return {bytes, builder.dataOf(data)};
}

class ElfObjects : public ::testing::TestWithParam<std::pair<unsigned, ByteOrder>> {};

TEST_P(ElfObjects, SymbolsAreFoundThroughTheirOwnSection) {
    const auto [bits, order] = GetParam();
    const ElfObject object = elfObject(bits, order);
    const ExecutableImage image = readOrFail(object.bytes);
    EXPECT_EQ(image.addresses, AddressSpace::SectionRelative);
    EXPECT_EQ(image.byteOrder, order);

    const ImageSymbol& counter = symbolNamed(image, "counter");
    EXPECT_EQ(counter.fileOffset, std::optional<std::uint64_t>(object.dataOffset));
    // At and one past the end of .data's file data.
    const OffsetOrRefusal atEnd = symbolFileOffset(image, counter, 4);
    ASSERT_TRUE(atEnd);
    EXPECT_EQ(*atEnd, object.dataOffset);
    const OffsetOrRefusal pastEnd = symbolFileOffset(image, symbolNamed(image, "late"), 3);
    ASSERT_FALSE(pastEnd);
    EXPECT_EQ(pastEnd.error().problem, OffsetProblem::RangePastFileData);
    EXPECT_EQ(pastEnd.error().limit, 4u);
    const OffsetOrRefusal zeroed = symbolFileOffset(image, symbolNamed(image, "zeroed"), 1);
    ASSERT_FALSE(zeroed);
    EXPECT_EQ(zeroed.error().problem, OffsetProblem::NoFileData);

    EXPECT_EQ(symbolNamed(image, "elsewhere").place, SymbolPlace::Undefined);
    EXPECT_EQ(symbolNamed(image, "shared").place, SymbolPlace::Common);
    EXPECT_EQ(symbolNamed(image, "constant").place, SymbolPlace::Absolute);
    EXPECT_FALSE(symbolNamed(image, "constant").fileOffset);
}

INSTANTIATE_TEST_SUITE_P(ObjectArchive, ElfObjects,
                         ::testing::Values(std::pair{32u, ByteOrder::Little}, std::pair{64u, ByteOrder::Little},
                                           std::pair{32u, ByteOrder::Big}));

// .data holding 5, .bss; symbols of every kind, one named through the string table.
CoffObjectBuilder coffObject() {
    CoffObjectBuilder builder;
    builder.section(".text", Bytes(4, 0xC3));
    const std::int16_t data = builder.section(".data", Bytes{5, 0, 0, 0, 7, 0, 0, 0});
    const std::int16_t bss = builder.section(".bss", {}, 8);
    builder.symbol({"counter", 0, data})
        .symbol({"a_long_table_name", 4, data, pe::kClassStatic})
        .symbol({"zeroed", 0, bss})
        .symbol({"elsewhere", 0, 0})
        .symbol({"shared", 16, 0})
        .symbol({"constant", 42, -1});
    return builder;
}

TEST(ObjectArchive, CoffObjectSymbolsAreFoundThroughTheirOwnSection) {
    CoffObjectBuilder builder = coffObject();
    const ExecutableImage image = readOrFail(builder.build());
    EXPECT_EQ(image.format, ImageFormat::Coff);
    EXPECT_EQ(image.addresses, AddressSpace::SectionRelative);
    EXPECT_FALSE(image.imageBase);
    EXPECT_EQ(symbolNamed(image, "counter").fileOffset, std::optional<std::uint64_t>(builder.dataOf(2)));
    EXPECT_EQ(symbolNamed(image, "a_long_table_name").fileOffset, std::optional<std::uint64_t>(builder.dataOf(2) + 4));
    EXPECT_FALSE(symbolNamed(image, "zeroed").fileOffset);
    EXPECT_EQ(symbolNamed(image, "elsewhere").place, SymbolPlace::Undefined);
    EXPECT_EQ(symbolNamed(image, "shared").place, SymbolPlace::Common);
    EXPECT_EQ(symbolNamed(image, "constant").place, SymbolPlace::Absolute);
}

Bytes patched(Bytes bytes, std::uint64_t at, std::uint64_t value, unsigned width) {
    test::putField(bytes, at, value, width);
    return bytes;
}

Bytes appended(Bytes bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

struct DefectCase {
    const char* name;
    Bytes bytes;
    ImageDefect expected;
};

class MalformedObjects : public ::testing::TestWithParam<DefectCase> {};

TEST_P(MalformedObjects, AreRefusedWithTheirReason) {
    const ImageOrDefect image = readExecutableImage(GetParam().bytes, SymbolReading::Read);
    ASSERT_FALSE(image);
    EXPECT_EQ(image.error(), GetParam().expected) << defectMessage(image.error());
}

const Bytes kCoff = coffObject().build();
const Bytes kElf = elfObject(64, ByteOrder::Little).bytes;
const std::string kMagic = "!<arch>\n";

INSTANTIATE_TEST_SUITE_P(
    ObjectArchive, MalformedObjects,
    ::testing::Values(
        DefectCase{"CoffSectionTablePastTheEnd", patched(kCoff, pe::kNumberOfSectionsPosition, 0x7FFF, 2),
                   ImageDefect::SectionTableOutside},
        DefectCase{"CoffSymbolsPastTheEnd", patched(kCoff, pe::kNumberOfSymbolsPosition, 0xFFFFFFFF, 4),
                   ImageDefect::CoffSymbolTableOutside},
        DefectCase{"CoffHeaderCut", Bytes{0x64, 0x86, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                   ImageDefect::HeadersCut},
        DefectCase{"MemberHeaderCut", appended(appended({}, kMagic), std::string(59, ' ')),
                   ImageDefect::ArchiveMemberCut},
        DefectCase{"MemberEndMarkMissing", patched(ArchiveBuilder().member("a.o/", kCoff).build(), 8 + 58, 'x', 1),
                   ImageDefect::ArchiveHeader},
        DefectCase{"MemberSizeNotDecimal", ArchiveBuilder().memberWithSize("a.o/", kCoff, "12x").build(),
                   ImageDefect::ArchiveHeader},
        DefectCase{"MemberSizeOnePastTheEnd", ArchiveBuilder().memberWithSize("a.o/", {1, 2}, "3").build(),
                   ImageDefect::ArchiveMemberCut},
        DefectCase{"MemberSizeHuge", ArchiveBuilder().memberWithSize("a.o/", {1, 2}, "9999999999").build(),
                   ImageDefect::ArchiveMemberCut},
        DefectCase{"LongNameWithoutTable", ArchiveBuilder().member("/0", kCoff).build(), ImageDefect::ArchiveLongName},
        DefectCase{"LongNamePastTable",
                   ArchiveBuilder().member("//", appended({}, "x.o/\n")).member("/6", kCoff).build(),
                   ImageDefect::ArchiveLongName},
        DefectCase{"BsdNameLongerThanData", ArchiveBuilder().member("#1/9", appended({}, "abcdefgh")).build(),
                   ImageDefect::ArchiveHeader},
        DefectCase{"ThinArchive", appended({}, "!<thin>\n"), ImageDefect::ThinArchive},
        DefectCase{"BrokenObjectMember",
                   ArchiveBuilder().member("a.o/", patched(kCoff, pe::kNumberOfSymbolsPosition, 0xFFFFFFFF, 4)).build(),
                   ImageDefect::CoffSymbolTableOutside}),
    [](const auto& info) { return std::string(info.param.name); });

// GNU's symbol index and long names, a BSD name, a member that is no object:
// each object's symbols with its member's name, at offsets in the archive.
TEST(ObjectArchive, MembersSymbolsAreFoundAtTheirOffsetsInTheArchive) {
    // a.o's .data claims more bytes than a.o holds.
    CoffObjectBuilder first = coffObject();
    const Bytes overlong =
        patched(first.build(), pe::kFileHeaderSize + pe::kSectionHeaderSize + pe::kSizeOfRawDataPosition, 0x1000, 4);
    ArchiveBuilder builder;
    builder.member("/", Bytes(8, 0xEE))
        .member("//", appended({}, "a_long_member_name.o/\n"))
        .member("a.o/", overlong)
        .member("/0", kElf)
        .member("#1/8", appended(appended({}, "bsd_ab.o"), std::string(kCoff.begin(), kCoff.end())))
        .member("notes.txt/", appended({}, "plain text"));
    const Bytes archive = builder.build();
    const ExecutableImage image = readOrFail(archive);
    EXPECT_EQ(image.format, ImageFormat::Archive);
    EXPECT_EQ(image.addresses, AddressSpace::SectionRelative);

    const auto valueAt = [&](const ImageSymbol& symbol) {
        return symbol.fileOffset ? archive.at(static_cast<std::size_t>(*symbol.fileOffset)) : 0xFF;
    };
    std::vector<std::string> seen;
    for (const ImageSymbol& symbol : image.symbols) {
        if (symbol.name != "counter") continue;
        seen.push_back(symbol.member);
        EXPECT_EQ(valueAt(symbol), 5) << symbol.member;
        EXPECT_EQ(image.sections.at(*symbol.sectionIndex).member, symbol.member);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"a.o", "a_long_member_name.o", "bsd_ab.o"}));
    // A section ends where its member does, not in the next one.
    const ImageSymbol& inFirst = symbolNamed(image, "counter");
    const std::uint64_t leftInMember = overlong.size() - first.dataOf(2);
    EXPECT_EQ(image.sections.at(*inFirst.sectionIndex).fileSize, leftInMember);
    EXPECT_TRUE(symbolFileOffset(image, inFirst, leftInMember));
    EXPECT_FALSE(symbolFileOffset(image, inFirst, leftInMember + 1));
}

// A file's first bytes tell an image, worth reading whole, from a file that
// is refused as none by those bytes alone. A COFF header needs all of them.
TEST(ObjectArchive, FirstBytesTellAnImageFromAFileRefusedAsNone) {
    const auto head = [](const Bytes& file) {
        return std::span<const std::uint8_t>(file).first(std::min<std::size_t>(file.size(), kImageMagicLength));
    };
    const Bytes images[] = {kElf, kCoff, ArchiveBuilder().member("a.o/", kCoff).build(), appended({}, "!<thin>\n"),
                            appended({}, "MZ")};
    for (const Bytes& image : images) EXPECT_TRUE(beginsAsImage(head(image)));
    const Bytes others[] = {{},
                            appended({}, "M"),
                            appended({}, "!<arch>"),
                            appended({}, "plain text, a line or two of it\n"),
                            patched(kCoff, pe::kSizeOfOptionalHeaderPosition, 0xE0, 2),
                            patched(kCoff, 0, 0x1234, 2)};
    for (const Bytes& other : others) {
        SCOPED_TRACE(std::string(other.begin(), other.begin() + std::min<std::ptrdiff_t>(8, std::ssize(other))));
        EXPECT_FALSE(beginsAsImage(head(other)));
        const ImageOrDefect read = readExecutableImage(other, SymbolReading::Skip);
        EXPECT_TRUE(!read && read.error() == ImageDefect::NotAnImage);
    }
}

}  // namespace
}  // namespace zemrik::image
