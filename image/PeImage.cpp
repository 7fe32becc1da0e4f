#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>
#include <string_view>

#include "image/DebugSections.h"
#include "image/FormatReaders.h"
#include "image/PeFormat.h"
#include "image/PeHeaders.h"

namespace zemrik::image {
namespace {

using namespace pe;

// The magic and the ImageBase of the optional header, by its layout.
struct OptionalHeaderLayout {
    std::uint16_t magic;
    ImageFormat format;
    std::uint64_t imageBasePosition;
    unsigned imageBaseWidth;
    std::uint64_t rvaCountPosition;
};

constexpr OptionalHeaderLayout kOptionalHeaderLayouts[] = {
    {kPe32Magic, ImageFormat::Pe32, kPe32ImageBasePosition, 4, kPe32RvaCountPosition},
    {kPe32PlusMagic, ImageFormat::Pe32Plus, kPe32PlusImageBasePosition, 8, kPe32PlusRvaCountPosition},
};

// Both layouts' ImageBase ends 32 bytes in: a shorter optional header is cut
// whatever its magic says.
constexpr std::uint64_t kLeastOptionalHeaderSize = 32;
static_assert(kPe32ImageBasePosition + 4 == kLeastOptionalHeaderSize);
static_assert(kPe32PlusImageBasePosition + 8 == kLeastOptionalHeaderSize);

const OptionalHeaderLayout* layoutOf(std::uint16_t magic) {
    for (const OptionalHeaderLayout& layout : kOptionalHeaderLayouts) {
        if (layout.magic == magic) return &layout;
    }
    return nullptr;
}

// The COFF string table, right after the symbol records; its first four
// bytes give its size, themselves included.
class CoffStrings {
public:
    CoffStrings(const FieldReader& file, const PeHeaders& headers) : file_(file) {
        if (headers.symbolTable == 0) return;
        start_ = headers.symbolTable + kCoffSymbolSize * headers.symbolCount;
        const std::optional<std::uint32_t> size = file.u32(start_);
        if (size && file.contains(start_, *size)) end_ = start_ + *size;
    }

    std::optional<std::string_view> at(std::uint64_t offset) const {
        if (offset < kStringTableSizeField) return std::nullopt;
        return file_.cString(start_ + offset, end_);
    }

private:
    const FieldReader& file_;
    std::uint64_t start_ = 0;
    std::uint64_t end_ = 0;  // an empty range while there is no usable table
};

// A long section name is "/" and the decimal offset of the name in the
// string table: that offset, or nothing for a name written out.
std::optional<std::uint32_t> longNameOffset(std::string_view written) {
    if (written.size() < 2 || written.front() != '/') return std::nullopt;
    std::uint32_t offset = 0;
    const auto [end, error] = std::from_chars(written.data() + 1, written.data() + written.size(), offset);
    if (error != std::errc() || end != written.data() + written.size()) return std::nullopt;
    return offset;
}

// The section's name; the name as written stands when a long one leads nowhere.
std::string sectionName(std::string_view written, const CoffStrings& strings) {
    const std::optional<std::uint32_t> offset = longNameOffset(written);
    const std::optional<std::string_view> name = offset ? strings.at(*offset) : std::nullopt;
    return std::string(name ? *name : written);
}

Expected<ImageSection, ImageDefect> readSection(const FieldReader& file, const PeHeaders& headers,
                                                const CoffStrings& strings, std::uint16_t index) {
    const std::uint64_t header = headers.sectionTable + kSectionHeaderSize * index;
    // The table was checked to lie inside the file.
    const std::string_view written = *file.paddedName(header, kSectionNameSize);
    const std::uint32_t virtualSize = *file.u32(header + kVirtualSizePosition);
    const std::uint32_t virtualAddress = *file.u32(header + kVirtualAddressPosition);
    const std::uint32_t rawSize = *file.u32(header + kSizeOfRawDataPosition);
    const std::uint32_t rawPointer = *file.u32(header + kPointerToRawDataPosition);
    const std::uint32_t characteristics = *file.u32(header + kCharacteristicsPosition);

    ImageSection section;
    section.name = sectionName(written, strings);
    // Linkers that leave VirtualSize 0 mean the raw size.
    section.memorySize = virtualSize != 0 ? virtualSize : rawSize;
    if (!addsWithinRange(headers.imageBase, virtualAddress) ||
        !addsWithinRange(headers.imageBase + virtualAddress, section.memorySize)) {
        return failure(ImageDefect::SectionWraps);
    }
    section.address = headers.imageBase + virtualAddress;
    section.fileOffset = rawPointer;
    section.fileSize = rawPointer != 0 ? rawSize : 0;
    section.content =
        (characteristics & (kScnCntCode | kScnMemExecute)) != 0 ? SectionContent::Code : SectionContent::Data;
    return section;
}

SymbolKind kindAt(const ExecutableImage& image, std::uint64_t address) {
    const ImageSection* section = sectionHolding(image, address);
    return section != nullptr && section->content == SectionContent::Code ? SymbolKind::Code : SymbolKind::Data;
}

std::string sectionNameAt(const ExecutableImage& image, std::uint64_t address) {
    const ImageSection* section = sectionHolding(image, address);
    return section != nullptr ? section->name : std::string();
}

// Reads the exported names and their addresses. Every RVA must lead into a
// section's file data: the tables are read through the sections.
class ExportReader {
public:
    ExportReader(const FieldReader& file, const PeHeaders& headers, ExecutableImage& image)
        : file_(file), headers_(headers), image_(image) {}

