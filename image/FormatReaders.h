#pragma once

#include "image/ExecutableImage.h"
#include "image/FieldReader.h"

// The format readers behind readExecutableImage.
namespace zemrik::image {

bool hasElfMagic(const FieldReader& file);
ImageOrDefect readElfImage(const FieldReader& file, SymbolReading symbols);
// Any file beginning with "MZ"; refused as no image without a PE signature.
ImageOrDefect readPeImage(const FieldReader& file, SymbolReading symbols);

// The section whose loaded bytes hold `address`, if any.
const ImageSection* sectionHolding(const ExecutableImage& image, std::uint64_t address);

// Whether `base + offset` fits in 64 bits.
inline bool addsWithinRange(std::uint64_t base, std::uint64_t offset) { return offset <= UINT64_MAX - base; }

}  // namespace zemrik::image
