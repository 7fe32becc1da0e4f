// The dialog's rule for an --rva address: the file offset of a virtual
// address inside a PE32 image, or why there is none. zemrik-cli's --rva
// keeps to it too, so that both print the same table.
#pragma once

#include <cstdint>
#include <span>

#include "base/Expected.h"

namespace zemrik::image {

// Why an address has no file offset by this rule. The first two are the
// mapping's, answered where the file is mapped; the rest the rule's own.
enum class TranslationRefusal {
    CannotCreateMapping,
    CannotMapView,
    NotPeFile,
    BelowImageBase,
    BeyondLastSection,
    NotPe32Image,
    NoFileData,
};

using Translation = Expected<std::uint32_t, TranslationRefusal>;

// PE32 only (a PE32+ image keeps a 64-bit ImageBase elsewhere); addresses
// below the first section are headers; otherwise the first section whose end
// is not below the address holds it, its end included. An address in a gap
// before that section, or past its file data, is refused. Never reads
// outside `image`.
[[nodiscard]] Translation translateDialogRva(std::span<const std::uint8_t> image, std::uint32_t address);

}  // namespace zemrik::image
