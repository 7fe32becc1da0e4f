#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/Expected.h"
#include "platform/File.h"

namespace zemrik {

enum class TranslationRefusal {
    CannotCreateMapping,  // "Cannot create the file mapping, try with the offset !"
    CannotMapView,        // "Cannot map the file, try with the offset !"
    NotPeFile,            // "Not a PE file !"
    BelowImageBase,       // "RVA < image base !"
    BeyondLastSection,    // "RVA beyond the last section !"
    NotPe32Image,         // "Not a 32-bit PE file !"
    NoFileData,           // "No data in the file at this RVA !"
};

std::string_view refusalMessage(TranslationRefusal refusal);

using Translation = Expected<std::uint32_t, TranslationRefusal>;

// Turns a virtual address inside a PE32 image, given as the file's bytes,
// into a file offset. Never reads outside `image`.
Translation translateInImage(std::span<const std::uint8_t> image, std::uint32_t address);

// The same through a read-only mapping of the open file named "RVA mapping!";
// opens and closes only its own mapping and view.
Translation translateImageAddress(const platform::File& file, std::uint32_t address);

}  // namespace zemrik
