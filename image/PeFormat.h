// The PE/COFF fields this reader uses, by their documented names and
// positions (the format's own headers are not needed to build it).
#pragma once

#include <cstddef>
#include <cstdint>

namespace zemrik::image::pe {

constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kLfanewPosition = 0x3C;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

// The file header follows the 4-byte signature; positions relative to it.
constexpr std::uint64_t kFileHeaderPosition = 4;
constexpr std::uint64_t kNumberOfSectionsPosition = 2;
constexpr std::uint64_t kPointerToSymbolTablePosition = 8;
constexpr std::uint64_t kNumberOfSymbolsPosition = 12;
constexpr std::uint64_t kSizeOfOptionalHeaderPosition = 16;
constexpr std::uint64_t kFileHeaderSize = 20;

// Positions within the optional header, PE32 and PE32+.
constexpr std::uint64_t kPe32ImageBasePosition = 28;
constexpr std::uint64_t kPe32PlusImageBasePosition = 24;
constexpr std::uint64_t kPe32RvaCountPosition = 92;
constexpr std::uint64_t kPe32PlusRvaCountPosition = 108;
constexpr std::uint64_t kDataDirectorySize = 8;
constexpr std::uint32_t kExportDirectoryIndex = 0;

// One section header.
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionNameSize = 8;
constexpr std::uint64_t kVirtualSizePosition = 8;
constexpr std::uint64_t kVirtualAddressPosition = 12;
constexpr std::uint64_t kSizeOfRawDataPosition = 16;
constexpr std::uint64_t kPointerToRawDataPosition = 20;
constexpr std::uint64_t kCharacteristicsPosition = 36;
constexpr std::uint32_t kScnCntCode = 0x00000020;
constexpr std::uint32_t kScnMemExecute = 0x20000000;

// The export directory.
constexpr std::uint64_t kExportDirectorySize = 40;
constexpr std::uint64_t kNumberOfFunctionsPosition = 20;
constexpr std::uint64_t kNumberOfNamesPosition = 24;
constexpr std::uint64_t kAddressOfFunctionsPosition = 28;
constexpr std::uint64_t kAddressOfNamesPosition = 32;
constexpr std::uint64_t kAddressOfNameOrdinalsPosition = 36;

// One COFF symbol record, and the string table right after the last one.
constexpr std::uint64_t kCoffSymbolSize = 18;
constexpr std::uint64_t kSymbolValuePosition = 8;
constexpr std::uint64_t kSymbolSectionNumberPosition = 12;
constexpr std::uint64_t kSymbolTypePosition = 14;
constexpr std::uint64_t kSymbolStorageClassPosition = 16;
constexpr std::uint64_t kSymbolAuxCountPosition = 17;
constexpr std::uint8_t kClassExternal = 2;
constexpr std::uint8_t kClassStatic = 3;
constexpr std::uint16_t kTypeFunctionMask = 0x30;
constexpr std::uint16_t kTypeFunction = 0x20;
constexpr std::uint64_t kStringTableSizeField = 4;
// Section numbers that name no section.
constexpr std::int16_t kSymbolUndefined = 0;  // with a value: a common symbol of that size
constexpr std::int16_t kSymbolAbsolute = -1;

// An object file starts with the file header itself: these machines, and no
// optional header.
constexpr std::uint16_t kObjectMachines[] = {
    0x014C,  // i386
    0x8664,  // x86-64
    0x01C0,  // ARM
    0x01C4,  // ARM Thumb-2
    0xAA64,  // ARM64
};

}  // namespace zemrik::image::pe
