#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/DebugLinks.h"
#include "image/ElfFormat.h"
#include "image/FormatReaders.h"

namespace zemrik::image {
namespace {

using namespace elf;

struct SectionHeader {
    std::uint32_t name;
    std::uint32_t type;
    std::uint64_t flags;
    std::uint64_t address;
    std::uint64_t offset;
    std::uint64_t size;
    std::uint32_t link;
    std::uint64_t entrySize;
    std::uint64_t alignment;
};

// One symbol table and what it refers to.
struct SymbolTable {
    std::uint32_t index;
    SymbolSource source;
    const SectionHeader* strings;
    const SectionHeader* extendedIndexes;  // SHT_SYMTAB_SHNDX, when there is one
};

// Appends rather than adds strings: GCC 12 warns falsely (-Wrestrict) about
// "[" + std::to_string(...) once it is inlined.
std::string numberedName(std::string_view prefix, std::uint64_t number) {
    std::string name(prefix);
    name.append(std::to_string(number));
    return name;
}

class ElfReader {
public:
    ElfReader(const FieldReader& file, const ClassLayout& layout, ImageFormat format) : file_(file), layout_(layout) {
        image_.format = format;
        image_.fileSize = file.size();
        image_.byteOrder = file.order();
    }

    ImageOrDefect read(SymbolReading symbols) {
        if (!file_.contains(0, layout_.headerSize)) return failure(ImageDefect::HeadersCut);
        if (half(kTypePosition) == kEtRel) image_.addresses = AddressSpace::SectionRelative;
        std::optional<ImageDefect> defect = readSectionHeaders();
        if (!defect) defect = headers_.empty() ? readLoadSegments() : readSections();
        if (!defect && symbols == SymbolReading::Read) defect = readSymbols();
        if (defect) return failure(*defect);
        return std::move(image_);
    }

    Expected<DebugLinks, ImageDefect> readLinks() {
        if (!file_.contains(0, layout_.headerSize)) return failure(ImageDefect::HeadersCut);
        if (auto defect = readSectionHeaders()) return failure(*defect);
        DebugLinks links;
        const std::optional<ImageDefect> defect = headers_.empty() ? readSegmentNotes(links) : readSectionLinks(links);
        if (defect) return failure(*defect);
        return links;
    }

private:
    std::uint64_t word(std::uint64_t position) const { return *file_.word(position, layout_.wordSize); }
    std::uint16_t half(std::uint64_t position) const { return *file_.u16(position); }
    std::uint32_t u32(std::uint64_t position) const { return *file_.u32(position); }

    // Reads one header of a table already checked to lie inside the file.
    SectionHeader sectionHeader(std::uint64_t table, std::uint64_t index) const {
        const std::uint64_t at = table + layout_.sectionHeaderSize * index;
        return {u32(at + layout_.shName),  u32(at + layout_.shType),     word(at + layout_.shFlags),
                word(at + layout_.shAddr), word(at + layout_.shOffset),  word(at + layout_.shSize),
                u32(at + layout_.shLink),  word(at + layout_.shEntsize), word(at + layout_.shAddralign)};
    }

    bool holdsData(const SectionHeader& header) const {
        return header.type != kShtNobits && file_.contains(header.offset, header.size);
    }

    std::optional<ImageDefect> readSectionHeaders() {
        const std::uint64_t table = word(layout_.shoff);
        if (table == 0) return std::nullopt;
        if (half(layout_.shentsize) != layout_.sectionHeaderSize) return ImageDefect::SectionEntrySize;
        if (!file_.contains(table, layout_.sectionHeaderSize)) return ImageDefect::SectionTableOutside;
        // With 0xFF00 sections or more, e_shnum is 0 and the first header's
        // sh_size holds the count; likewise sh_link for e_shstrndx.
        const SectionHeader first = sectionHeader(table, 0);
        const std::uint64_t count = half(layout_.shnum) != 0 ? half(layout_.shnum) : first.size;
        if (count > file_.size() / layout_.sectionHeaderSize ||
            !file_.contains(table, layout_.sectionHeaderSize * count)) {
            return ImageDefect::SectionTableOutside;
        }
        headers_.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t index = 0; index < count; ++index) headers_.push_back(sectionHeader(table, index));