    std::optional<ImageDefect> read() {
        const OptionalHeaderLayout& layout =
            *layoutOf(headers_.format == ImageFormat::Pe32 ? kPe32Magic : kPe32PlusMagic);
        const std::uint64_t directoryEntry = layout.rvaCountPosition + 4 + kDataDirectorySize * kExportDirectoryIndex;
        const std::optional<std::uint32_t> rvaCount = file_.u32(headers_.optionalHeader + layout.rvaCountPosition);
        // An optional header too short for the entry, or one that counts no
        // entries, declares no exports.
        if (!rvaCount || *rvaCount <= kExportDirectoryIndex ||
            headers_.optionalHeaderSize < directoryEntry + kDataDirectorySize) {
            return std::nullopt;
        }
        directoryRva_ = *file_.u32(headers_.optionalHeader + directoryEntry);
        directorySize_ = *file_.u32(headers_.optionalHeader + directoryEntry + 4);
        if (directoryRva_ == 0) return std::nullopt;

        const auto directory = offsetOf(directoryRva_, kExportDirectorySize);
        if (!directory) return ImageDefect::ExportDirectory;
        const std::uint32_t functionCount = *file_.u32(*directory + kNumberOfFunctionsPosition);
        const std::uint32_t nameCount = *file_.u32(*directory + kNumberOfNamesPosition);
        if (nameCount == 0) return std::nullopt;
        // Each table must lie whole in one section's file data: that bounds
        // every count by what the file can hold.
        const auto functions =
            offsetOf(*file_.u32(*directory + kAddressOfFunctionsPosition), std::uint64_t{4} * functionCount);
        const auto names = offsetOf(*file_.u32(*directory + kAddressOfNamesPosition), std::uint64_t{4} * nameCount);
        const auto ordinals =
            offsetOf(*file_.u32(*directory + kAddressOfNameOrdinalsPosition), std::uint64_t{2} * nameCount);
        if (!functions || !names || !ordinals) return ImageDefect::ExportDirectory;

        for (std::uint32_t index = 0; index < nameCount; ++index) {
            const std::uint16_t ordinal = *file_.u16(*ordinals + std::uint64_t{2} * index);
            if (ordinal >= functionCount) return ImageDefect::ExportDirectory;
            const std::uint32_t functionRva = *file_.u32(*functions + std::uint64_t{4} * ordinal);
            const std::uint32_t nameRva = *file_.u32(*names + std::uint64_t{4} * index);
            const auto nameOffset = offsetOf(nameRva, 1);
            if (!nameOffset) return ImageDefect::NameOutside;
            const std::optional<std::string_view> name = file_.cString(*nameOffset, file_.size());
            if (!name) return ImageDefect::NameOutside;
            // A forwarder's RVA points at text inside the directory, not at the export.
            if (functionRva >= directoryRva_ && functionRva - directoryRva_ < directorySize_) continue;
            if (!addsWithinRange(headers_.imageBase, functionRva)) continue;
            const std::uint64_t address = headers_.imageBase + functionRva;
            ImageSymbol symbol;
            symbol.name = *name;
            symbol.address = address;
            symbol.kind = kindAt(image_, address);
            symbol.source = SymbolSource::PeExport;
            symbol.section = sectionNameAt(image_, address);
            image_.symbols.push_back(std::move(symbol));
        }
        return std::nullopt;
    }

private:
    std::optional<std::uint64_t> offsetOf(std::uint32_t rva, std::uint64_t length) const {
        if (!addsWithinRange(headers_.imageBase, rva)) return std::nullopt;
        const OffsetOrRefusal offset = fileOffsetOf(image_, headers_.imageBase + rva, length);
        if (!offset) return std::nullopt;
        return *offset;
    }

