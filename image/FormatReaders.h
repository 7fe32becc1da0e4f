// The format readers behind readExecutableImage.
#pragma once

#include "image/DebugLinks.h"
#include "image/ExecutableImage.h"
#include "image/FieldReader.h"

namespace zemrik::image {

bool hasElfMagic(const FieldReader& file);
ImageOrDefect readElfImage(const FieldReader& file, SymbolReading symbols);
// Any file beginning with "MZ"; refused as no image without a PE signature.
ImageOrDefect readPeImage(const FieldReader& file, SymbolReading symbols);
// A COFF object: a known machine and no optional header, at offset 0.
bool hasCoffObjectHeader(const FieldReader& file);
ImageOrDefect readCoffObject(const FieldReader& file, SymbolReading symbols);
bool hasArchiveMagic(const FieldReader& file);
// The objects an archive holds, as one image: their sections and symbols
// with their member's name, file offsets counted from the archive's start.
ImageOrDefect readArchive(const FieldReader& file, SymbolReading symbols);

// What an ELF or a PE image says about its separate debug file.
Expected<DebugLinks, ImageDefect> readElfDebugLinks(const FieldReader& file);
Expected<DebugLinks, ImageDefect> readPeDebugLinks(const FieldReader& file);
// .gnu_debuglink's bytes at [offset, offset + size): the file name,
// NUL-terminated, padding to a multiple of 4 bytes from the section's start,
// then the CRC-32 in the file's byte order. Nothing when cut short or
// outside the file.
std::optional<DebugLink> debugLinkAt(const FieldReader& file, std::uint64_t offset, std::uint64_t size);

// Any of the formats above, by its first bytes; symbols' file offsets are left unset.
ImageOrDefect readImageOf(const FieldReader& file, SymbolReading symbols);

// The section whose loaded bytes hold `address`, if any.
const ImageSection* sectionHolding(const ExecutableImage& image, std::uint64_t address);

// Whether `base + offset` fits in 64 bits.
inline bool addsWithinRange(std::uint64_t base, std::uint64_t offset) { return offset <= UINT64_MAX - base; }

}  // namespace zemrik::image
