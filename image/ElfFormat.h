// The ELF fields this reader uses. The values and positions are those of the
// system's <elf.h>, which the tests compare them with; they are written out
// here because the Windows builds have no <elf.h>.
#pragma once

#include <cstdint>

namespace zemrik::image::elf {

constexpr std::uint8_t kMagic[4] = {0x7F, 'E', 'L', 'F'};
constexpr std::uint64_t kClassPosition = 4;  // EI_CLASS
constexpr std::uint64_t kDataPosition = 5;   // EI_DATA
constexpr std::uint8_t kClass32 = 1;         // ELFCLASS32
constexpr std::uint8_t kClass64 = 2;         // ELFCLASS64
constexpr std::uint8_t kDataLittle = 1;      // ELFDATA2LSB
constexpr std::uint8_t kDataBig = 2;         // ELFDATA2MSB
constexpr std::uint64_t kTypePosition = 16;  // e_type, in both classes
constexpr std::uint16_t kEtRel = 1;

constexpr std::uint32_t kShtNull = 0;
constexpr std::uint32_t kShtSymtab = 2;
constexpr std::uint32_t kShtStrtab = 3;
constexpr std::uint32_t kShtNote = 7;
constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint32_t kShtDynsym = 11;
constexpr std::uint32_t kShtSymtabShndx = 18;
constexpr std::uint64_t kShfAlloc = 0x2;
constexpr std::uint64_t kShfExecinstr = 0x4;
constexpr std::uint32_t kShnUndef = 0;
constexpr std::uint32_t kShnLoreserve = 0xFF00;
constexpr std::uint32_t kShnAbs = 0xFFF1;
constexpr std::uint32_t kShnCommon = 0xFFF2;
constexpr std::uint32_t kShnXindex = 0xFFFF;

constexpr std::uint32_t kPtLoad = 1;
constexpr std::uint32_t kPtNote = 4;
constexpr std::uint32_t kPfX = 0x1;
constexpr std::uint32_t kNtGnuBuildId = 3;  // in notes named "GNU\0"

constexpr std::uint8_t kSttObject = 1;
constexpr std::uint8_t kSttFunc = 2;
constexpr std::uint8_t kSttSection = 3;
constexpr std::uint8_t kSttFile = 4;
constexpr std::uint8_t kSttCommon = 5;
constexpr std::uint8_t kSttTls = 6;
constexpr std::uint8_t kSttGnuIfunc = 10;

// Where each field sits in ELF32 and in ELF64; the walks read through this.
struct ClassLayout {
    unsigned wordSize;  // addresses, offsets and sizes
    // The file header.
    std::uint64_t headerSize;
    std::uint64_t phoff, shoff, phentsize, phnum, shentsize, shnum, shstrndx;
    // One section header.
    std::uint64_t sectionHeaderSize;
    std::uint64_t shName, shType, shFlags, shAddr, shOffset, shSize, shLink, shEntsize;
    // One program header.
    std::uint64_t programHeaderSize;
    std::uint64_t pType, pFlags, pOffset, pVaddr, pFilesz, pMemsz;
    // One symbol.
    std::uint64_t symbolSize;
    std::uint64_t stName, stValue, stSize, stInfo, stShndx;
    // Alignments, which set a note's padding.
    std::uint64_t shAddralign, pAlign;
};

constexpr ClassLayout kElf32Layout{
    4,  52, 28, 32, 42, 44, 46, 48, 50,  // header
    40, 0,  4,  8,  12, 16, 20, 24, 36,  // section header
    32, 0,  24, 4,  8,  16, 20,          // program header
    16, 0,  4,  8,  12, 14,              // symbol
    32, 28,                              // sh_addralign, p_align
};

constexpr ClassLayout kElf64Layout{
    8,  64, 32, 40, 54, 56, 58, 60, 62,  // header
    64, 0,  4,  8,  16, 24, 32, 40, 56,  // section header
    56, 0,  4,  8,  16, 32, 40,          // program header
    24, 0,  8,  16, 4,  6,               // symbol
    48, 48,                              // sh_addralign, p_align
};

}  // namespace zemrik::image::elf
