#include "image/ExecutableImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image/tests/ImageBuilders.h"

namespace zemrik::image {
namespace {

using test::Bytes;
using test::ElfImageBuilder;
using test::PeImageBuilder;
using test::putField;
namespace e = elf;

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

// The answer of fileOffsetOf in a few words, so that a mismatch shows both.
std::string where(const ExecutableImage& image, std::uint64_t address, std::uint64_t length = 1) {
    const OffsetOrRefusal offset = fileOffsetOf(image, address, length);
    if (offset) return "offset " + hex(*offset);
    const OffsetRefusal& refusal = offset.error();
    static const char* const kNames[] = {"no sections",   "below base", "below",     "between",
                                         "past sections", "no data",    "past data", "range past data"};
    std::string text = std::string(kNames[static_cast<int>(refusal.problem)]) + " " + refusal.section;
    if (!refusal.nextSection.empty()) text += "/" + refusal.nextSection;
    return text + " " + hex(refusal.limit);
}

ExecutableImage readOrFail(const Bytes& bytes) {
    const ImageOrDefect image = readExecutableImage(bytes, SymbolReading::Read);
    if (!image) ADD_FAILURE() << defectMessage(image.error());
    return image ? *image : ExecutableImage{};
}

std::string defectOf(const Bytes& bytes, SymbolReading symbols = SymbolReading::Read) {
    const ImageOrDefect image = readExecutableImage(bytes, symbols);
    return image ? "read" : std::string(defectMessage(image.error()));
}

struct AddressCase {
    std::uint64_t address;
    std::uint64_t length;
    std::string expected;
};

void expectAll(const ExecutableImage& image, const std::vector<AddressCase>& cases) {
    for (const AddressCase& c : cases) {
        SCOPED_TRACE("address " + hex(c.address) + " length " + hex(c.length));
        EXPECT_EQ(where(image, c.address, c.length), c.expected);
    }
}

Bytes filled(std::size_t size, std::uint8_t value) { return Bytes(size, value); }

// .text 0x40 bytes at 0x1000, .rodata 0x20 at 0x1100, .bss 0x100 at 0x1200;
// a .symtab and a .dynsym.
struct StandardElf {
    ElfImageBuilder builder;
    Bytes bytes;
    std::uint32_t rodata = 0;

