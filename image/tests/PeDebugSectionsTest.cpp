// readPeDebugSections and readDebugLinks over PE images built in code: long
// names through the COFF string table, and the boundaries of that table and
// of the sections' raw data.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image/DebugLinks.h"
#include "image/DebugSections.h"
#include "image/tests/ImageBuilders.h"
#include "testing/CaseName.h"

namespace zemrik::image {
namespace {

using test::Bytes;
using test::PeImageBuilder;

// Long names in the string table, at offsets 4, 16 and 31; the table is 46
// bytes long, its size field included.
const std::vector<PeImageBuilder::CoffSymbol> kLongNames = {
    {".debug_info", 0, 0, 3}, {".gnu_debuglink", 0, 0, 3}, {".zdebug_abbrev", 0, 0, 3}};
constexpr std::uint32_t kStringTableSize = 46;

// .text, then sections with long names, their bytes from 0x400 on; the
// image grows to 0xA00 before its COFF symbols and string table.
PeImageBuilder debugPe(std::uint16_t magic) {
    PeImageBuilder builder;
    builder.magic(magic)
        .section({0x1000, 0x100, 0x200, 0x200, ".text", 0x60000020})
        .section({0x2000, 0x20, 0x400, 0x200, "/4"})
        .section({0x3000, 0x10, 0x600, 0x200, "/16"})
        // A compressed section's VirtualSize is its size inflated: all its raw data counts.
        .section({0x4000, 0x1000, 0x800, 0x200, "/31"})
        .minimumSize(0xA00)
        .coffSymbols(kLongNames);
    return builder;
}

Bytes withMachine(Bytes bytes, std::uint16_t machine) {
    PeImageBuilder::put16(bytes, PeImageBuilder().fileHeader(), machine);
    return bytes;
}

TEST(PeDebugSections, LongNamesInPe32AndPe32Plus) {
    for (const auto& [magic, format] :
         {std::pair{std::uint16_t{0x10B}, ImageFormat::Pe32}, std::pair{std::uint16_t{0x20B}, ImageFormat::Pe32Plus}}) {
        Bytes bytes = withMachine(debugPe(magic).build(), 0x14C);
        test::putBytes(bytes, 0x600, Bytes{'a', '.', 'd', 'b', 'g', 0, 0, 0, 4, 3, 2, 1});
        const auto found = readPeDebugSections(bytes);
        ASSERT_TRUE(found) << defectMessage(found.error());
        EXPECT_EQ(found->format, format);
        EXPECT_EQ(found->machine, 0x14C);
        const std::vector<DebugSection> expected = {{".debug_info", 0x400, 0x20}, {".zdebug_abbrev", 0x800, 0x200}};
        EXPECT_EQ(found->sections, expected);
        const auto links = readDebugLinks(bytes);
        ASSERT_TRUE(links) << defectMessage(links.error());
        EXPECT_EQ(*links, (DebugLinks{true, DebugLink{"a.dbg", 0x01020304}, {}}));
        // Its 16 bytes (VirtualSize), not its 0x200 of raw data, hold the link.
        test::putBytes(bytes, 0x600, Bytes(0x10, 'a'));
        const auto cut = readDebugLinks(bytes);
        ASSERT_FALSE(cut);
        EXPECT_EQ(cut.error(), ImageDefect::DebugLinkCut);
    }
}

struct DefectCase {
    const char* name;
    std::function<Bytes()> image;
    std::optional<ImageDefect> defect;  // nothing: read
};

// debugPe's image with one more section, `raw` bytes at `at` (from the end
// of the file when negative), named `written`.
Bytes withSection(const std::string& written, std::int64_t at, std::uint32_t raw) {
    PeImageBuilder builder = debugPe(0x10B);
    const auto size = static_cast<std::int64_t>(debugPe(0x10B).section({0x5000, 0, 0, 0, "x"}).build().size());
    builder.section({0x5000, raw, static_cast<std::uint32_t>(at < 0 ? size + at : at), raw, written});
    return builder.build();
}

// "/N", a long name's reference into the string table. Not "/" + text:
// MinGW's GCC 12 at -O3 reads that concatenation as an overlapping copy.
std::string longName(std::uint32_t offset) {
    char text[16];
    std::snprintf(text, sizeof text, "/%u", static_cast<unsigned>(offset));
    return text;
}

class PeDebugSectionDefects : public ::testing::TestWithParam<DefectCase> {};

TEST_P(PeDebugSectionDefects, ReadOrRefused) {
    const auto found = readPeDebugSections(GetParam().image());
    const auto links = readDebugLinks(GetParam().image());
    if (!GetParam().defect) {
        EXPECT_TRUE(found) << defectMessage(found.error());
        EXPECT_TRUE(links) << defectMessage(links.error());
        return;
    }
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error(), *GetParam().defect);
    ASSERT_FALSE(links);
    EXPECT_EQ(links.error(), *GetParam().defect);
}

INSTANTIATE_TEST_SUITE_P(
    PeDebugSectionsTest, PeDebugSectionDefects,
    ::testing::Values(
        // The string table's last byte is its last name's NUL: an empty name.
        DefectCase{"NameAtTheTablesLastByte", [] { return withSection(longName(kStringTableSize - 1), 0x400, 0x10); },
                   std::nullopt},
        DefectCase{"NameAtTheTablesEnd", [] { return withSection(longName(kStringTableSize), 0x400, 0x10); },
                   ImageDefect::DebugSectionName},
        DefectCase{"NameFarPastTheTable", [] { return withSection("/99999999", 0x400, 0x10); },
                   ImageDefect::DebugSectionName},
        DefectCase{"LongNameWithoutStringTable",
                   [] {
                       return PeImageBuilder().section({0x1000, 0x10, 0x200, 0x200, "/4"}).minimumSize(0x400).build();
                   },
                   ImageDefect::DebugSectionName},
        DefectCase{"RawDataEndsAtTheFilesEnd", [] { return withSection(".debug_x", -0x10, 0x10); }, std::nullopt},
        DefectCase{"RawDataOnePastTheFile", [] { return withSection(".debug_x", -0x10, 0x11); },
                   ImageDefect::DebugSectionOutside},
        DefectCase{"RawDataFarPastTheFile", [] { return withSection(".debug_x", 0xFFFFFFF0, 0x20); },
                   ImageDefect::DebugSectionOutside},
        // Only debug sections are held to it: a loaded one cut short is read as today.
        DefectCase{"OtherSectionPastTheFile", [] { return withSection(".data", -0x10, 0x11); }, std::nullopt}),
    test::CaseName());

}  // namespace
}  // namespace zemrik::image
