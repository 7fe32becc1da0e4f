#include "image/ExecutableImage.h"

#include <algorithm>

#include "image/FormatReaders.h"
#include "image/PeFormat.h"

namespace zemrik::image {
namespace {

// The bytes of the section's file data that are loaded and lie inside the
// file: a section cut short by the end of the file is backed only that far.
std::uint64_t backedSize(const ImageSection& section, std::uint64_t fileSize) {
    if (section.fileOffset >= fileSize) return 0;
    return std::min({section.fileSize, section.memorySize, fileSize - section.fileOffset});
}

bool holds(const ImageSection& section, std::uint64_t address) {
    return address >= section.address && address - section.address < section.memorySize;
}

std::uint64_t endOf(const ImageSection& section) { return section.address + section.memorySize; }

OffsetOrRefusal refuse(OffsetProblem problem, std::string section, std::uint64_t limit, std::string next = {}) {
    return OffsetOrRefusal::failure({problem, std::move(section), std::move(next), limit});
}

// No section holds the address: say where it lies instead.
OffsetOrRefusal refuseOutsideSections(const ExecutableImage& image, std::uint64_t address) {
    const ImageSection* below = nullptr;
    const ImageSection* above = nullptr;
    for (const ImageSection& section : image.sections) {
        if (section.memorySize == 0) continue;
        if (endOf(section) <= address && (below == nullptr || endOf(section) > endOf(*below))) below = &section;
        if (section.address > address && (above == nullptr || section.address < above->address)) above = &section;
    }
    if (below == nullptr && above == nullptr) return refuse(OffsetProblem::NoSections, {}, 0);
    if (below == nullptr) return refuse(OffsetProblem::BelowEverySection, above->name, above->address);
    if (above == nullptr) return refuse(OffsetProblem::PastEverySection, below->name, endOf(*below));
    return refuse(OffsetProblem::BetweenSections, below->name, 0, above->name);
}

}  // namespace

std::string_view formatName(ImageFormat format) {
    switch (format) {
    case ImageFormat::Pe32: return "PE32";
    case ImageFormat::Pe32Plus: return "PE32+";
    case ImageFormat::Elf32: return "ELF32";
    case ImageFormat::Elf64: return "ELF64";
    case ImageFormat::Coff: return "COFF";
    case ImageFormat::Archive: return "archive";
    }
    return "";
}

std::string_view defectMessage(ImageDefect defect) {
    switch (defect) {
    case ImageDefect::NotAnImage: return "not a PE or ELF image";
    case ImageDefect::HeadersCut: return "the file ends inside its headers";
    case ImageDefect::UnknownElfClass: return "its ELF class is neither 32-bit nor 64-bit";
    case ImageDefect::UnknownElfByteOrder: return "its ELF byte order is neither little- nor big-endian";
    case ImageDefect::UnknownPeMagic: return "its optional header is neither PE32 nor PE32+";
    case ImageDefect::SectionTableOutside: return "its section table runs past the end of the file";
    case ImageDefect::SectionEntrySize: return "its section headers are not of the size its class has";
    case ImageDefect::ProgramHeadersOutside: return "its program headers run past the end of the file";
    case ImageDefect::ProgramEntrySize: return "its program headers are not of the size its class has";
    case ImageDefect::SectionNameTable: return "its section-name string table is missing or outside the file";
    case ImageDefect::NameOutside: return "a name runs past its string table";
    case ImageDefect::SectionWraps: return "a section runs past the end of the address space or of the file offsets";
    case ImageDefect::SymbolTableOutside: return "a symbol table runs past the end of the file";
    case ImageDefect::SymbolEntrySize: return "a symbol table's entries are not of the size its class has";
    case ImageDefect::SymbolStringTable: return "a symbol table links to no string table";
    case ImageDefect::SectionIndexTable: return "a symbol's extended section index is missing";
    case ImageDefect::ExportDirectory: return "its export directory lies outside the sections' file data";
    case ImageDefect::CoffSymbolTableOutside: return "its COFF symbol table runs past the end of the file";
    case ImageDefect::CoffStringTableCut: return "its COFF string table is cut short";
    case ImageDefect::ArchiveHeader: return "an archive member's header is malformed";
    case ImageDefect::ArchiveMemberCut: return "an archive member runs past the end of the file";
    case ImageDefect::ArchiveLongName: return "an archive member's long name lies outside its name table";
    case ImageDefect::ThinArchive: return "it is a thin archive, which holds no members' bytes";
    case ImageDefect::DebugLinkCut: return "its .gnu_debuglink section is cut short or lies outside the file";
    case ImageDefect::NoteCut: return "a note runs past the end of its section or segment";
    case ImageDefect::DebugSectionName: return "a section's long name lies outside its COFF string table";
    case ImageDefect::DebugSectionOutside: return "a debug section's raw data runs past the end of the file";
    }
    return "not a PE or ELF image";
}

bool beginsAsImage(std::span<const std::uint8_t> head) {
    const FieldReader file(head);
    return hasElfMagic(file) || file.u16(0) == pe::kDosSignature || hasArchiveMagic(file) || hasCoffObjectHeader(file);
}

ImageOrDefect readImageOf(const FieldReader& file, SymbolReading symbols) {
    if (hasElfMagic(file)) return readElfImage(file, symbols);
    if (file.u16(0) == pe::kDosSignature) return readPeImage(file, symbols);
    if (hasArchiveMagic(file)) return readArchive(file, symbols);
    if (hasCoffObjectHeader(file)) return readCoffObject(file, symbols);
    return failure(ImageDefect::NotAnImage);
}

ImageOrDefect readExecutableImage(std::span<const std::uint8_t> file, SymbolReading symbols) {
    ImageOrDefect image = readImageOf(FieldReader(file), symbols);
    if (!image) return image;
    for (ImageSymbol& symbol : image->symbols) {
        if (symbol.place != SymbolPlace::Section) continue;
        const OffsetOrRefusal offset = symbolFileOffset(*image, symbol, 1);
        if (offset) symbol.fileOffset = *offset;
    }
    return image;
}

Expected<DebugLinks, ImageDefect> readDebugLinks(std::span<const std::uint8_t> bytes) {
    const FieldReader file(bytes);
    if (hasElfMagic(file)) return readElfDebugLinks(file);
    if (file.u16(0) == pe::kDosSignature) return readPeDebugLinks(file);
    return DebugLinks{};
}

std::optional<DebugLink> debugLinkAt(const FieldReader& file, std::uint64_t offset, std::uint64_t size) {
    if (!file.contains(offset, size)) return std::nullopt;
    const std::optional<std::string_view> name = file.cString(offset, offset + size);
    if (!name) return std::nullopt;
    const std::uint64_t crcAt = (std::uint64_t{name->size()} + 1 + 3) / 4 * 4;
    if (crcAt > size || size - crcAt < 4) return std::nullopt;
    return DebugLink{std::string(*name), *file.u32(offset + crcAt)};
}

const ImageSection* sectionHolding(const ExecutableImage& image, std::uint64_t address) {
    for (const ImageSection& section : image.sections) {
        if (holds(section, address)) return &section;
    }
    return nullptr;
}

namespace {

// The section whose file data holds `address`; or, failing that, one that
// spans it; or why none does.
Expected<const ImageSection*, OffsetRefusal> sectionBacking(const ExecutableImage& image, std::uint64_t address) {
    using Result = Expected<const ImageSection*, OffsetRefusal>;
    if (image.imageBase && address < *image.imageBase) {
        return Result::failure({OffsetProblem::BelowImageBase, {}, {}, *image.imageBase});
    }
    // Sections may overlap (ELF's .tbss takes no room): one whose file data
    // holds the address wins over one that merely spans it.
    const ImageSection* found = nullptr;
    for (const ImageSection& section : image.sections) {
        if (!holds(section, address)) continue;
        if (address - section.address < backedSize(section, image.fileSize)) {
            found = &section;
            break;
        }
        if (found == nullptr) found = &section;
    }
    if (found == nullptr) return failure(refuseOutsideSections(image, address).error());
    return found;
}

// The offset of `length` bytes at `address` in the section, `address` and
// the refusal's limit being in the section's own terms.
OffsetOrRefusal offsetInSection(const ExecutableImage& image, const ImageSection& section, std::uint64_t address,
                                std::uint64_t length) {
    const std::uint64_t backed = backedSize(section, image.fileSize);
    const std::uint64_t intoSection = address - section.address;
    if (backed == 0) return refuse(OffsetProblem::NoFileData, section.name, section.address);
    if (intoSection >= backed) return refuse(OffsetProblem::PastFileData, section.name, section.address + backed);
    if (length > backed - intoSection) {
        return refuse(OffsetProblem::RangePastFileData, section.name, section.address + backed);
    }
    return section.fileOffset + intoSection;
}

}  // namespace

OffsetOrRefusal fileOffsetOf(const ExecutableImage& image, std::uint64_t address, std::uint64_t length) {
    const auto section = sectionBacking(image, address);
    if (!section) return failure(section.error());
    return offsetInSection(image, **section, address, length);
}

OffsetOrRefusal fileDataLeftAt(const ExecutableImage& image, std::uint64_t address) {
    const auto section = sectionBacking(image, address);
    if (!section) return failure(section.error());
    const OffsetOrRefusal offset = offsetInSection(image, **section, address, 1);
    if (!offset) return offset;
    return backedSize(**section, image.fileSize) - (address - (*section)->address);
}

OffsetOrRefusal symbolFileOffset(const ExecutableImage& image, const ImageSymbol& symbol, std::uint64_t length) {
    if (image.addresses == AddressSpace::Loaded) return fileOffsetOf(image, symbol.address, length);
    if (!symbol.sectionIndex || *symbol.sectionIndex >= image.sections.size()) {
        return refuse(OffsetProblem::NoSections, {}, 0);
    }
    const ImageSection& section = image.sections[*symbol.sectionIndex];
    // An object's sections all start at 0: the value is an offset into its own.
    if (symbol.address < section.address) return refuse(OffsetProblem::BelowEverySection, section.name, 0);
    return offsetInSection(image, section, symbol.address, length);
}

}  // namespace zemrik::image
