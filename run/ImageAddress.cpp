#include "run/ImageAddress.h"

#include <optional>

#include "platform/FileMapping.h"

namespace zemrik {
namespace {

constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint64_t kLfanewPosition = 0x3C;

// Positions relative to e_lfanew.
constexpr std::uint64_t kNumberOfSectionsPosition = 6;
constexpr std::uint64_t kSizeOfOptionalHeaderPosition = 20;
constexpr std::uint64_t kOptionalHeaderPosition = 24;
constexpr std::uint64_t kImageBasePosition = 0x34;
// An optional header shorter than this cannot hold the ImageBase read above.
constexpr std::uint64_t kLeastOptionalHeaderSize = kImageBasePosition + 4 - kOptionalHeaderPosition;

// Positions within one section header.
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kVirtualSizePosition = 8;
constexpr std::uint64_t kVirtualAddressPosition = 12;
constexpr std::uint64_t kPointerToRawDataPosition = 20;

// Little-endian reads that answer nothing instead of reading past the image.
// Positions are 64-bit so that no e_lfanew or table position can wrap.
class ImageReader {
public:
    explicit ImageReader(std::span<const std::uint8_t> image) : image_(image) {}

    bool contains(std::uint64_t position, std::uint64_t length) const {
        return position <= image_.size() && length <= image_.size() - position;
    }

    std::optional<std::uint16_t> u16(std::uint64_t position) const {
        if (!contains(position, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(byteAt(position) | byteAt(position + 1) << 8);
    }

    std::optional<std::uint32_t> u32(std::uint64_t position) const {
        if (!contains(position, 4)) return std::nullopt;
        return byteAt(position) | byteAt(position + 1) << 8 | byteAt(position + 2) << 16 | byteAt(position + 3) << 24;
    }

private:
    std::uint32_t byteAt(std::uint64_t position) const { return image_[static_cast<std::size_t>(position)]; }

    std::span<const std::uint8_t> image_;
};

struct PeHeaders {
    std::uint32_t imageBase;
    std::uint16_t sectionCount;
    std::uint64_t sectionTable;
};

struct SectionHeader {
    std::uint32_t virtualSize;
    std::uint32_t virtualAddress;
    std::uint32_t pointerToRawData;
};

using HeadersOrRefusal = Expected<PeHeaders, TranslationRefusal>;

HeadersOrRefusal readPeHeaders(const ImageReader& reader) {
    const auto notPe = HeadersOrRefusal::failure(TranslationRefusal::NotPeFile);
    if (reader.u16(0) != kDosSignature) return notPe;
    const std::optional<std::uint32_t> lfanew = reader.u32(kLfanewPosition);
    if (!lfanew || reader.u32(*lfanew) != kPeSignature) return notPe;

    const std::optional<std::uint16_t> sectionCount = reader.u16(*lfanew + kNumberOfSectionsPosition);
    const std::optional<std::uint16_t> optionalHeaderSize = reader.u16(*lfanew + kSizeOfOptionalHeaderPosition);
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

std::optional<SectionHeader> readSectionHeader(const ImageReader& reader, std::uint64_t table, std::uint16_t index) {
    const std::uint64_t header = table + kSectionHeaderSize * index;
    if (!reader.contains(header, kSectionHeaderSize)) return std::nullopt;
    return SectionHeader{*reader.u32(header + kVirtualSizePosition), *reader.u32(header + kVirtualAddressPosition),
                         *reader.u32(header + kPointerToRawDataPosition)};
}

std::uint64_t sectionEnd(std::uint32_t imageBase, const SectionHeader& section) {
    return std::uint64_t{imageBase} + section.virtualAddress + section.virtualSize;
}

Translation translateThroughSections(const ImageReader& reader, const PeHeaders& headers, std::uint32_t address) {
    const std::uint32_t headerOffset = address - headers.imageBase;
    // Without sections the whole image is headers.
    if (headers.sectionCount == 0) return headerOffset;
    const std::optional<SectionHeader> first = readSectionHeader(reader, headers.sectionTable, 0);
    if (!first) return Translation::failure(TranslationRefusal::NotPeFile);
    if (address < std::uint64_t{headers.imageBase} + first->virtualAddress) return headerOffset;

    // The walk compares only section ends, so an address in a gap between two
    // sections is translated with the later one.
    for (std::uint16_t index = 0; index < headers.sectionCount; ++index) {
        const std::optional<SectionHeader> section = readSectionHeader(reader, headers.sectionTable, index);
        if (!section) return Translation::failure(TranslationRefusal::NotPeFile);
        if (sectionEnd(headers.imageBase, *section) >= address) {
            return address - headers.imageBase - section->virtualAddress + section->pointerToRawData;
        }
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
    }
    return "Not a PE file !";
}

Translation translateInImage(std::span<const std::uint8_t> image, std::uint32_t address) {
    const ImageReader reader(image);
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
