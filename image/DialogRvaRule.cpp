#include "image/DialogRvaRule.h"

#include <optional>

#include "image/PeFormat.h"
#include "image/PeHeaders.h"

namespace zemrik::image {
namespace {

using namespace pe;

struct SectionHeader {
    std::uint32_t virtualSize;
    std::uint32_t virtualAddress;
    std::uint32_t sizeOfRawData;
    std::uint32_t pointerToRawData;
};

// The PE32 headers' facts the rule uses.
struct RvaHeaders {
    std::uint32_t imageBase;
    std::uint16_t sectionCount;
    std::uint64_t sectionTable;
};

using HeadersOrRefusal = Expected<RvaHeaders, TranslationRefusal>;

HeadersOrRefusal readRvaHeaders(const FieldReader& reader) {
    const auto notPe = HeadersOrRefusal::failure(TranslationRefusal::NotPeFile);
    if (reader.u16(0) != kDosSignature) return notPe;
    const HeadersOrDefect headers = readPeHeaders(reader, OptionalHeaders::Pe32Only);
    if (!headers) {
        return headers.error() == ImageDefect::UnknownPeMagic
                   ? HeadersOrRefusal::failure(TranslationRefusal::NotPe32Image)
                   : notPe;
    }
    // A PE32 ImageBase is 4 bytes wide.
    return RvaHeaders{static_cast<std::uint32_t>(headers->imageBase), headers->sectionCount, headers->sectionTable};
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
Translation translateInSection(const RvaHeaders& headers, const SectionHeader& section, std::uint32_t address) {
    const std::int64_t intoSection =
        std::int64_t{address} - std::int64_t{headers.imageBase} - std::int64_t{section.virtualAddress};
    if (intoSection < 0 || section.sizeOfRawData == 0 || section.pointerToRawData == 0 ||
        intoSection > section.sizeOfRawData) {
        return failure(TranslationRefusal::NoFileData);
    }
    return address - headers.imageBase - section.virtualAddress + section.pointerToRawData;
}

Translation translateThroughSections(const FieldReader& reader, const RvaHeaders& headers, std::uint32_t address) {
    const std::uint32_t headerOffset = address - headers.imageBase;
    // Without sections the whole image is headers.
    if (headers.sectionCount == 0) return headerOffset;
    const std::optional<SectionHeader> first = readSectionHeader(reader, headers.sectionTable, 0);
    if (!first) return failure(TranslationRefusal::NotPeFile);
    if (address < std::uint64_t{headers.imageBase} + first->virtualAddress) return headerOffset;

    // The walk stops at the first section whose end is not below the address;
    // an address in a gap before that section has no file data of its own.
    for (std::uint16_t index = 0; index < headers.sectionCount; ++index) {
        const std::optional<SectionHeader> section = readSectionHeader(reader, headers.sectionTable, index);
        if (!section) return failure(TranslationRefusal::NotPeFile);
        if (sectionEnd(headers.imageBase, *section) >= address) return translateInSection(headers, *section, address);
    }
    return failure(TranslationRefusal::BeyondLastSection);
}

}  // namespace

Translation translateDialogRva(std::span<const std::uint8_t> image, std::uint32_t address) {
    const FieldReader reader(image);
    const HeadersOrRefusal headers = readRvaHeaders(reader);
    if (!headers) return failure(headers.error());
    if (address < headers->imageBase) return failure(TranslationRefusal::BelowImageBase);
    return translateThroughSections(reader, *headers, address);
}

}  // namespace zemrik::image