    StandardElf(unsigned bits, ByteOrder order) : builder(bits, order) {
        builder.section({".text", e::kShtNull + 1, e::kShfAlloc | e::kShfExecinstr, 0x1000, filled(0x40, 0x90)});
        rodata = builder.section({".rodata", 1, e::kShfAlloc, 0x1100, filled(0x20, 0xAA)});
        const std::uint32_t bss = builder.section({".bss", e::kShtNobits, e::kShfAlloc | 1, 0x1200, Bytes(0x100)});
        builder.section({".comment", 1, 0, 0, filled(0x10, 'c')});
        builder.symbols(e::kShtSymtab, {{"table", 0x1108, 0x10, e::kSttObject, rodata},
                                        {"main", 0x1000, 0x20, e::kSttFunc, 1},
                                        {"counter", 0x1200, 4, e::kSttObject, bss},
                                        {"label", 0x1110, 0, 0, rodata}});
        builder.symbols(e::kShtDynsym, {{"table", 0x1108, 0x10, e::kSttObject, rodata}});
        bytes = builder.build();
    }
};

class ElfClassesAndOrders : public ::testing::TestWithParam<std::pair<unsigned, ByteOrder>> {};

TEST_P(ElfClassesAndOrders, SectionsSymbolsAndOffsets) {
    StandardElf elf(GetParam().first, GetParam().second);
    const ExecutableImage image = readOrFail(elf.bytes);
    EXPECT_EQ(image.format, GetParam().first == 32 ? ImageFormat::Elf32 : ImageFormat::Elf64);
    EXPECT_FALSE(image.imageBase);

    ASSERT_EQ(image.sections.size(), 3u);  // only the allocated ones
    const std::uint64_t rodataOffset = elf.builder.dataOf(elf.rodata);
    EXPECT_EQ(image.sections[1].name, ".rodata");
    EXPECT_EQ(image.sections[1].address, 0x1100u);
    EXPECT_EQ(image.sections[1].fileOffset, rodataOffset);
    EXPECT_EQ(image.sections[1].fileSize, 0x20u);
    EXPECT_EQ(image.sections[2].name, ".bss");
    EXPECT_EQ(image.sections[2].fileSize, 0u);
    EXPECT_EQ(image.sections[2].memorySize, 0x100u);

    ASSERT_EQ(image.symbols.size(), 5u);
    EXPECT_EQ(image.symbols[0].name, "table");
    EXPECT_EQ(image.symbols[0].size, std::optional<std::uint64_t>(0x10));
    EXPECT_EQ(image.symbols[0].section, ".rodata");
    EXPECT_EQ(image.symbols[0].kind, SymbolKind::Data);
    EXPECT_EQ(image.symbols[1].kind, SymbolKind::Code);
    EXPECT_EQ(image.symbols[3].name, "label");  // no type: its section's content decides
    EXPECT_EQ(image.symbols[3].kind, SymbolKind::Data);
    EXPECT_FALSE(image.symbols[3].size);
    EXPECT_EQ(image.symbols[4].source, SymbolSource::ElfDynsym);

    expectAll(image, {
                         {0x1100, 0x20, "offset " + hex(rodataOffset)},
                         {0x1108, 0x18, "offset " + hex(rodataOffset + 8)},
                         {0x1108, 0x19, "range past data .rodata 1120"},
                         {0x111F, 1, "offset " + hex(rodataOffset + 0x1F)},
                         {0x1200, 4, "no data .bss 1200"},
                         {0x1120, 1, "between .rodata/.bss 0"},
                         {0x1040, 1, "between .text/.rodata 0"},
                         {0xFFF, 1, "below .text 1000"},
                         {0x12FF, 1, "no data .bss 1200"},
                         {0x1300, 1, "past sections .bss 1300"},
                     });
}

INSTANTIATE_TEST_SUITE_P(ExecutableImageTest, ElfClassesAndOrders,
                         ::testing::Values(std::pair{32u, ByteOrder::LittleEndian},
                                           std::pair{32u, ByteOrder::BigEndian},
                                           std::pair{64u, ByteOrder::LittleEndian},
                                           std::pair{64u, ByteOrder::BigEndian}));

TEST(ExecutableImageTest, ElfWithoutSectionHeadersIsDescribedByItsLoadSegments) {
    ElfImageBuilder builder(32, ByteOrder::BigEndian);
    builder.withoutSectionHeaders()
        .segment({e::kPtLoad, e::kPfX, 0, 0x8000, 0x80, 0x80})
        .segment({4, 0, 0x40, 0x9000, 0x10, 0x10})  // a note: not loaded
        .segment({e::kPtLoad, 6, 0x80, 0x9000, 0x20, 0x100});
    Bytes bytes = builder.build();
    bytes.resize(0xA0);
    const ExecutableImage image = readOrFail(bytes);
    ASSERT_EQ(image.sections.size(), 2u);
    EXPECT_EQ(image.sections[0].name, "LOAD0");
    EXPECT_EQ(image.sections[0].content, SectionContent::Code);
    EXPECT_EQ(image.sections[1].name, "LOAD2");
    expectAll(image, {{0x9000, 0x20, "offset 80"},
                      {0x9010, 0x11, "range past data LOAD2 9020"},
                      {0x9020, 1, "past data LOAD2 9020"},
                      {0x7FFF, 1, "below LOAD0 8000"}});
}

TEST(ExecutableImageTest, ElfExtendedSectionIndexes) {
    ElfImageBuilder builder(64, ByteOrder::LittleEndian);
    const std::uint32_t data = builder.section({".data", 1, e::kShfAlloc, 0x2000, filled(0x10, 1)});
    const std::uint32_t symtab = builder.symbols(e::kShtSymtab, {{"far", 0x2004, 4, e::kSttObject, e::kShnXindex}});
    Bytes indexes(8, 0);  // null symbol, then "far"
    builder.section({".symtab_shndx", e::kShtSymtabShndx, 0, 0, indexes, symtab, 4});
    Bytes bytes = builder.build();
    const std::uint64_t indexTable = builder.dataOf(symtab + 1);
    builder.put(bytes, indexTable + 4, data, 4);
    // e_shnum 0 and e_shstrndx SHN_XINDEX: both live in section 0.
    const auto& layout = builder.layout();
    const std::uint16_t count = *FieldReader(bytes).u16(layout.shnum);
    const std::uint16_t names = *FieldReader(bytes).u16(layout.shstrndx);
    builder.put(bytes, layout.shnum, 0, 2);
    builder.put(bytes, layout.shstrndx, e::kShnXindex, 2);
    builder.put(bytes, builder.sectionHeader(0) + layout.shSize, count, 8);
    builder.put(bytes, builder.sectionHeader(0) + layout.shLink, names, 4);

    const ExecutableImage image = readOrFail(bytes);
    ASSERT_EQ(image.symbols.size(), 1u);
    EXPECT_EQ(image.symbols[0].section, ".data");
    EXPECT_EQ(image.sections.at(0).name, ".data");

    builder.put(bytes, indexTable + 4, 0xFFFFFFu, 4);  // an index no section has: not a loaded symbol
    EXPECT_TRUE(readOrFail(bytes).symbols.empty());
    // The index table cut before "far"'s entry.
    builder.put(bytes, builder.sectionHeader(symtab + 1) + layout.shSize, 4, 8);
    EXPECT_EQ(defectOf(bytes), "a symbol's extended section index is missing");
}

// Each case breaks one field of a valid ELF64 image.
TEST(ExecutableImageTest, MalformedElfIsRefusedWithItsReason) {
    StandardElf elf(64, ByteOrder::LittleEndian);
    const auto& layout = elf.builder.layout();
    const std::uint64_t shoff = elf.builder.sectionTable();
    const std::uint16_t shnum = *FieldReader(elf.bytes).u16(layout.shnum);
    const std::uint64_t tableEnd = shoff + layout.sectionHeaderSize * shnum;
    ASSERT_EQ(tableEnd, elf.bytes.size());
    const std::uint64_t names = elf.builder.sectionHeader(shnum - 1);  // .shstrtab
    const std::uint64_t symtab = elf.builder.sectionHeader(6);
    const std::uint64_t rodataHeader = elf.builder.sectionHeader(elf.rodata);
    const auto patched = [&](std::uint64_t at, std::uint64_t value, unsigned width) {
        Bytes bytes = elf.bytes;
        elf.builder.put(bytes, at, value, width);
        return bytes;
    };
    const auto cut = [&](std::size_t size) { return Bytes(elf.bytes.begin(), elf.bytes.begin() + size); };
    const std::uint64_t namesSize = *FieldReader(elf.bytes).u64(names + layout.shSize);
    const std::uint64_t namesOffset = *FieldReader(elf.bytes).u64(names + layout.shOffset);

    struct Case {
        const char* name;
        Bytes bytes;
        std::string expected;
        SymbolReading symbols = SymbolReading::Read;
    };
    const std::vector<Case> cases = {
        {"intact", elf.bytes, "read"},
        {"header cut", cut(63), "the file ends inside its headers"},
        {"ELFCLASSNONE", patched(4, 0, 1), "its ELF class is neither 32-bit nor 64-bit"},
        {"EI_DATA 3", patched(5, 3, 1), "its ELF byte order is neither little- nor big-endian"},
        {"EI_DATA cut", cut(5), "the file ends inside its headers"},
        {"e_shoff past the end", patched(layout.shoff, elf.bytes.size(), 8),
         "its section table runs past the end of the file"},
        {"e_shoff one past", patched(layout.shoff, shoff + 1, 8), "its section table runs past the end of the file"},
        {"table one byte short", cut(static_cast<std::size_t>(tableEnd - 1)),
         "its section table runs past the end of the file"},
        {"e_shnum huge", patched(layout.shnum, 0xFEFF, 2), "its section table runs past the end of the file"},
        {"e_shnum 0, count 2^64-1 in section 0",
         [&] {
             Bytes bytes = patched(layout.shnum, 0, 2);
             elf.builder.put(bytes, shoff + layout.shSize, ~std::uint64_t{0}, 8);
             return bytes;
         }(),
         "its section table runs past the end of the file"},
        {"e_shentsize 40", patched(layout.shentsize, 40, 2), "its section headers are not of the size its class has"},
        {"e_shstrndx = e_shnum", patched(layout.shstrndx, shnum, 2),
         "its section-name string table is missing or outside the file"},
        {"sh_name at the table's size", patched(rodataHeader + layout.shName, namesSize, 4),
         "a name runs past its string table"},
        {"names unterminated", patched(namesOffset + namesSize - 1, 'x', 1), "a name runs past its string table"},
        {"name table past the end", patched(names + layout.shOffset, elf.bytes.size() - namesSize + 1, 8),
         "its section-name string table is missing or outside the file"},
        {"sh_offset + sh_size wraps", patched(rodataHeader + layout.shOffset, ~std::uint64_t{0} - 0x10, 8),
         "a section runs past the end of the address space or of the file offsets"},
        {"sh_addr + sh_size wraps", patched(rodataHeader + layout.shAddr, ~std::uint64_t{0} - 0x10, 8),
         "a section runs past the end of the address space or of the file offsets"},
        {"symtab sh_link bogus", patched(symtab + layout.shLink, 0xFFFF, 4), "a symbol table links to no string table"},
        {"symtab linked to itself", patched(symtab + layout.shLink, 6, 4), "a symbol table links to no string table"},
        {"bogus link, symbols not read", patched(symtab + layout.shLink, 0xFFFF, 4), "read", SymbolReading::Skip},
        {"symtab entries of 16 bytes", patched(symtab + layout.shEntsize, 16, 8),
         "a symbol table's entries are not of the size its class has"},
        {"symtab past the end", patched(symtab + layout.shSize, elf.bytes.size(), 8),
         "a symbol table runs past the end of the file"},
        {"st_name past .strtab", patched(elf.builder.dataOf(6) + 24 + layout.stName, 0x1000, 4),
         "a name runs past its string table"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(defectOf(c.bytes, c.symbols), c.expected);
    }

    Bytes noPhdrs = ElfImageBuilder(64, ByteOrder::LittleEndian).withoutSectionHeaders().build();
    const auto phdrCase = [&](std::uint64_t phoff, std::uint64_t phnum, std::uint64_t entsize) {
        Bytes bytes = noPhdrs;
        bytes.resize(0x100);
        putField(bytes, layout.phoff, phoff, 8);
        putField(bytes, layout.phnum, phnum, 2);
        putField(bytes, layout.phentsize, entsize, 2);
        return defectOf(bytes);
    };
    EXPECT_EQ(phdrCase(0x100 - 56, 1, 56), "read");  // ends at the end of the file
    EXPECT_EQ(phdrCase(0x100 - 55, 1, 56), "its program headers run past the end of the file");
    EXPECT_EQ(phdrCase(0x40, 0xFFFF, 56), "its program headers run past the end of the file");
    EXPECT_EQ(phdrCase(0x40, 1, 32), "its program headers are not of the size its class has");
}

// .text at RVA 0x1000 (raw 0x200 at 0x400), .rdata at 0x2000 (raw 0x200 of
// 0x300 at 0x600), .bss at 0x3000 (no raw data).
PeImageBuilder standardPe(std::uint16_t magic, std::uint64_t base) {
    PeImageBuilder builder;
    builder.magic(magic)
        .imageBase(base)
        .section({0x1000, 0x180, 0x400, 0x200, ".text", 0x60000020})
        .section({0x2000, 0x300, 0x600, 0x200, ".rdata", 0x40000040})
        .section({0x3000, 0x100, 0, 0, ".bss", 0xC0000080})
        .minimumSize(0x800);
    return builder;
}

TEST(ExecutableImageTest, Pe32PlusSectionsExportsAndCoffSymbols) {
    constexpr std::uint64_t kBase = 0x140000000;
    PeImageBuilder builder = standardPe(0x20B, kBase);
    builder.section({0x4000, 0x200, 0x800, 0x200, "/4"})
        .minimumSize(0xA00)
        .exports(3, {{"crc_table", 0x2010}, {"forwarded", 0x4008}, {"start", 0x1000}})
        .coffSymbols({{".rdata", 0, 2, 3, 0, 1},
                      {"", 0, 0},  // its aux record
                      {"a_rather_long_table_name", 0x40, 2},
                      {"_func", 0x10, 1, 2, 0x20},
                      {".edata", 0, 4, 3, 0, 0}});
    Bytes bytes = builder.build();
    // The section named "/4" takes its name from offset 4 of the COFF string
    // table, where the first long symbol name sits.
    const ExecutableImage image = readOrFail(bytes);
    EXPECT_EQ(image.format, ImageFormat::Pe32Plus);
    EXPECT_EQ(image.imageBase, std::optional<std::uint64_t>(kBase));
    ASSERT_EQ(image.sections.size(), 4u);
    EXPECT_EQ(image.sections[1].address, kBase + 0x2000);
    EXPECT_EQ(image.sections[1].fileSize, 0x200u);
    EXPECT_EQ(image.sections[1].memorySize, 0x300u);
    EXPECT_EQ(image.sections[3].name, "a_rather_long_table_name");
    EXPECT_EQ(image.sections[0].content, SectionContent::Code);

    std::vector<std::string> found;
    for (const ImageSymbol& symbol : image.symbols) {
        found.push_back(symbol.name + "@" + hex(symbol.address) + ":" + symbol.section +
                        (symbol.kind == SymbolKind::Code ? ":code" : ":data"));
    }
    const std::vector<std::string> expected = {"crc_table@140002010:.rdata:data", "start@140001000:.text:code",
                                               "a_rather_long_table_name@140002040:.rdata:data",
                                               "_func@140001010:.text:code",
                                               ".edata@140004000:a_rather_long_table_name:data"};
    EXPECT_EQ(found, expected);

    expectAll(image, {
                         {kBase + 0x2000, 0x200, "offset 600"},
                         {kBase + 0x2000, 0x201, "range past data .rdata 140002200"},
                         {kBase + 0x2200, 1, "past data .rdata 140002200"},
                         {kBase + 0x3000, 1, "no data .bss 140003000"},
                         {kBase + 0x1180, 1, "between .text/.rdata 0"},
                         {kBase + 0x80, 1, "below .text 140001000"},
                         {kBase - 1, 1, "below base  140000000"},
                     });
}

TEST(ExecutableImageTest, MalformedPeIsRefusedWithItsReason) {
    PeImageBuilder builder = standardPe(0x20B, 0x140000000);
    builder.section({0x4000, 0x200, 0x800, 0x200, ".edata"}).minimumSize(0xA00).exports(3, {{"table", 0x2000}});
    const Bytes withExports = builder.build();
    builder.coffSymbols({{"a_rather_long_table_name", 0x40, 2}});
    const Bytes withSymbols = builder.build();
    const std::uint64_t exportEntry = builder.optionalHeader() + 112;
    const std::uint64_t symbolPointer = builder.fileHeader() + 8;
    const auto patched = [](Bytes bytes, std::uint64_t at, std::uint32_t value) {
        PeImageBuilder::put32(bytes, at, value);
        return bytes;
    };
    const std::uint64_t tableEnd = builder.sectionTable() + 4 * 40;

    struct Case {
        const char* name;
        Bytes bytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"intact", withSymbols, "read"},
        {"text", {'M', 'Z', 'x'}, "not a PE or ELF image"},
        {"no PE signature", patched(withExports, 0x80, 0x4551), "not a PE or ELF image"},
        {"magic 0x107", patched(withExports, builder.optionalHeader(), 0x107),
         "its optional header is neither PE32 nor PE32+"},
        {"section table one byte short",
         Bytes(withExports.begin(), withExports.begin() + static_cast<std::ptrdiff_t>(tableEnd - 1)),
         "its section table runs past the end of the file"},
        {"section table ends at the end",
         [&] {
             Bytes bytes = standardPe(0x20B, 0x140000000).build();
             bytes.resize(static_cast<std::size_t>(builder.sectionTable() + 3 * 40));
             return bytes;
         }(),
         "read"},
        {"export directory outside every section", patched(withExports, exportEntry, 0x5000),
         "its export directory lies outside the sections' file data"},
        {"export directory in .bss", patched(withExports, exportEntry, 0x3000),
         "its export directory lies outside the sections' file data"},
        {"NumberOfNames huge", patched(withExports, 0x800 + 24, 0x40000000),
         "its export directory lies outside the sections' file data"},
        {"ordinal past NumberOfFunctions", patched(withExports, 0x800 + 20, 0),
         "its export directory lies outside the sections' file data"},
        {"name RVA out of the file", patched(withExports, 0x800 + 44, 0x7FFFFFFF), "a name runs past its string table"},
        {"PointerToSymbolTable past the end", patched(withSymbols, symbolPointer, 0xFFFFFFF0),
         "its COFF symbol table runs past the end of the file"},
        {"COFF string table cut short", Bytes(withSymbols.begin(), withSymbols.end() - 1),
         "its COFF string table is cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(defectOf(c.bytes), c.expected);
    }
    EXPECT_EQ(defectOf(Bytes(withSymbols.begin(), withSymbols.end() - 1), SymbolReading::Skip), "read");
}

TEST(ExecutableImageTest, AnswersStayInsideAFileCutShort) {
    // .rdata claims 0x200 bytes at 0x600, but the file ends at 0x700.
    Bytes bytes = standardPe(0x10B, 0x400000).build();
    bytes.resize(0x700);
    const ExecutableImage image = readOrFail(bytes);
    EXPECT_EQ(image.format, ImageFormat::Pe32);
    expectAll(image, {{0x402000, 0x100, "offset 600"}, {0x402000, 0x101, "range past data .rdata 402100"}});
}

}  // namespace
}  // namespace zemrik::image
