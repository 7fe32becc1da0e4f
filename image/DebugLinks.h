// DebugLinks: what an ELF or PE image says about its separate debug file (the
// .gnu_debuglink section's file name and CRC-32, its GNU build-id note) and
// whether it carries DWARF of its own, read from untrusted bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/ExecutableImage.h"

namespace zemrik::image {

// .gnu_debuglink: the debug file's name (no folder) and the CRC-32 of all of
// its bytes.
struct DebugLink {
    std::string fileName;
    std::uint32_t crc = 0;
    bool operator==(const DebugLink&) const = default;
};

struct DebugLinks {
    // .debug_info or .zdebug_info with bytes in the file: the image has its own.
    bool hasOwnDebugInfo = false;
    std::optional<DebugLink> link;
    std::vector<std::uint8_t> buildId;  // NT_GNU_BUILD_ID's bytes; empty when there is none
    bool operator==(const DebugLinks&) const = default;
};

// Reads them from an ELF image: notes from its SHT_NOTE sections, or from
// its PT_NOTE segments when it has no section headers; or from a PE image's
// sections (a PE has no build-id note), with readPeDebugSections' refusals.
// Any other format says nothing about a debug file, and answers an empty
// DebugLinks. A .gnu_debuglink or note cut short refuses the whole.
[[nodiscard]] Expected<DebugLinks, ImageDefect> readDebugLinks(std::span<const std::uint8_t> file);

}  // namespace zemrik::image
