// The PE headers after e_lfanew, read once for both of image/'s PE readers:
// the image reader and the dialog's address rule.
#pragma once

#include <cstdint>

#include "base/Expected.h"
#include "image/ExecutableImage.h"
#include "image/FieldReader.h"

namespace zemrik::image {

struct PeHeaders {
    ImageFormat format;
    std::uint64_t imageBase;
    std::uint64_t optionalHeader;
    std::uint16_t optionalHeaderSize;
    std::uint64_t sectionTable;  // not checked to lie inside the file
    std::uint16_t sectionCount;
    std::uint32_t symbolTable;
    std::uint32_t symbolCount;
};

using HeadersOrDefect = Expected<PeHeaders, ImageDefect>;

// Which optional headers a reader takes; any other magic is UnknownPeMagic,
// answered before the ImageBase is read.
enum class OptionalHeaders { Pe32Only, Pe32AndPe32Plus };

// The signature at e_lfanew, the file header and the optional header's magic
// and ImageBase. A missing signature is NotAnImage; a field outside the file,
// or an optional header too short for ImageBase, is HeadersCut.
[[nodiscard]] HeadersOrDefect readPeHeaders(const FieldReader& file, OptionalHeaders accepted);

}  // namespace zemrik::image
