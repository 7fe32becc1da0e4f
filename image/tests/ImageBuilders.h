// Executable images built in code for the tests: PE32 and PE32+ with their
// section table, export directory and COFF symbols; ELF32 and ELF64 of either
// byte order with sections, symbol tables and program headers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/ElfFormat.h"
#include "image/FieldReader.h"

namespace zemrik::test {

using Bytes = std::vector<std::uint8_t>;

// Writes fields of a chosen width and byte order, growing the bytes as needed.
inline void putField(Bytes& bytes, std::uint64_t at, std::uint64_t value, unsigned width,
                     ByteOrder order = ByteOrder::LittleEndian) {
    if (bytes.size() < at + width) bytes.resize(static_cast<std::size_t>(at + width));
    for (unsigned index = 0; index < width; ++index) {
        const unsigned shift = order == ByteOrder::LittleEndian ? 8 * index : 8 * (width - 1 - index);
        bytes[static_cast<std::size_t>(at + index)] = static_cast<std::uint8_t>(value >> shift);
    }
}

inline void putBytes(Bytes& bytes, std::uint64_t at, const Bytes& data) {
    if (bytes.size() < at + data.size()) bytes.resize(static_cast<std::size_t>(at + data.size()));
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

inline void putText(Bytes& bytes, std::uint64_t at, const std::string& text) {
    putBytes(bytes, at, Bytes(text.begin(), text.end()));
    putField(bytes, at + text.size(), 0, 1);
}

// Builds PE images in memory: a DOS header pointing at the PE signature, the
// file header, an optional header of a chosen size and the section table
// right after it; optionally an export directory and COFF symbols.
class PeImageBuilder {
public:
    struct Section {
        Section(std::uint32_t address, std::uint32_t size, std::uint32_t rawDataOffset,
                std::optional<std::uint32_t> rawDataSize = std::nullopt, std::string sectionName = {},
                std::uint32_t flags = 0)
            : virtualAddress(address),
              virtualSize(size),
              pointerToRawData(rawDataOffset),
              rawSize(rawDataSize),
              name(std::move(sectionName)),
              characteristics(flags) {}

        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t pointerToRawData;
        std::optional<std::uint32_t> rawSize;  // SizeOfRawData, by default VirtualSize
        std::string name;
        std::uint32_t characteristics;
    };
    struct Export {
        std::string name;
        std::uint32_t rva;
    };
    struct CoffSymbol {
        std::string name;
        std::uint32_t value;
        std::int16_t sectionNumber;
        std::uint8_t storageClass = 2;  // external
        std::uint16_t type = 0;
        std::uint8_t auxCount = 0;
    };

    PeImageBuilder& lfanew(std::uint32_t value) {
        lfanew_ = value;
        return *this;
    }
    PeImageBuilder& imageBase(std::uint64_t value) {
        imageBase_ = value;
        return *this;
    }
    // 0x20B makes a PE32+ image: a 64-bit ImageBase and a longer optional header.
    PeImageBuilder& magic(std::uint16_t value) {
        magic_ = value;
        return *this;
    }
    PeImageBuilder& optionalHeaderSize(std::uint16_t value) {
        optionalHeaderSize_ = value;
        return *this;
    }
    // Overrides NumberOfSections; by default it counts the sections added.
    PeImageBuilder& declaredSectionCount(std::uint16_t value) {
        declaredCount_ = value;
        return *this;
    }
    PeImageBuilder& section(Section value) {
        sections_.push_back(std::move(value));
        return *this;
    }
    // The image grows to at least this many bytes.
    PeImageBuilder& minimumSize(std::size_t value) {
        minimumSize_ = value;
        return *this;
    }
    // An export directory at the start of the section's file data.
    PeImageBuilder& exports(std::size_t sectionIndex, std::vector<Export> entries) {
        exportSection_ = sectionIndex;
        exports_ = std::move(entries);
        return *this;
    }
    // COFF symbols and their string table, after everything else.
    PeImageBuilder& coffSymbols(std::vector<CoffSymbol> symbols) {
        coffSymbols_ = std::move(symbols);
        return *this;
    }

    bool plus() const { return magic_ == 0x20B; }
    std::uint64_t fileHeader() const { return std::uint64_t{lfanew_} + 4; }
    std::uint64_t optionalHeader() const { return fileHeader() + 20; }
    std::uint16_t optionalSize() const { return optionalHeaderSize_.value_or(plus() ? 0xF0 : 0xE0); }
    std::uint64_t sectionTable() const { return optionalHeader() + optionalSize(); }

    Bytes build() const {
        const std::uint64_t end = sectionTable() + 40 * sections_.size();
        Bytes image(std::max<std::size_t>({static_cast<std::size_t>(end), minimumSize_, 0x40}));
        image[0] = 'M';
        image[1] = 'Z';
        put32(image, 0x3C, lfanew_);
        put32(image, lfanew_, 0x00004550);
        put16(image, fileHeader() + 2, declaredCount_.value_or(static_cast<std::uint16_t>(sections_.size())));
        put16(image, fileHeader() + 16, optionalSize());
        put16(image, optionalHeader(), magic_);
        if (plus()) {
            putField(image, optionalHeader() + 24, imageBase_, 8);
        } else {
            put32(image, optionalHeader() + 28, static_cast<std::uint32_t>(imageBase_));
        }
        for (std::size_t index = 0; index < sections_.size(); ++index) {
            const Section& section = sections_[index];
            const std::uint64_t header = sectionTable() + 40 * index;
            putBytes(image, header,
                     Bytes(section.name.begin(), section.name.begin() + std::min<std::size_t>(8, section.name.size())));
            put32(image, header + 8, section.virtualSize);
            put32(image, header + 12, section.virtualAddress);
            put32(image, header + 16, section.rawSize.value_or(section.virtualSize));
            put32(image, header + 20, section.pointerToRawData);
            put32(image, header + 36, section.characteristics);
        }
        if (!exports_.empty()) writeExports(image);
        if (!coffSymbols_.empty()) writeCoffSymbols(image);
        return image;
    }

    static void put16(Bytes& image, std::uint64_t at, std::uint16_t value) { putField(image, at, value, 2); }
    static void put32(Bytes& image, std::uint64_t at, std::uint32_t value) { putField(image, at, value, 4); }

private:
    // Directory, then the function, name and ordinal arrays, then the names.
    void writeExports(Bytes& image) const {
        const Section& section = sections_.at(exportSection_);
        const std::uint64_t file = section.pointerToRawData;
        const std::uint32_t rva = section.virtualAddress;
        const auto count = static_cast<std::uint32_t>(exports_.size());
        const std::uint32_t functions = 40, names = functions + 4 * count, ordinals = names + 4 * count;
        std::uint32_t text = ordinals + 2 * count;
        put32(image, file + 20, count);
        put32(image, file + 24, count);
        put32(image, file + 28, rva + functions);
        put32(image, file + 32, rva + names);
        put32(image, file + 36, rva + ordinals);
        for (std::uint32_t index = 0; index < count; ++index) {
            put32(image, file + functions + 4 * index, exports_[index].rva);
            put32(image, file + names + 4 * index, rva + text);
            put16(image, file + ordinals + 2 * index, static_cast<std::uint16_t>(index));
            putText(image, file + text, exports_[index].name);
            text += static_cast<std::uint32_t>(exports_[index].name.size() + 1);
        }
        const std::uint64_t entry = optionalHeader() + (plus() ? 108 : 92);
        put32(image, entry, 16);
        put32(image, entry + 4, rva);
        put32(image, entry + 8, text);
    }

    void writeCoffSymbols(Bytes& image) const {
        const std::uint64_t table = image.size();
        const std::uint64_t strings = table + 18 * coffSymbols_.size();
        std::uint32_t stringsSize = 4;
        for (std::size_t index = 0; index < coffSymbols_.size(); ++index) {
            const CoffSymbol& symbol = coffSymbols_[index];
            const std::uint64_t record = table + 18 * index;
            putField(image, record, 0, 8);
            if (symbol.name.size() > 8) {
                put32(image, record + 4, stringsSize);
                putText(image, strings + stringsSize, symbol.name);
                stringsSize += static_cast<std::uint32_t>(symbol.name.size() + 1);
            } else {
                putBytes(image, record, Bytes(symbol.name.begin(), symbol.name.end()));
            }
            put32(image, record + 8, symbol.value);
            put16(image, record + 12, static_cast<std::uint16_t>(symbol.sectionNumber));
            put16(image, record + 14, symbol.type);
            putField(image, record + 16, symbol.storageClass, 1);
            putField(image, record + 17, symbol.auxCount, 1);
        }
        put32(image, strings, stringsSize);
        put32(image, fileHeader() + 8, static_cast<std::uint32_t>(table));
        put32(image, fileHeader() + 12, static_cast<std::uint32_t>(coffSymbols_.size()));
    }

    std::uint32_t lfanew_ = 0x80;
    std::uint64_t imageBase_ = 0x400000;
    std::uint16_t magic_ = 0x10B;
    std::optional<std::uint16_t> optionalHeaderSize_;
    std::optional<std::uint16_t> declaredCount_;
    std::vector<Section> sections_;
    std::size_t minimumSize_ = 0;
    std::size_t exportSection_ = 0;
    std::vector<Export> exports_;
    std::vector<CoffSymbol> coffSymbols_;
};

// Builds ELF images: the file header, the program headers, each section's
// data, the section-name table and the section headers, in that order.
class ElfImageBuilder {
public:
    struct Section {
        std::string name;
        std::uint32_t type;
        std::uint64_t flags;
        std::uint64_t address;
        Bytes data;  // the file data; for SHT_NOBITS only its size counts
        std::uint32_t link = 0;
        std::uint64_t entrySize = 0;
    };
    struct Symbol {
        std::string name;
        std::uint64_t value;
        std::uint64_t size;
        std::uint8_t type;  // STT_*
        std::uint32_t section;
    };
    struct Segment {
        std::uint32_t type;
        std::uint32_t flags;
        std::uint64_t offset;
        std::uint64_t address;
        std::uint64_t fileSize;
        std::uint64_t memorySize;
    };

    ElfImageBuilder(unsigned bits, ByteOrder order)
        : layout_(bits == 32 ? image::elf::kElf32Layout : image::elf::kElf64Layout), order_(order) {}

    // Adds a section and answers its index.
    std::uint32_t section(Section value) {
        sections_.push_back(std::move(value));
        return static_cast<std::uint32_t>(sections_.size());  // index 0 is the null section
    }
    // A symbol table of SHT_SYMTAB or SHT_DYNSYM with its string table; answers its index.
    std::uint32_t symbols(std::uint32_t type, const std::vector<Symbol>& entries) {
        Bytes names{0};
        Bytes table(static_cast<std::size_t>(layout_.symbolSize), 0);  // the null symbol
        for (const Symbol& symbol : entries) {
            // Built apart and appended: MinGW's GCC 12 at -O3 takes a resize
            // here for a fill of unbounded length (-Wstringop-overflow).
            Bytes entry(static_cast<std::size_t>(layout_.symbolSize), 0);
            put(entry, layout_.stName, names.size(), 4);
            put(entry, layout_.stValue, symbol.value, layout_.wordSize);
            put(entry, layout_.stSize, symbol.size, layout_.wordSize);
            put(entry, layout_.stInfo, 0x10 | symbol.type, 1);  // global
            put(entry, layout_.stShndx, std::min<std::uint32_t>(symbol.section, 0xFFFF), 2);
            table.insert(table.end(), entry.begin(), entry.end());
            names.insert(names.end(), symbol.name.begin(), symbol.name.end());
            names.push_back(0);
        }
        const bool dynamic = type == image::elf::kShtDynsym;
        const std::uint32_t strings = section({dynamic ? ".dynstr" : ".strtab", image::elf::kShtStrtab, 0, 0, names});
        return section({dynamic ? ".dynsym" : ".symtab", type, 0, 0, table, strings, layout_.symbolSize});
    }
    ElfImageBuilder& segment(Segment value) {
        segments_.push_back(value);
        return *this;
    }
    // Leaves the section headers out, so that the segments describe the image.
    ElfImageBuilder& withoutSectionHeaders() {
        sectionHeaders_ = false;
        return *this;
    }

    // Where things went in the last build.
    std::uint64_t sectionTable() const { return sectionTable_; }
    std::uint64_t sectionHeader(std::uint32_t index) const { return sectionTable_ + layout_.sectionHeaderSize * index; }
    std::uint64_t dataOf(std::uint32_t index) const { return dataOffsets_.at(index); }
    const image::elf::ClassLayout& layout() const { return layout_; }
    ByteOrder order() const { return order_; }

    Bytes build() {
        Bytes image(static_cast<std::size_t>(layout_.headerSize), 0);
        image[0] = 0x7F;
        image[1] = 'E';
        image[2] = 'L';
        image[3] = 'F';
        image[4] = layout_.wordSize == 4 ? image::elf::kClass32 : image::elf::kClass64;
        image[5] = order_ == ByteOrder::LittleEndian ? image::elf::kDataLittle : image::elf::kDataBig;
        image[6] = 1;
        put(image, layout_.phentsize, layout_.programHeaderSize, 2);
        put(image, layout_.shentsize, layout_.sectionHeaderSize, 2);
        if (!segments_.empty()) {
            put(image, layout_.phoff, image.size(), layout_.wordSize);
            put(image, layout_.phnum, segments_.size(), 2);
            for (const Segment& segment : segments_) {
                const std::uint64_t at = image.size();
                image.resize(image.size() + static_cast<std::size_t>(layout_.programHeaderSize));
                put(image, at + layout_.pType, segment.type, 4);
                put(image, at + layout_.pFlags, segment.flags, 4);
                put(image, at + layout_.pOffset, segment.offset, layout_.wordSize);
                put(image, at + layout_.pVaddr, segment.address, layout_.wordSize);
                put(image, at + layout_.pFilesz, segment.fileSize, layout_.wordSize);
                put(image, at + layout_.pMemsz, segment.memorySize, layout_.wordSize);
            }
        }
        if (!sectionHeaders_) return image;

        std::vector<Section> all = sections_;
        Bytes names{0};
        all.push_back({".shstrtab", image::elf::kShtStrtab, 0, 0, {}});
        std::vector<std::uint32_t> nameOffsets;
        for (const Section& section : all) {
            nameOffsets.push_back(static_cast<std::uint32_t>(names.size()));
            names.insert(names.end(), section.name.begin(), section.name.end());
            names.push_back(0);
        }
        all.back().data = names;
        dataOffsets_.assign(1, 0);
        for (const Section& section : all) {
            dataOffsets_.push_back(image.size());
            if (section.type != image::elf::kShtNobits) putBytes(image, image.size(), section.data);
        }
        sectionTable_ = image.size();
        put(image, layout_.shoff, sectionTable_, layout_.wordSize);
        put(image, layout_.shnum, all.size() + 1, 2);
        put(image, layout_.shstrndx, all.size(), 2);
        image.resize(image.size() + static_cast<std::size_t>(layout_.sectionHeaderSize) * (all.size() + 1), 0);
        for (std::uint32_t index = 1; index <= all.size(); ++index) {
            const Section& section = all[index - 1];
            const std::uint64_t at = sectionHeader(index);
            put(image, at + layout_.shName, nameOffsets[index - 1], 4);
            put(image, at + layout_.shType, section.type, 4);
            put(image, at + layout_.shFlags, section.flags, layout_.wordSize);
            put(image, at + layout_.shAddr, section.address, layout_.wordSize);
            put(image, at + layout_.shOffset, dataOffsets_[index], layout_.wordSize);
            put(image, at + layout_.shSize, section.data.size(), layout_.wordSize);
            put(image, at + layout_.shLink, section.link, 4);
            put(image, at + layout_.shEntsize, section.entrySize, layout_.wordSize);
        }
        return image;
    }

    // Writes a field of the image in its byte order.
    void put(Bytes& image, std::uint64_t at, std::uint64_t value, unsigned width) const {
        putField(image, at, value, width, order_);
    }

private:
    const image::elf::ClassLayout& layout_;
    ByteOrder order_;
    std::vector<Section> sections_;
    std::vector<Segment> segments_;
    bool sectionHeaders_ = true;
    std::uint64_t sectionTable_ = 0;
    std::vector<std::uint64_t> dataOffsets_;
};

}  // namespace zemrik::test
