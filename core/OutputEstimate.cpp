#include "core/OutputEstimate.h"

namespace zemrik {

std::optional<std::uint32_t> estimateOutputSize(std::uint32_t tableSize, ElementSize elementSize,
                                                std::uint8_t itemsPerLine, const OutputStyle& style) {
    const std::uint64_t perLine = std::uint64_t{itemsPerLine} * byteCount(elementSize);
    if (perLine == 0 || style.elementWidth < 0 || style.lineBreakWidth < 0) return std::nullopt;
    const std::uint64_t estimate = tableSize / perLine * static_cast<std::uint64_t>(style.lineBreakWidth) +
                                   std::uint64_t{tableSize} * static_cast<std::uint64_t>(style.elementWidth) + 100;
    if (estimate > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(estimate);
}

}  // namespace zemrik