        std::uint32_t namesIndex = half(layout_.shstrndx);
        if (namesIndex == kShnXindex) namesIndex = first.link;
        names_.assign(headers_.size(), std::string());
        if (namesIndex == kShnUndef) {
            // Without a name table each section is known by its index.
            for (std::size_t index = 0; index < names_.size(); ++index) names_[index] = numberedName("[", index) + "]";
            return std::nullopt;
        }
        if (namesIndex >= headers_.size() || !holdsData(headers_[namesIndex])) return ImageDefect::SectionNameTable;
        for (std::size_t index = 0; index < headers_.size(); ++index) {
            const std::optional<std::string_view> name = stringAt(headers_[namesIndex], headers_[index].name);
            if (!name) return ImageDefect::NameOutside;
            names_[index] = std::string(*name);
        }
        return std::nullopt;
    }

    std::optional<std::string_view> stringAt(const SectionHeader& table, std::uint32_t offset) const {
        if (offset >= table.size) return std::nullopt;
        return file_.cString(table.offset + offset, table.offset + table.size);
    }

    std::optional<ImageDefect> addSection(ImageSection section) {
        if (!addsWithinRange(section.address, section.memorySize)) return ImageDefect::SectionWraps;
        image_.sections.push_back(std::move(section));
        return std::nullopt;
    }

    std::optional<ImageDefect> readSections() {
        loadedIndex_.assign(headers_.size(), kNotLoaded);
        for (std::size_t index = 0; index < headers_.size(); ++index) {
            const SectionHeader& header = headers_[index];
            if (header.type == kShtNull || (header.flags & kShfAlloc) == 0) continue;
            const bool nobits = header.type == kShtNobits;
            if (!nobits && !addsWithinRange(header.offset, header.size)) return ImageDefect::SectionWraps;
            const SectionContent content =
                (header.flags & kShfExecinstr) != 0 ? SectionContent::Code : SectionContent::Data;
            if (auto defect = addSection({names_[index],
                                          header.address,
                                          header.size,
                                          header.offset,
                                          nobits ? 0 : header.size,
                                          content,
                                          {}})) {
                return defect;
            }
            loadedIndex_[index] = image_.sections.size() - 1;
        }
        return std::nullopt;
    }

    // Calls visit(index, at) for each program header of that type, `at` its
    // offset in the file, after checking that the whole table lies there;
    // stops at the first defect visit returns.
    template <typename Visit>
    std::optional<ImageDefect> forEachSegment(std::uint32_t type, Visit visit) const {
        const std::uint64_t table = word(layout_.phoff);
        const std::uint64_t count = half(layout_.phnum);
        if (table == 0 || count == 0) return std::nullopt;
        if (half(layout_.phentsize) != layout_.programHeaderSize) return ImageDefect::ProgramEntrySize;
        if (!file_.contains(table, layout_.programHeaderSize * count)) return ImageDefect::ProgramHeadersOutside;
        for (std::uint64_t index = 0; index < count; ++index) {
            const std::uint64_t at = table + layout_.programHeaderSize * index;
            if (u32(at + layout_.pType) != type) continue;
            if (auto defect = visit(index, at)) return defect;
        }
        return std::nullopt;
    }

    // An image without section headers is described by its loadable segments.
    std::optional<ImageDefect> readLoadSegments() {
        return forEachSegment(kPtLoad, [this](std::uint64_t index, std::uint64_t at) -> std::optional<ImageDefect> {
            const std::uint64_t offset = word(at + layout_.pOffset);
            const std::uint64_t fileSize = word(at + layout_.pFilesz);
            if (!addsWithinRange(offset, fileSize)) return ImageDefect::SectionWraps;
            const SectionContent content =
                (u32(at + layout_.pFlags) & kPfX) != 0 ? SectionContent::Code : SectionContent::Data;
            return addSection({numberedName("LOAD", index),
                               word(at + layout_.pVaddr),
                               word(at + layout_.pMemsz),
                               offset,
                               fileSize,
                               content,
                               {}});
        });
    }

    std::optional<ImageDefect> readSectionLinks(DebugLinks& links) const {
        for (std::size_t index = 0; index < headers_.size(); ++index) {
            const SectionHeader& header = headers_[index];
            const std::string& name = names_[index];
            if (header.type == kShtNobits) continue;
            if (name == ".debug_info" || name == ".zdebug_info") links.hasOwnDebugInfo |= header.size > 0;
            if (name == ".gnu_debuglink") {
                if (!holdsData(header)) return ImageDefect::DebugLinkCut;
                if (auto defect = readDebugLink(header, links)) return defect;
            }
            if (header.type == kShtNote) {
                if (!holdsData(header)) return ImageDefect::NoteCut;
                if (auto defect = readNotes(header.offset, header.size, header.alignment, links)) return defect;
            }
        }
        return std::nullopt;
    }

    std::optional<ImageDefect> readDebugLink(const SectionHeader& header, DebugLinks& links) const {
        links.link = debugLinkAt(file_, header.offset, header.size);
        if (!links.link) return ImageDefect::DebugLinkCut;
        return std::nullopt;
    }

