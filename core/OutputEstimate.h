// How much room a table's text is given before the walk starts, counted in
// 64 bits so no estimate wraps.
#pragma once

#include <cstdint>
#include <optional>

#include "core/Language.h"
#include "core/OutputStyle.h"

namespace zemrik {

// The room a table's text is given to start with, counted in 64 bits:
//   (table size / (items per line x element size)) x lineBreakWidth
//   + table size x elementWidth + 100.
// Every row but Delphi's byte decimal one prints within it. Nothing when it
// passes 32 bits, for no items a line, or for a row of negative widths.
[[nodiscard]] std::optional<std::uint32_t> estimateOutputSize(std::uint32_t tableSize, ElementSize elementSize,
                                                              std::uint8_t itemsPerLine, const OutputStyle& style);

}  // namespace zemrik
