#include "debuginfo/ElfContainer.h"

#include <elf.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace zemrik::debuginfo {
namespace {

using Container = Expected<std::vector<char>, Refusal>;

// The ELF machine of a PE machine; the DWARF itself says its address size,
// the machine only names the registers.
struct MachineRow {
    std::uint16_t pe;
    std::uint16_t elf;
};
constexpr MachineRow kMachines[] = {
    {0x014C, EM_386}, {0x8664, EM_X86_64}, {0x01C0, EM_ARM}, {0x01C4, EM_ARM}, {0xAA64, EM_AARCH64},
};

std::uint16_t elfMachine(std::uint16_t pe) {
    const auto* row = std::find_if(std::begin(kMachines), std::end(kMachines),
                                   [pe](const MachineRow& machine) { return machine.pe == pe; });
    return row != std::end(kMachines) ? row->elf : std::uint16_t{EM_NONE};
}

// One class's header and section-header layout.
struct ClassLayout {
    unsigned char elfClass;
    unsigned wordSize;
    std::uint16_t headerSize;
    std::uint16_t sectionHeaderSize;
};
constexpr ClassLayout kElf32{ELFCLASS32, 4, sizeof(Elf32_Ehdr), sizeof(Elf32_Shdr)};
constexpr ClassLayout kElf64{ELFCLASS64, 8, sizeof(Elf64_Ehdr), sizeof(Elf64_Shdr)};

// Little-endian fields appended in order, whatever the host's byte order:
// the DWARF inside is the PE's, little-endian.
class Writer {
public:
    explicit Writer(std::vector<char>& bytes) : bytes_(bytes) {}
    void put(std::uint64_t value, unsigned width) {
        for (unsigned index = 0; index < width; ++index) bytes_.push_back(static_cast<char>(value >> (8 * index)));
    }
    void align(std::size_t unit) {
        while (bytes_.size() % unit != 0) bytes_.push_back(0);
    }

private:
    std::vector<char>& bytes_;
};

constexpr std::string_view kCompressedPrefix = ".zdebug_";
constexpr std::string_view kZlibMagic = "ZLIB";
constexpr std::uint64_t kZlibHeaderSize = 12;
// Deflate can't shrink data by more than this: a larger size in the header is forged.
constexpr std::uint64_t kMostInflateRatio = 1032;

Refusal malformedSection(const std::string& name, std::string_view what) {
    return Refusal{RefusalKind::Malformed, "the debug section " + name + " " + std::string(what)};
}

// A GNU-compressed section's bytes inflated, appended to `out`.
Expected<void, Refusal> inflateInto(std::span<const std::uint8_t> raw, const std::string& name, std::uint64_t budget,
                                    std::vector<char>& out) {
    if (raw.size() < kZlibHeaderSize || !std::equal(kZlibMagic.begin(), kZlibMagic.end(), raw.begin())) {
        return failure(malformedSection(name, "has no ZLIB header"));
    }
    std::uint64_t size = 0;
    for (std::size_t index = 4; index < kZlibHeaderSize; ++index) size = size << 8 | raw[index];
    const std::uint64_t stream = raw.size() - kZlibHeaderSize;
    if (size > budget || size / kMostInflateRatio > stream) {
        return failure(malformedSection(name, "claims " + std::to_string(size) +
                                                  " bytes uncompressed, more than its stream or the debug "
                                                  "sections' limit allow"));
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(size));
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return failure(malformedSection(name, "can't be inflated (zlib failed to start)"));
    // Fed in chunks zlib's 32-bit counts can take; the padding after the
    // stream's end is never read.
    z.next_in = const_cast<Bytef*>(raw.data() + kZlibHeaderSize);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + at);
    std::uint64_t inLeft = stream;
    std::uint64_t outLeft = size;
    int result = Z_OK;
    while (result == Z_OK) {
        const auto inChunk = static_cast<uInt>(std::min<std::uint64_t>(inLeft, UINT32_MAX));
        const auto outChunk = static_cast<uInt>(std::min<std::uint64_t>(outLeft, UINT32_MAX));
        z.avail_in = inChunk;
        z.avail_out = outChunk;
        result = inflate(&z, Z_NO_FLUSH);
        inLeft -= inChunk - z.avail_in;
        outLeft -= outChunk - z.avail_out;
        if (result == Z_OK && z.avail_in == inChunk && z.avail_out == outChunk) break;  // no progress
    }
    inflateEnd(&z);
    if (result != Z_STREAM_END || outLeft != 0) {
        return failure(
            malformedSection(name, "does not inflate to the " + std::to_string(size) + " bytes its header gives"));
    }
    return {};
}

}  // namespace

