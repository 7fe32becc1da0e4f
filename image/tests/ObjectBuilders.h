// Object files and archives built in code for the tests: a COFF object (the
// file header at offset 0, sections, symbols and their string table), and an
// `ar` archive whose members are given as bytes under their header's name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/PeFormat.h"
#include "image/tests/ImageBuilders.h"

namespace zemrik::test {

class CoffObjectBuilder {
public:
    struct Symbol {
        std::string name;  // longer than 8 characters: through the string table
        std::uint32_t value;
        std::int16_t section;  // 1-based; 0 undefined (common with a value), -1 absolute
        std::uint8_t storageClass = image::pe::kClassExternal;
    };

    // Adds a section and answers its number; an empty `data` with `bssSize` is uninitialized data.
    std::int16_t section(const std::string& name, Bytes data, std::uint32_t bssSize = 0) {
        sections_.push_back({name, std::move(data), bssSize});
        return static_cast<std::int16_t>(sections_.size());
    }
    CoffObjectBuilder& symbol(Symbol value) {
        symbols_.push_back(std::move(value));
        return *this;
    }

    // Where the last build put the section's data.
    std::uint64_t dataOf(std::int16_t section) const { return dataOffsets_.at(static_cast<std::size_t>(section - 1)); }

    Bytes build() {
        using namespace image::pe;
        Bytes object;
        putField(object, 0, 0x8664, 2);  // machine: x86-64
        putField(object, kNumberOfSectionsPosition, sections_.size(), 2);
        putField(object, kSizeOfOptionalHeaderPosition, 0, 2);
        std::uint64_t at = kFileHeaderSize + kSectionHeaderSize * sections_.size();
        object.resize(static_cast<std::size_t>(at));
        dataOffsets_.clear();
        for (std::size_t index = 0; index < sections_.size(); ++index) {
            const SectionSpec& spec = sections_[index];
            const std::uint64_t header = kFileHeaderSize + kSectionHeaderSize * index;
            putBytes(object, header, Bytes(spec.name.begin(), spec.name.end()));
            const bool bss = spec.data.empty();
            putField(object, header + kSizeOfRawDataPosition, bss ? spec.bssSize : spec.data.size(), 4);
            putField(object, header + kPointerToRawDataPosition, bss ? 0 : at, 4);
            dataOffsets_.push_back(at);
            putBytes(object, at, spec.data);
            at += spec.data.size();
        }
        putField(object, kPointerToSymbolTablePosition, at, 4);
        putField(object, kNumberOfSymbolsPosition, symbols_.size(), 4);
        Bytes strings(4, 0);
        for (const Symbol& symbol : symbols_) {
            const std::uint64_t record = object.size();
            object.resize(static_cast<std::size_t>(record + kCoffSymbolSize));
            if (symbol.name.size() <= 8) {
                putBytes(object, record, Bytes(symbol.name.begin(), symbol.name.end()));
            } else {
                putField(object, record + 4, strings.size(), 4);
                strings.insert(strings.end(), symbol.name.begin(), symbol.name.end());
                strings.push_back(0);
            }
            putField(object, record + kSymbolValuePosition, symbol.value, 4);
            putField(object, record + kSymbolSectionNumberPosition, static_cast<std::uint16_t>(symbol.section), 2);
            putField(object, record + kSymbolStorageClassPosition, symbol.storageClass, 1);
        }
        putField(strings, 0, strings.size(), 4);
        putBytes(object, object.size(), strings);
        return object;
    }

private:
    struct SectionSpec {
        std::string name;
        Bytes data;
        std::uint32_t bssSize;
    };
    std::vector<SectionSpec> sections_;
    std::vector<Symbol> symbols_;
    std::vector<std::uint64_t> dataOffsets_;
};

// An `ar` archive: "!<arch>\n", then each member's 60-byte header and data,
// padded to an even length.
class ArchiveBuilder {
public:
    // `name` goes into the header as written ("a.o/", "/0", "//", "#1/8").
    ArchiveBuilder& member(const std::string& name, const Bytes& data) {
        members_.push_back({name, data, std::to_string(data.size())});
        return *this;
    }
    // A member whose size field says `size`, whatever its data.
    ArchiveBuilder& memberWithSize(const std::string& name, const Bytes& data, const std::string& size) {
        members_.push_back({name, data, size});
        return *this;
    }

    // Where the last build put each member's header.
    std::uint64_t headerOf(std::size_t member) const { return headers_.at(member); }

    Bytes build() {
        const std::string magic = "!<arch>\n";
        Bytes archive(magic.begin(), magic.end());
        headers_.clear();
        for (const MemberSpec& spec : members_) {
            headers_.push_back(archive.size());
            std::string header = field(spec.name, 16) + field("0", 12) + field("0", 6) + field("0", 6) +
                                 field("644", 8) + field(spec.size, 10) + "`\n";
            archive.insert(archive.end(), header.begin(), header.end());
            archive.insert(archive.end(), spec.data.begin(), spec.data.end());
            if (archive.size() % 2 != 0) archive.push_back('\n');
        }
        return archive;
    }

private:
    static std::string field(const std::string& text, std::size_t width) {
        return text.size() >= width ? text.substr(0, width) : text + std::string(width - text.size(), ' ');
    }

    struct MemberSpec {
        std::string name;
        Bytes data;
        std::string size;
    };
    std::vector<MemberSpec> members_;
    std::vector<std::uint64_t> headers_;
};

}  // namespace zemrik::test