    // An image without section headers has its notes in PT_NOTE segments.
    std::optional<ImageDefect> readSegmentNotes(DebugLinks& links) const {
        return forEachSegment(kPtNote, [&](std::uint64_t, std::uint64_t at) -> std::optional<ImageDefect> {
            const std::uint64_t offset = word(at + layout_.pOffset);
            const std::uint64_t size = word(at + layout_.pFilesz);
            if (!file_.contains(offset, size)) return ImageDefect::NoteCut;
            return readNotes(offset, size, word(at + layout_.pAlign), links);
        });
    }

    // Each note: name size, descriptor size and type (4 bytes each), then the
    // name and the descriptor, each ending padded to the notes' alignment (8
    // where the section or segment is 8-aligned, 4 otherwise). The first GNU
    // build-id note gives the build-id. [offset, offset + size) lies in the file.
    std::optional<ImageDefect> readNotes(std::uint64_t offset, std::uint64_t size, std::uint64_t alignment,
                                         DebugLinks& links) const {
        const std::uint64_t unit = alignment == 8 ? 8 : 4;
        const auto padded = [unit](std::uint64_t length) { return (length + unit - 1) / unit * unit; };
        std::uint64_t position = 0;
        while (position < size) {
            if (size - position < 12) return ImageDefect::NoteCut;
            const std::uint64_t at = offset + position;
            const std::uint64_t nameSize = u32(at);
            const std::uint64_t descSize = u32(at + 4);
            const std::uint32_t type = u32(at + 8);
            // Sizes are 32-bit and position stays within the 64-bit size: no sum wraps.
            const std::uint64_t descAt = position + padded(12 + nameSize);
            if (descAt > size || descSize > size - descAt) return ImageDefect::NoteCut;
            const std::optional<std::string_view> name = file_.paddedName(at + 12, static_cast<std::size_t>(nameSize));
            if (type == kNtGnuBuildId && nameSize == 4 && name == "GNU" && links.buildId.empty()) {
                const std::span<const std::uint8_t> desc = *file_.slice(offset + descAt, descSize);
                links.buildId.assign(desc.begin(), desc.end());
            }
            position = descAt + padded(descSize);
        }
        return std::nullopt;
    }

    std::optional<ImageDefect> readSymbols() {
        // .symtab before .dynsym: a search by name prefers the fuller table.
        for (const auto& [type, source] :
             {std::pair{kShtSymtab, SymbolSource::ElfSymtab}, std::pair{kShtDynsym, SymbolSource::ElfDynsym}}) {
            for (std::uint32_t index = 0; index < headers_.size(); ++index) {
                if (headers_[index].type != type) continue;
                const std::optional<SymbolTable> table = symbolTable(index, source);
                if (!table) return ImageDefect::SymbolStringTable;
                if (auto defect = readSymbolTable(*table)) return defect;
            }
        }
        return std::nullopt;
    }

    std::optional<SymbolTable> symbolTable(std::uint32_t index, SymbolSource source) const {
        const std::uint32_t link = headers_[index].link;
        if (link >= headers_.size() || headers_[link].type != kShtStrtab || !holdsData(headers_[link])) {
            return std::nullopt;
        }
        const SectionHeader* extended = nullptr;
        for (const SectionHeader& header : headers_) {
            if (header.type == kShtSymtabShndx && header.link == index) extended = &header;
        }
        return SymbolTable{index, source, &headers_[link], extended};
    }