    const FieldReader& file_;
    const PeHeaders& headers_;
    ExecutableImage& image_;
    std::uint32_t directoryRva_ = 0;
    std::uint32_t directorySize_ = 0;
};

SymbolPlace placeOf(std::int16_t sectionNumber, std::uint32_t value) {
    if (sectionNumber == kSymbolUndefined) return value != 0 ? SymbolPlace::Common : SymbolPlace::Undefined;
    if (sectionNumber == kSymbolAbsolute) return SymbolPlace::Absolute;
    return SymbolPlace::Section;
}

std::optional<ImageDefect> readCoffSymbols(const FieldReader& file, const PeHeaders& headers,
                                           const CoffStrings& strings, ExecutableImage& image) {
    if (headers.symbolTable == 0 || headers.symbolCount == 0) return std::nullopt;
    if (!file.contains(headers.symbolTable, kCoffSymbolSize * headers.symbolCount)) {
        return ImageDefect::CoffSymbolTableOutside;
    }
    std::uint64_t index = 0;
    while (index < headers.symbolCount) {
        const std::uint64_t record = headers.symbolTable + kCoffSymbolSize * index;
        const std::uint8_t auxCount = *file.u8(record + kSymbolAuxCountPosition);
        index += 1 + std::uint64_t{auxCount};
        const std::uint8_t storageClass = *file.u8(record + kSymbolStorageClassPosition);
        const auto sectionNumber = static_cast<std::int16_t>(*file.u16(record + kSymbolSectionNumberPosition));
        const std::uint32_t value = *file.u32(record + kSymbolValuePosition);
        // Only plain symbols: no aux records (those describe sections, files
        // and functions), no debug values. An object keeps its undefined,
        // common and absolute ones, so that asking for one says why.
        if ((storageClass != kClassExternal && storageClass != kClassStatic) || auxCount != 0) continue;
        const SymbolPlace place = placeOf(sectionNumber, value);
        const bool object = image.format == ImageFormat::Coff;
        if (place != SymbolPlace::Section && (!object || storageClass != kClassExternal)) continue;
        if (place == SymbolPlace::Section &&
            (sectionNumber <= 0 || static_cast<std::size_t>(sectionNumber) > image.sections.size())) {
            continue;
        }
        std::optional<std::string_view> name;
        if (*file.u32(record) == 0) {
            name = strings.at(*file.u32(record + 4));
            if (!name) return ImageDefect::CoffStringTableCut;
        } else {
            name = file.paddedName(record, 8);
        }
        if (place != SymbolPlace::Section) {
            ImageSymbol symbol;
            symbol.name = *name;
            symbol.address = value;
            symbol.source = SymbolSource::CoffSymbol;
            symbol.place = place;
            image.symbols.push_back(std::move(symbol));
            continue;
        }
        const auto sectionIndex = static_cast<std::size_t>(sectionNumber - 1);
        const ImageSection& section = image.sections[sectionIndex];
        if (!addsWithinRange(section.address, value)) continue;
        const bool function = (*file.u16(record + kSymbolTypePosition) & kTypeFunctionMask) == kTypeFunction;
        const SymbolKind kind =
            function || section.content == SectionContent::Code ? SymbolKind::Code : SymbolKind::Data;
        ImageSymbol symbol;
        symbol.name = *name;
        symbol.address = section.address + value;
        symbol.kind = kind;
        symbol.source = SymbolSource::CoffSymbol;
        symbol.section = section.name;
        symbol.sectionIndex = sectionIndex;
        image.symbols.push_back(std::move(symbol));
    }
    return std::nullopt;
}

}  // namespace

namespace {

// The image's sections and symbols, its headers read.
ImageOrDefect readCoffContent(const FieldReader& file, const PeHeaders& headers, SymbolReading symbols) {
    const CoffStrings strings(file, headers);
    ExecutableImage image;
    image.format = headers.format;
    image.fileSize = file.size();
    if (headers.format == ImageFormat::Coff) {
        image.addresses = AddressSpace::SectionRelative;
    } else {
        image.imageBase = headers.imageBase;
    }
    for (std::uint16_t index = 0; index < headers.sectionCount; ++index) {
        auto section = readSection(file, headers, strings, index);
        if (!section) return failure(section.error());
        image.sections.push_back(std::move(*section));
    }
    if (symbols == SymbolReading::Read) {
        std::optional<ImageDefect> defect;
        if (headers.format != ImageFormat::Coff) defect = ExportReader(file, headers, image).read();
        if (!defect) defect = readCoffSymbols(file, headers, strings, image);
        if (defect) return failure(*defect);
    }
    return image;
}

}  // namespace

HeadersOrDefect readPeHeaders(const FieldReader& file, OptionalHeaders accepted) {
    const std::optional<std::uint32_t> lfanew = file.u32(kLfanewPosition);
    if (!lfanew || file.u32(*lfanew) != kNtSignature) return failure(ImageDefect::NotAnImage);
    const std::uint64_t fileHeader = std::uint64_t{*lfanew} + kFileHeaderPosition;
    const auto sectionCount = file.u16(fileHeader + kNumberOfSectionsPosition);
    const auto symbolTable = file.u32(fileHeader + kPointerToSymbolTablePosition);
    const auto symbolCount = file.u32(fileHeader + kNumberOfSymbolsPosition);
    const auto optionalHeaderSize = file.u16(fileHeader + kSizeOfOptionalHeaderPosition);
    const std::uint64_t optionalHeader = fileHeader + kFileHeaderSize;
    const auto magic = file.u16(optionalHeader);
    if (!sectionCount || !symbolTable || !symbolCount || !optionalHeaderSize || !magic ||
        *optionalHeaderSize < kLeastOptionalHeaderSize) {
        return failure(ImageDefect::HeadersCut);
    }
    const OptionalHeaderLayout* layout = layoutOf(*magic);
    if (layout == nullptr || (accepted == OptionalHeaders::Pe32Only && layout->format != ImageFormat::Pe32))
        return failure(ImageDefect::UnknownPeMagic);
    const std::optional<std::uint64_t> imageBase =
        file.word(optionalHeader + layout->imageBasePosition, layout->imageBaseWidth);
    if (!imageBase) return failure(ImageDefect::HeadersCut);
    return PeHeaders{
        layout->format, *imageBase,   optionalHeader, *optionalHeaderSize, optionalHeader + *optionalHeaderSize,
        *sectionCount,  *symbolTable, *symbolCount};
}

namespace {

HeadersOrDefect readPeSectionTable(const FieldReader& file) {
    const HeadersOrDefect read = readPeHeaders(file, OptionalHeaders::Pe32AndPe32Plus);
    if (!read) return read;
    if (!file.contains(read->sectionTable, kSectionHeaderSize * read->sectionCount)) {
        return failure(ImageDefect::SectionTableOutside);
    }
    return read;
}

constexpr std::string_view kDebugLinkSection = ".gnu_debuglink";

bool isDebugSection(std::string_view name) { return name.starts_with(".debug_") || name.starts_with(".zdebug_"); }

// The DWARF sections and .gnu_debuglink, in section-table order: a debug
// reader trusts their names and bytes, so a long name is resolved or
// refused, and their raw data must lie inside the file.
Expected<PeDebugSections, ImageDefect> debugSectionsOf(const FieldReader& file) {
    const HeadersOrDefect headers = readPeSectionTable(file);
    if (!headers) return failure(headers.error());
    const CoffStrings strings(file, *headers);
    PeDebugSections found;
    found.format = headers->format;
    // The file header, read whole by readPeHeaders, starts with Machine.
    found.machine = *file.u16(headers->optionalHeader - kFileHeaderSize);
    for (std::uint16_t index = 0; index < headers->sectionCount; ++index) {
        const std::uint64_t header = headers->sectionTable + kSectionHeaderSize * index;
        std::string_view name = *file.paddedName(header, kSectionNameSize);
        if (const std::optional<std::uint32_t> offset = longNameOffset(name)) {
            const std::optional<std::string_view> resolved = strings.at(*offset);
            if (!resolved) return failure(ImageDefect::DebugSectionName);
            name = *resolved;
        }
        if (!isDebugSection(name) && name != kDebugLinkSection) continue;
        const std::uint32_t virtualSize = *file.u32(header + kVirtualSizePosition);
        const std::uint32_t rawSize = *file.u32(header + kSizeOfRawDataPosition);
        const std::uint32_t rawPointer = *file.u32(header + kPointerToRawDataPosition);
        if (rawPointer == 0 || rawSize == 0) continue;  // no bytes in this file
        if (!file.contains(rawPointer, rawSize)) return failure(ImageDefect::DebugSectionOutside);
        const std::uint32_t size = virtualSize != 0 ? std::min(virtualSize, rawSize) : rawSize;
        found.sections.push_back(DebugSection{std::string(name), rawPointer, size});
    }
    return found;
}

}  // namespace

ImageOrDefect readPeImage(const FieldReader& file, SymbolReading symbols) {
    const HeadersOrDefect read = readPeSectionTable(file);
    if (!read) return failure(read.error());
    return readCoffContent(file, *read, symbols);
}

Expected<PeDebugSections, ImageDefect> readPeDebugSections(std::span<const std::uint8_t> bytes) {
    const FieldReader file(bytes);
    if (file.u16(0) != kDosSignature) return failure(ImageDefect::NotAnImage);
    auto found = debugSectionsOf(file);
    if (!found) return found;
    std::erase_if(found->sections, [](const DebugSection& section) { return section.name == kDebugLinkSection; });
    return found;
}

Expected<DebugLinks, ImageDefect> readPeDebugLinks(const FieldReader& file) {
    const auto found = debugSectionsOf(file);
    DebugLinks links;
    // An MZ program without PE headers (DOS) says nothing, as other formats.
    if (!found && found.error() == ImageDefect::NotAnImage) return links;
    if (!found) return failure(found.error());
    for (const DebugSection& section : found->sections) {
        if (section.name == ".debug_info" || section.name == ".zdebug_info") links.hasOwnDebugInfo = true;
        if (section.name == kDebugLinkSection) {
            links.link = debugLinkAt(file, section.fileOffset, section.size);
            if (!links.link) return failure(ImageDefect::DebugLinkCut);
        }
    }
    return links;
}

bool hasCoffObjectHeader(const FieldReader& file) {
    const std::optional<std::uint16_t> machine = file.u16(0);
    if (!machine || file.u16(kSizeOfOptionalHeaderPosition) != 0) return false;
    return std::find(std::begin(kObjectMachines), std::end(kObjectMachines), *machine) != std::end(kObjectMachines);
}

ImageOrDefect readCoffObject(const FieldReader& file, SymbolReading symbols) {
    const auto sectionCount = file.u16(kNumberOfSectionsPosition);
    const auto symbolTable = file.u32(kPointerToSymbolTablePosition);
    const auto symbolCount = file.u32(kNumberOfSymbolsPosition);
    if (!sectionCount || !symbolTable || !symbolCount || !file.contains(0, kFileHeaderSize)) {
        return failure(ImageDefect::HeadersCut);
    }
    if (!file.contains(kFileHeaderSize, kSectionHeaderSize * *sectionCount)) {
        return failure(ImageDefect::SectionTableOutside);
    }
    const PeHeaders headers{ImageFormat::Coff, 0,           kFileHeaderSize, 0, kFileHeaderSize, *sectionCount,
                            *symbolTable,      *symbolCount};
    return readCoffContent(file, headers, symbols);
}

}  // namespace zemrik::image
