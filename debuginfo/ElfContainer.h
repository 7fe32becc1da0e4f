// ElfContainer: a PE image's DWARF sections laid out as a minimal ELF in
// memory (the sections, .shstrtab and the section headers), so that libdw,
// which reads DWARF from ELF only, reads PE and ELF images one way.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/Expected.h"
#include "debuginfo/TableShape.h"
#include "image/DebugSections.h"

namespace zemrik::debuginfo {

// Refused beyond this many bytes of sections, inflated ones included: more
// than any real program's DWARF, and a bound a forged size can't pass.
inline constexpr std::uint64_t kMostDebugBytes = std::uint64_t{1} << 30;

// An ELF of the PE's class (ELF32 for PE32, ELF64 for PE32+), little-endian,
// of its machine, holding `found`'s sections of `file` under their own
// names. A GNU-compressed .zdebug_ section is inflated into its .debug_ one
// here: a PE pads its raw data with zeros after the zlib stream, which
// libdw's own inflater refuses. A compressed section that doesn't inflate to
// the size its header gives is refused (Malformed), as is more than
// kMostDebugBytes of sections (Unsupported).
[[nodiscard]] Expected<std::vector<char>, Refusal> elfOfPeDebugSections(std::span<const std::uint8_t> file,
                                                                        const image::PeDebugSections& found);

}  // namespace zemrik::debuginfo
