// ExecutableImage: what an ELF, PE or COFF image or an archive of objects
// holds (sections, symbols), read from untrusted bytes, and the file offset
// of an address in it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteOrder.h"
#include "base/Expected.h"
#include "image/FieldReader.h"

namespace zemrik::image {

// Coff is an object file of the PE toolchains (no MZ header); Archive is a
// static or import library (`ar` format) of ELF or COFF objects.
enum class ImageFormat { Pe32, Pe32Plus, Elf32, Elf64, Coff, Archive };

// "PE32", "PE32+", "ELF32", "ELF64", "COFF" or "archive".
std::string_view formatName(ImageFormat format);

enum class SectionContent { Code, Data };

// A part of the image that is loaded at an address: an allocated ELF
// section (or a PT_LOAD segment when there are no section headers) or a PE
// section.
struct ImageSection {
    std::string name;
    std::uint64_t address = 0;  // virtual address, ImageBase included for PE
    std::uint64_t memorySize = 0;
    std::uint64_t fileOffset = 0;
    std::uint64_t fileSize = 0;  // 0 when the section has no file data (.bss)
    SectionContent content = SectionContent::Data;
    std::string member;  // the archive member it comes from; empty outside archives
};

enum class SymbolKind { Data, Code };

// Where a symbol comes from, in the order a search by name prefers them.
enum class SymbolSource { ElfSymtab, ElfDynsym, PeExport, CoffSymbol };

// Where a symbol's value points. Only a Section symbol has bytes in the file;
// the others are kept (in objects) so that asking for them can say why not.
enum class SymbolPlace { Section, Undefined, Common, Absolute };

struct ImageSymbol {
    std::string name;
    std::uint64_t address = 0;          // in an object: the value as stored, relative to its section
    std::optional<std::uint64_t> size;  // only where the format records one (ELF st_size > 0)
    SymbolKind kind = SymbolKind::Data;
    SymbolSource source = SymbolSource::ElfSymtab;
    std::string section;  // empty when it lies in none
    SymbolPlace place = SymbolPlace::Section;
    // Its position in `ExecutableImage::sections`; objects resolve through it.
    std::optional<std::size_t> sectionIndex;
    // Where its first byte lies in the file, when it has one there.
    std::optional<std::uint64_t> fileOffset;
    std::string member;  // the archive member that holds it; empty outside archives
};

// Linked images load their sections at addresses; in relocatable objects
// (and archives of them) every section starts at 0 and symbols are found
// through their own section instead.
enum class AddressSpace { Loaded, SectionRelative };

struct ExecutableImage {
    ImageFormat format = ImageFormat::Elf64;
    AddressSpace addresses = AddressSpace::Loaded;
    ByteOrder byteOrder = ByteOrder::LittleEndian;  // that of its words: ELF's EI_DATA; PE is little-endian
    std::uint64_t fileSize = 0;
    std::optional<std::uint64_t> imageBase;  // PE only
    std::vector<ImageSection> sections;
    std::vector<ImageSymbol> symbols;  // left empty unless asked for
};

// Why a file cannot be read as an image, or its symbols not at all.
enum class ImageDefect {
    NotAnImage,
    HeadersCut,
    UnknownElfClass,
    UnknownElfByteOrder,
    UnknownPeMagic,
    SectionTableOutside,
    SectionEntrySize,
    ProgramHeadersOutside,
    ProgramEntrySize,
    SectionNameTable,
    NameOutside,
    SectionWraps,
    SymbolTableOutside,
    SymbolEntrySize,
    SymbolStringTable,
    SectionIndexTable,
    ExportDirectory,
    CoffSymbolTableOutside,
    CoffStringTableCut,
    ArchiveHeader,
    ArchiveMemberCut,
    ArchiveLongName,
    ThinArchive,
    DebugLinkCut,
    NoteCut,
    DebugSectionName,
    DebugSectionOutside,
};

// What is wrong, in a few words: "its section table runs past the end of the file".
std::string_view defectMessage(ImageDefect defect);

enum class SymbolReading { Skip, Read };

// How many of a file's first bytes tell whether it is one of the formats
// readExecutableImage reads.
inline constexpr std::size_t kImageMagicLength = 18;

// Whether the file's first bytes (kImageMagicLength of them, fewer for a
// shorter file) begin one of those formats. A file that doesn't is refused as
// NotAnImage by them alone, so a caller can skip reading the rest.
[[nodiscard]] bool beginsAsImage(std::span<const std::uint8_t> head);

using ImageOrDefect = Expected<ExecutableImage, ImageDefect>;

// Reads a PE32, PE32+, ELF32 or ELF64 image, a COFF or ELF relocatable
// object, or an archive of objects from the file's bytes; never reads outside
// them. Every symbol table the image has is read when asked:
// a broken one then refuses the whole image.
[[nodiscard]] ImageOrDefect readExecutableImage(std::span<const std::uint8_t> file, SymbolReading symbols);

enum class OffsetProblem {
    NoSections,
    BelowImageBase,     // `limit` is the image base
    BelowEverySection,  // `section` is the lowest, starting at `limit`
    BetweenSections,    // between `section` and `nextSection`
    PastEverySection,   // `section` is the highest, ending at `limit`
    NoFileData,         // `section` has none (.bss)
    PastFileData,       // the address lies past `section`'s file data, which ends at address `limit`
    RangePastFileData,  // the range runs past it
};

struct OffsetRefusal {
    OffsetProblem problem;
    std::string section;
    std::string nextSection;  // BetweenSections only
    std::uint64_t limit = 0;
};

using OffsetOrRefusal = Expected<std::uint64_t, OffsetRefusal>;

// The file offset of the `length` bytes loaded at `address`, or why there is
// none: every byte of the range must come from one section's file data.
// An answer always lies inside the file, `length` bytes included.
[[nodiscard]] OffsetOrRefusal fileOffsetOf(const ExecutableImage& image, std::uint64_t address, std::uint64_t length);

// How many bytes of file data there are from `address` to the end of the
// section's file data that holds it, or why there are none.
[[nodiscard]] OffsetOrRefusal fileDataLeftAt(const ExecutableImage& image, std::uint64_t address);

// The file offset of the symbol's first `length` bytes: by address in a
// linked image, through its own section in an object. A refusal's `limit`
// is then the end of the section's file data, relative to the section.
[[nodiscard]] OffsetOrRefusal symbolFileOffset(const ExecutableImage& image, const ImageSymbol& symbol,
                                               std::uint64_t length);

}  // namespace zemrik::image
