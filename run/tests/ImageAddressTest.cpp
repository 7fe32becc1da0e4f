#include "run/ImageAddress.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "run/tests/SystemHandles.h"
#include "testing/TestFiles.h"

namespace zemrik {
namespace {

using test::PeImageBuilder;
using test::TempFile;

constexpr std::uint32_t kBase = 0x400000;

// Either the offset or the refusal's message, so that a mismatch shows both.
std::string outcome(const Translation& translation) {
    if (!translation) return std::string(refusalMessage(translation.error()));
    return "offset " + std::to_string(*translation);
}

std::string offset(std::uint32_t value) { return "offset " + std::to_string(value); }

std::string translate(const std::vector<std::uint8_t>& image, std::uint32_t address) {
    return outcome(image::translateDialogRva(image, address));
}

struct AddressCase {
    std::uint32_t address;
    std::string expected;
};

void expectAll(const std::vector<std::uint8_t>& image, const std::vector<AddressCase>& cases) {
    for (const AddressCase& c : cases) {
        SCOPED_TRACE("address " + std::to_string(c.address));
        EXPECT_EQ(translate(image, c.address), c.expected);
    }
}

std::vector<std::uint8_t> resized(std::vector<std::uint8_t> image, std::size_t size) {
    image.resize(size);
    return image;
}

// ImageBase B, one section V 0x1000, S 0x200, R 0x400.
std::vector<std::uint8_t> oneSectionImage() {
    return PeImageBuilder().imageBase(kBase).section({0x1000, 0x200, 0x400}).build();
}

TEST(ImageAddressTest, MessagesAreExact) {
    const std::vector<std::pair<TranslationRefusal, std::string>> cases = {
        {TranslationRefusal::CannotCreateMapping, "Cannot create the file mapping, try with the offset !"},
        {TranslationRefusal::CannotMapView, "Cannot map the file, try with the offset !"},
        {TranslationRefusal::NotPeFile, "Not a PE file !"},
        {TranslationRefusal::BelowImageBase, "RVA < image base !"},
        {TranslationRefusal::BeyondLastSection, "RVA beyond the last section !"},
        {TranslationRefusal::NotPe32Image, "Not a 32-bit PE file !"},
        {TranslationRefusal::NoFileData, "No data in the file at this RVA !"},
    };
    for (const auto& [refusal, message] : cases) EXPECT_EQ(refusalMessage(refusal), message);
}

TEST(ImageAddressTest, TranslatesHeadersAndSections) {
    expectAll(oneSectionImage(), {
                                     {kBase + 0x1000, offset(0x400)},          // section start
                                     {kBase + 0x1000 + 0x200, offset(0x600)},  // section end counts as inside
                                     {kBase + 0x1001 + 0x200, "RVA beyond the last section !"},
                                     {kBase + 0x80, offset(0x80)},  // in the headers
                                     {kBase + 0xFFF, offset(0xFFF)},
                                     {kBase, offset(0)},
                                     {kBase - 1, "RVA < image base !"},
                                     {0, "RVA < image base !"},
                                 });
}

TEST(ImageAddressTest, AddressInAGapBetweenSectionsIsRefused) {
    // Translated with the later section, a gap address would land in the
    // earlier section's file data (0x2F00 would read offset 0x700).
    const auto image = PeImageBuilder().section({0x1000, 0x100, 0x400}).section({0x3000, 0x200, 0x800}).build();
    const std::string refused = "No data in the file at this RVA !";
    expectAll(image, {
                         {kBase + 0x10FF, offset(0x4FF)},
                         {kBase + 0x1100, offset(0x500)},  // the section's end counts as inside
                         {kBase + 0x1101, refused},        // one past it: the gap
                         {kBase + 0x2FFF, refused},        // one before the next section
                         {kBase + 0x3000, offset(0x800)},  // the next section's start
                         {kBase + 0x3200, offset(0xA00)},
                         {kBase + 0x3201, "RVA beyond the last section !"},
                     });
}

TEST(ImageAddressTest, AddressesWithoutFileDataAreRefused) {
    // .data holds 0x100 bytes of file data for 0x200 in memory; .bss none.
    const auto image = PeImageBuilder()
                           .section({0x1000, 0x200, 0x400, 0x100})
                           .section({0x2000, 0x100, 0, 0})
                           .section({0x3000, 0x100, 0x600, 0})
                           .section({0x4000, 0x100, 0, 0x100})
                           .build();
    const std::string refused = "No data in the file at this RVA !";
    expectAll(image, {
                         {kBase + 0x1100, offset(0x500)},  // SizeOfRawData past the start
                         {kBase + 0x1101, refused},
                         {kBase + 0x1200, refused},
                         {kBase + 0x2000, refused},  // .bss
                         {kBase + 0x1F00, refused},  // a gap between sections
                         {kBase + 0x3000, refused},  // SizeOfRawData 0
                         {kBase + 0x4000, refused},  // PointerToRawData 0
                     });
}

TEST(ImageAddressTest, NoSectionsMeansEverythingIsHeaders) {
    // The section table would lie past the end: with no sections it is never read.
    auto image = PeImageBuilder().build();
    image.resize(static_cast<std::size_t>(PeImageBuilder().sectionTable()));
    expectAll(image, {{kBase, offset(0)}, {0xFFFFFFFF, offset(0xFFFFFFFF - kBase)}, {kBase - 1, "RVA < image base !"}});
}

TEST(ImageAddressTest, WalksAllOf96Sections) {
    PeImageBuilder builder;
    for (std::uint32_t index = 0; index < 96; ++index)
        builder.section({0x1000 * (index + 1), 0x1000, 0x400 + 0x1000 * index});
    const auto image = builder.build();
    expectAll(image, {
                         {kBase + 0x1000 * 96 + 0x800, offset(0x400 + 0x1000 * 95 + 0x800)},
                         {kBase + 0x1000 * 97, offset(0x400 + 0x1000 * 96)},
                         {kBase + 0x1000 * 97 + 1, "RVA beyond the last section !"},
                     });
}

TEST(ImageAddressTest, DeclaredSectionsMissingFromTheFileAreNotRead) {
    const auto image = PeImageBuilder()
                           .declaredSectionCount(65535)
                           .section({0x1000, 0x1000, 0x400})
                           .section({0x2000, 0x1000, 0x1400})
                           .build();
    expectAll(image, {{kBase + 0x2800, offset(0x1C00)}, {kBase + 0x3001, "Not a PE file !"}});
}

TEST(ImageAddressTest, SectionTableRunningPastTheEnd) {
    PeImageBuilder builder;
    builder.section({0x1000, 0x1000, 0x400}).section({0x2000, 0x1000, 0x1400});
    auto image = builder.build();
    image.resize(image.size() - 1);  // the second header lacks its last byte
    expectAll(image, {{kBase + 0x1800, offset(0xC00)}, {kBase + 0x2800, "Not a PE file !"}});
    image.resize(static_cast<std::size_t>(builder.sectionTable() + 39));  // the first header is incomplete
    expectAll(image, {{kBase + 0x80, "Not a PE file !"}, {kBase + 0x1800, "Not a PE file !"}});
}

TEST(ImageAddressTest, SumsNear4GiBDoNotWrap) {
    // 0xFFFF0000 + 0x8000 + 0x10000 wraps to 0x18000 in 32 bits.
    const auto wrappingEnd = PeImageBuilder().imageBase(0xFFFF0000).section({0x8000, 0x10000, 0x200}).build();
    expectAll(wrappingEnd, {{0xFFFFFFFF, offset(0x81FF)}, {0xFFFF8000, offset(0x200)}, {0xFFFF7FFF, offset(0x7FFF)}});
    // 0xFFFF0000 + 0x20000 wraps to 0x10000: the address still lies in the headers.
    const auto wrappingStart = PeImageBuilder().imageBase(0xFFFF0000).section({0x20000, 0x100, 0x400}).build();
    expectAll(wrappingStart, {{0xFFFFFFFF, offset(0xFFFF)}});
    const auto hugeSection = PeImageBuilder().imageBase(0x10000).section({0x1000, 0xFFFFFFFF, 0x400}).build();
    expectAll(hugeSection, {{0xFFFFFFFF, offset(0xFFFFFFFF - 0x11000 + 0x400)}});
}

TEST(ImageAddressTest, SectionTableFollowsTheOptionalHeaderSize) {
    const auto shortHeader = PeImageBuilder().optionalHeaderSize(0xF0).section({0x1000, 0x200, 0x400}).build();
    expectAll(shortHeader, {{kBase + 0x1100, offset(0x500)}});
    const auto longHeader = PeImageBuilder().optionalHeaderSize(0x100).section({0x1000, 0x200, 0x400}).build();
    expectAll(longHeader, {{kBase + 0x1100, offset(0x500)}});
}

TEST(ImageAddressTest, RefusesWhatIsNotAPe32Image) {
    const auto withLfanew = [](std::uint32_t lfanew, std::size_t size) {
        std::vector<std::uint8_t> image(size);
        image[0] = 'M';
        image[1] = 'Z';
        PeImageBuilder::put32(image, 0x3C, lfanew);
        return image;
    };
    const auto complete = oneSectionImage();
    const auto truncatedAt = [&](std::size_t size) { return resized(complete, size); };
    auto withoutPeZeros = complete;
    withoutPeZeros[0x82] = 1;
    auto withoutMz = complete;
    withoutMz[1] = 'X';

    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> notPe = {
        {"empty", {}},
        {"one byte", {'M'}},
        {"0x3F bytes", truncatedAt(0x3F)},
        {"0x40 bytes, e_lfanew at the end", withLfanew(0x40, 0x40)},
        {"e_lfanew three bytes before the end", withLfanew(0x3D, 0x40)},
        {"e_lfanew 0xFFFFFFFC", withLfanew(0xFFFFFFFC, 0x200)},
        {"text", {'h', 'e', 'l', 'l', 'o'}},
        {"no MZ", withoutMz},
        {"PE signature not followed by zeros", withoutPeZeros},
        {"cut before the magic", truncatedAt(0x80 + 25)},
        {"cut inside ImageBase", truncatedAt(0x80 + 0x37)},
        {"no optional header", PeImageBuilder().optionalHeaderSize(0).section({0x1000, 0x200, 0x400}).build()},
        {"optional header too short for ImageBase",
         PeImageBuilder().optionalHeaderSize(0x1F).section({0x1000, 0x200, 0x400}).build()},
        {"optional header larger than the file",
         resized(PeImageBuilder().optionalHeaderSize(0xFFFF).declaredSectionCount(1).build(), 0x400)},
    };
    for (const auto& [name, image] : notPe) {
        SCOPED_TRACE(name);
        EXPECT_EQ(translate(image, kBase + 0x1000), "Not a PE file !");
    }

    const auto pe32Plus = PeImageBuilder().magic(0x20B).section({0x1000, 0x200, 0x400}).build();
    EXPECT_EQ(translate(pe32Plus, kBase + 0x1000), "Not a 32-bit PE file !");
    const auto romImage = PeImageBuilder().magic(0x107).section({0x1000, 0x200, 0x400}).build();
    EXPECT_EQ(translate(romImage, kBase + 0x1000), "Not a 32-bit PE file !");
    // The least optional header that holds ImageBase is accepted.
    const auto least = PeImageBuilder().optionalHeaderSize(0x20).section({0x1000, 0x200, 0x400}).build();
    EXPECT_EQ(translate(least, kBase + 0x1000), offset(0x400));
}

struct FileTranslation {
    std::string outcome;
    long handlesLeft;
};

FileTranslation translateFile(const std::vector<std::uint8_t>& bytes, std::uint32_t address,
                              std::optional<platform::Acquisition> fault = std::nullopt) {
    test::primeSystemHandles();
    const TempFile temp(bytes);
    const auto file = platform::File::openForReading(temp.path());
    if (!file) return {"cannot open the test file", 0};
    const long before = platform::countOpenHandles();
    if (fault) platform::armFault(*fault);
    const std::string result = outcome(translateImageAddress(*file, address));
    platform::clearFaults();
    const long after = platform::countOpenHandles();
    EXPECT_TRUE(file->isOpen());  // the input file stays open
    return {result, after - before};
}

TEST(ImageAddressTest, TranslatesThroughAMappingAndReleasesIt) {
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        std::uint32_t address;
        std::optional<platform::Acquisition> fault;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"image", oneSectionImage(), kBase + 0x1100, std::nullopt, offset(0x500)},
        {"below base", oneSectionImage(), kBase - 1, std::nullopt, "RVA < image base !"},
        {"text", {'t', 'e', 'x', 't', '\r', '\n'}, kBase, std::nullopt, "Not a PE file !"},
        {"empty", {}, kBase, std::nullopt, "Cannot create the file mapping, try with the offset !"},
        {"mapping fails", oneSectionImage(), kBase, platform::Acquisition::CreateMapping,
         "Cannot create the file mapping, try with the offset !"},
        {"view fails", oneSectionImage(), kBase, platform::Acquisition::MapView,
         "Cannot map the file, try with the offset !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FileTranslation result = translateFile(c.bytes, c.address, c.fault);
        EXPECT_EQ(result.outcome, c.expected);
        EXPECT_EQ(result.handlesLeft, 0);
    }
}

}  // namespace
}  // namespace zemrik