    std::optional<ImageDefect> readSymbolTable(const SymbolTable& table) {
        const SectionHeader& header = headers_[table.index];
        if (header.entrySize != layout_.symbolSize) return ImageDefect::SymbolEntrySize;
        if (!holdsData(header)) return ImageDefect::SymbolTableOutside;
        const std::uint64_t count = header.size / layout_.symbolSize;
        // Symbol 0 is the null symbol.
        for (std::uint64_t index = 1; index < count; ++index) {
            const std::uint64_t at = header.offset + layout_.symbolSize * index;
            const std::uint8_t type = *file_.u8(at + layout_.stInfo) & 0xF;
            std::uint32_t sectionIndex = half(at + layout_.stShndx);
            if (sectionIndex == kShnXindex) {
                const std::optional<std::uint32_t> extended = extendedIndex(table, index);
                if (!extended) return ImageDefect::SectionIndexTable;
                sectionIndex = *extended;
            }
            const std::uint32_t nameOffset = u32(at + layout_.stName);
            // A TLS symbol's value is an offset, not an address.
            if (nameOffset == 0 || type == kSttSection || type == kSttFile || type == kSttTls) continue;
            // Undefined, absolute and common symbols name no bytes of the
            // file: an object keeps them, so that asking for one says why.
            const SymbolPlace place = placeOf(sectionIndex);
            const bool relocatable = image_.addresses == AddressSpace::SectionRelative;
            if (place != SymbolPlace::Section && !relocatable) continue;
            const ImageSection* section = loadedSection(sectionIndex);
            if (place == SymbolPlace::Section && section == nullptr) continue;
            const std::optional<std::string_view> name = stringAt(*table.strings, nameOffset);
            if (!name) return ImageDefect::NameOutside;
            const std::uint64_t size = word(at + layout_.stSize);
            ImageSymbol symbol;
            symbol.name = *name;
            symbol.address = word(at + layout_.stValue);
            if (size > 0) symbol.size = size;
            symbol.source = table.source;
            symbol.place = place;
            if (section != nullptr) {
                symbol.kind = symbolKind(type, *section);
                symbol.section = section->name;
                symbol.sectionIndex = loadedIndex_[sectionIndex];
            }
            image_.symbols.push_back(std::move(symbol));
        }
        return std::nullopt;
    }

    std::optional<std::uint32_t> extendedIndex(const SymbolTable& table, std::uint64_t symbol) const {
        if (table.extendedIndexes == nullptr || !holdsData(*table.extendedIndexes) ||
            symbol >= table.extendedIndexes->size / 4) {
            return std::nullopt;
        }
        return file_.u32(table.extendedIndexes->offset + 4 * symbol);
    }

    const ImageSection* loadedSection(std::uint32_t index) const {
        if (index >= loadedIndex_.size() || loadedIndex_[index] == kNotLoaded) return nullptr;
        return &image_.sections[loadedIndex_[index]];
    }

    static SymbolPlace placeOf(std::uint32_t sectionIndex) {
        switch (sectionIndex) {
        case kShnUndef: return SymbolPlace::Undefined;
        case kShnAbs: return SymbolPlace::Absolute;
        case kShnCommon: return SymbolPlace::Common;
        default: return SymbolPlace::Section;
        }
    }

    static SymbolKind symbolKind(std::uint8_t type, const ImageSection& section) {
        if (type == kSttFunc || type == kSttGnuIfunc) return SymbolKind::Code;
        if (type == kSttObject || type == kSttCommon) return SymbolKind::Data;
        return section.content == SectionContent::Code ? SymbolKind::Code : SymbolKind::Data;
    }

    const FieldReader file_;
    const ClassLayout& layout_;
    ExecutableImage image_;
    std::vector<SectionHeader> headers_;
    std::vector<std::string> names_;
    // ELF section index -> position in image_.sections, for the allocated ones.
    static constexpr std::size_t kNotLoaded = SIZE_MAX;
    std::vector<std::size_t> loadedIndex_;
};

}  // namespace

bool hasElfMagic(const FieldReader& file) {
    for (std::uint64_t index = 0; index < sizeof kMagic; ++index) {
        if (file.u8(index) != kMagic[index]) return false;
    }
    return true;
}

namespace {

// Runs `read` on a reader of the image's class and byte order.
template <class Read>
auto readingElf(const FieldReader& file, Read read) -> decltype(read(std::declval<ElfReader&>())) {
    const std::optional<std::uint8_t> elfClass = file.u8(kClassPosition);
    const std::optional<std::uint8_t> data = file.u8(kDataPosition);
    if (!elfClass || !data) return failure(ImageDefect::HeadersCut);
    if (*elfClass != kClass32 && *elfClass != kClass64) return failure(ImageDefect::UnknownElfClass);
    if (*data != kDataLittle && *data != kDataBig) return failure(ImageDefect::UnknownElfByteOrder);
    const FieldReader ordered = file.withOrder(*data == kDataLittle ? ByteOrder::LittleEndian : ByteOrder::BigEndian);
    ElfReader reader = *elfClass == kClass32 ? ElfReader(ordered, kElf32Layout, ImageFormat::Elf32)
                                             : ElfReader(ordered, kElf64Layout, ImageFormat::Elf64);
    return read(reader);
}

}  // namespace

ImageOrDefect readElfImage(const FieldReader& file, SymbolReading symbols) {
    return readingElf(file, [symbols](ElfReader& reader) { return reader.read(symbols); });
}

Expected<DebugLinks, ImageDefect> readElfDebugLinks(const FieldReader& file) {
    return readingElf(file, [](ElfReader& reader) { return reader.readLinks(); });
}

}  // namespace zemrik::image