Container elfOfPeDebugSections(std::span<const std::uint8_t> file, const image::PeDebugSections& found) {
    const ClassLayout& layout = found.format == image::ImageFormat::Pe32Plus ? kElf64 : kElf32;
    std::vector<char> elf(layout.headerSize, 0);

    struct Placed {
        std::string name;
        std::uint64_t offset;
        std::uint64_t size;
    };
    std::vector<Placed> placed;
    std::string names(1, '\0');
    for (const image::DebugSection& section : found.sections) {
        // readPeDebugSections checked the bytes to lie inside the file.
        const auto raw =
            file.subspan(static_cast<std::size_t>(section.fileOffset), static_cast<std::size_t>(section.size));
        const std::uint64_t used = elf.size() - layout.headerSize;
        const std::uint64_t budget = kMostDebugBytes - std::min(used, kMostDebugBytes);
        std::string name = section.name;
        const std::size_t at = elf.size();
        if (name.starts_with(kCompressedPrefix)) {
            if (auto inflated = inflateInto(raw, name, budget, elf); !inflated) return failure(inflated.error());
            name = std::string(".debug_").append(name.substr(kCompressedPrefix.size()));
        } else {
            if (raw.size() > budget) {
                return failure(Refusal{RefusalKind::Unsupported, "the debug sections hold more than " +
                                                                     std::to_string(kMostDebugBytes) + " bytes"});
            }
            elf.insert(elf.end(), raw.begin(), raw.end());
        }
        placed.push_back({name, at, elf.size() - at});
        names.append(name).push_back('\0');
    }
    const std::size_t namesAt = elf.size();
    const std::uint32_t namesName = static_cast<std::uint32_t>(names.size());
    names.append(".shstrtab").push_back('\0');
    elf.insert(elf.end(), names.begin(), names.end());
    placed.push_back({".shstrtab", namesAt, names.size()});

    Writer out(elf);
    out.align(8);
    const std::uint64_t headersAt = elf.size();
    const std::uint64_t count = placed.size() + 1;  // the null section first
    if (count >= SHN_LORESERVE) {
        return failure(Refusal{RefusalKind::Unsupported, "the image has " + std::to_string(placed.size()) +
                                                             " debug sections, more than an ELF section table takes"});
    }
    if (layout.wordSize == 4 && headersAt + count * layout.sectionHeaderSize > UINT32_MAX) {
        return failure(Refusal{RefusalKind::Unsupported, "the debug sections of a PE32 image exceed 4 GiB"});
    }
    elf.resize(elf.size() + layout.sectionHeaderSize, 0);
    std::uint32_t nameAt = 1;
    for (const Placed& section : placed) {
        const bool table = &section == &placed.back();
        out.put(table ? namesName : nameAt, 4);  // sh_name
        out.put(table ? SHT_STRTAB : SHT_PROGBITS, 4);
        out.put(0, layout.wordSize);  // sh_flags: not loaded, so libdw may inflate
        out.put(0, layout.wordSize);  // sh_addr
        out.put(section.offset, layout.wordSize);
        out.put(section.size, layout.wordSize);
        out.put(0, 4);                // sh_link
        out.put(0, 4);                // sh_info
        out.put(1, layout.wordSize);  // sh_addralign
        out.put(0, layout.wordSize);  // sh_entsize
        nameAt += static_cast<std::uint32_t>(section.name.size() + 1);
    }

    std::vector<char> header;
    Writer head(header);
    for (const char byte : std::string_view(ELFMAG, SELFMAG)) head.put(static_cast<unsigned char>(byte), 1);
    head.put(layout.elfClass, 1);
    head.put(ELFDATA2LSB, 1);
    head.put(EV_CURRENT, 1);
    head.align(EI_NIDENT);
    head.put(ET_EXEC, 2);
    head.put(elfMachine(found.machine), 2);
    head.put(EV_CURRENT, 4);
    head.put(0, layout.wordSize);  // e_entry
    head.put(0, layout.wordSize);  // e_phoff
    head.put(headersAt, layout.wordSize);
    head.put(0, 4);  // e_flags
    head.put(layout.headerSize, 2);
    head.put(0, 2);  // e_phentsize
    head.put(0, 2);  // e_phnum
    head.put(layout.sectionHeaderSize, 2);
    head.put(count, 2);
    head.put(count - 1, 2);  // e_shstrndx: .shstrtab, the last
    std::copy(header.begin(), header.end(), elf.begin());
    return elf;
}

}  // namespace zemrik::debuginfo
