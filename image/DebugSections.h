// DebugSections: where a PE image's DWARF sections lie in the file, for a
// DWARF reader that takes only ELF. MinGW's linker names them through the
// COFF string table ("/4" for ".debug_info"); every name is resolved and
// every debug section's bytes checked to lie inside the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/Expected.h"
#include "image/ExecutableImage.h"

namespace zemrik::image {

struct DebugSection {
    // ".debug_info"; ".zdebug_info" when objcopy --compress-debug-sections
    // compressed it ("ZLIB", the size as 8 big-endian bytes, a zlib stream).
    std::string name;
    std::uint64_t fileOffset = 0;
    // VirtualSize, or SizeOfRawData when that is smaller. A compressed
    // section's VirtualSize is its uncompressed size: its bytes are then all
    // of its raw data, zero padding after the stream included.
    std::uint64_t size = 0;
    bool operator==(const DebugSection&) const = default;
};

struct PeDebugSections {
    ImageFormat format = ImageFormat::Pe32;  // Pe32 or Pe32Plus
    std::uint16_t machine = 0;               // the file header's Machine (0x14C i386, 0x8664 x86-64)
    std::vector<DebugSection> sections;      // in section-table order
};

// The .debug_* and .zdebug_* sections of a PE32 or PE32+ image. A long name
// that leads outside the COFF string table (DebugSectionName), or a debug
// section whose raw data runs past the end of the file (DebugSectionOutside),
// refuses the whole; anything but a PE image is NotAnImage.
[[nodiscard]] Expected<PeDebugSections, ImageDefect> readPeDebugSections(std::span<const std::uint8_t> file);

}  // namespace zemrik::image
