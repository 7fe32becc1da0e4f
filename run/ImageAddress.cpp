#include "run/ImageAddress.h"

#include <optional>

#include "image/FieldReader.h"
#include "image/PeFormat.h"
#include "platform/FileMapping.h"

namespace zemrik {
namespace {

using image::FieldReader;
using namespace image::pe;

// Positions relative to e_lfanew.
constexpr std::uint64_t kOptionalHeaderPosition = kFileHeaderPosition + kFileHeaderSize;
constexpr std::uint64_t kImageBasePosition = kOptionalHeaderPosition + kPe32ImageBasePosition;
// An optional header shorter than this cannot hold the ImageBase read above.
constexpr std::uint64_t kLeastOptionalHeaderSize = kPe32ImageBasePosition + 4;

struct PeHeaders {
    std::uint32_t imageBase;
    std::uint16_t sectionCount;
    std::uint64_t sectionTable;
};

struct SectionHeader {
    std::uint32_t virtualSize;
    std::uint32_t virtualAddress;
    std::uint32_t sizeOfRawData;
    std::uint32_t pointerToRawData;
};

using HeadersOrRefusal = Expected<PeHeaders, TranslationRefusal>;

HeadersOrRefusal readPeHeaders(const FieldReader& reader) {
    const auto notPe = HeadersOrRefusal::failure(TranslationRefusal::NotPeFile);
    if (reader.u16(0) != kDosSignature) return notPe;
    const std::optional<std::uint32_t> lfanew = reader.u32(kLfanewPosition);
    if (!lfanew || reader.u32(*lfanew) != kNtSignature) return notPe;

    const std::uint64_t fileHeader = std::uint64_t{*lfanew} + kFileHeaderPosition;
    const std::optional<std::uint16_t> sectionCount = reader.u16(fileHeader + kNumberOfSectionsPosition);
    const std::optional<std::uint16_t> optionalHeaderSize = reader.u16(fileHeader + kSizeOfOptionalHeaderPosition);
    if (!sectionCount || !optionalHeaderSize || *optionalHeaderSize < kLeastOptionalHeaderSize) {
        return notPe;
    }
    const std::optional<std::uint16_t> magic = reader.u16(*lfanew + kOptionalHeaderPosition);
    if (!magic) return notPe;
    // A PE32+ image keeps a 64-bit ImageBase elsewhere; reading it as PE32
    // would translate with a wrong base.
    if (*magic != kPe32Magic) return HeadersOrRefusal::failure(TranslationRefusal::NotPe32Image);
    const std::optional<std::uint32_t> imageBase = reader.u32(*lfanew + kImageBasePosition);
    if (!imageBase) return notPe;

    return PeHeaders{*imageBase, *sectionCount, *lfanew + kOptionalHeaderPosition + *optionalHeaderSize};
}

std::optional<SectionHeader> readSectionHeader(const FieldReader& reader, std::uint64_t table, std::uint16_t index) {
    const std::uint64_t header = table + kSectionHeaderSize * index;
    if (!reader.contains(header, kSectionHeaderSize)) return std::nullopt;
    return SectionHeader{*reader.u32(header + kVirtualSizePosition), *reader.u32(header + kVirtualAddressPosition),
                         *reader.u32(header + kSizeOfRawDataPosition), *reader.u32(header + kPointerToRawDataPosition)};
}

std::uint64_t sectionEnd(std::uint32_t imageBase, const SectionHeader& section) {
    return std::uint64_t{imageBase} + section.virtualAddress + section.virtualSize;
}

// An address in a gap before the section, more than SizeOfRawData past its
// start, or in a section without file data (.bss), would translate to bytes of
// something else: the previous section, the headers or the next section. The
// section's end itself still translates.
Translation translateInSection(const PeHeaders& headers, const SectionHeader& section, std::uint32_t address) {
    const std::int64_t intoSection =
        std::int64_t{address} - std::int64_t{headers.imageBase} - std::int64_t{section.virtualAddress};
    if (intoSection < 0 || section.sizeOfRawData == 0 || section.pointerToRawData == 0 ||
        intoSection > section.sizeOfRawData) {
        return Translation::failure(TranslationRefusal::NoFileData);
    }
    return address - headers.imageBase - section.virtualAddress + section.pointerToRawData;
}

Translation translateThroughSections(const FieldReader& reader, const PeHeaders& headers, std::uint32_t address) {
    const std::uint32_t headerOffset = address - headers.imageBase;
    // Without sections the whole image is headers.
    if (headers.sectionCount == 0) return headerOffset;
    const std::optional<SectionHeader> first = readSectionHeader(reader, headers.sectionTable, 0);
    if (!first) return Translation::failure(TranslationRefusal::NotPeFile);
    if (address < std::uint64_t{headers.imageBase} + first->virtualAddress) return headerOffset;

    // The walk stops at the first section whose end is not below the address;
    // an address in a gap before that section has no file data of its own.
    for (std::uint16_t index = 0; index < headers.sectionCount; ++index) {
        const std::optional<SectionHeader> section = readSectionHeader(reader, headers.sectionTable, index);
        if (!section) return Translation::failure(TranslationRefusal::NotPeFile);
        if (sectionEnd(headers.imageBase, *section) >= address) return translateInSection(headers, *section, address);
    }
    return Translation::failure(TranslationRefusal::BeyondLastSection);
}

}  // namespace

std::string_view refusalMessage(TranslationRefusal refusal) {
    switch (refusal) {
    case TranslationRefusal::CannotCreateMapping: return "Cannot create the file mapping, try with the offset !";
    case TranslationRefusal::CannotMapView: return "Cannot map the file, try with the offset !";
    case TranslationRefusal::NotPeFile: return "Not a PE file !";
    case TranslationRefusal::BelowImageBase: return "RVA < image base !";
    case TranslationRefusal::BeyondLastSection: return "RVA beyond the last section !";
    case TranslationRefusal::NotPe32Image: return "Not a 32-bit PE file !";
    case TranslationRefusal::NoFileData: return "No data in the file at this RVA !";
    }
    return "Not a PE file !";
}

Translation translateInImage(std::span<const std::uint8_t> image, std::uint32_t address) {
    const FieldReader reader(image);
    const HeadersOrRefusal headers = readPeHeaders(reader);
    if (!headers) return Translation::failure(headers.error());
    if (address < headers.value().imageBase) {
        return Translation::failure(TranslationRefusal::BelowImageBase);
    }
    return translateThroughSections(reader, headers.value(), address);
}

Translation translateImageAddress(const platform::File& file, std::uint32_t address) {
    const auto mapping = platform::FileMapping::create(file, platform::MappingAccess::ReadOnly, 0, "RVA mapping!");
    if (!mapping) return Translation::failure(TranslationRefusal::CannotCreateMapping);
    // Declared after the mapping, so the view is unmapped before the mapping closes.
    const auto view = platform::MappedView::map(*mapping);
    if (!view) return Translation::failure(TranslationRefusal::CannotMapView);
    return translateInImage({view->data(), view->size()}, address);
}

}  // namespace zemrik
