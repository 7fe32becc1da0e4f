// A run's checked parameters, and buildRunRequest, which takes them from a
// RequestSource or refuses with the message the front end shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Language.h"
#include "core/OutputStyle.h"
#include "platform/File.h"
#include "run/RequestSource.h"

namespace zemrik {

// The parameters of one run. Once accepted, it and its input file belong to
// the run's worker.
struct RunRequest {
    std::string inputPath;  // as loaded, to name the file when it fails
    platform::File inputFile;
    std::uint32_t fileSize = 0;
    ElementSize elementSize = ElementSize::Byte;
    Language language = Language::C;
    std::uint32_t tableSize = 0;
    std::uint32_t offset = 0;
    std::uint8_t itemsPerLine = 0;
    Notation notation = Notation::Hex;
    bool dumpToFile = false;
    const OutputStyle* style = nullptr;     // the front end's own row, else the style table's
    std::optional<TypedChoice> typedTable;  // printed by the typed walk instead of a style row
};

// Takes the front end's fields, checks them in their fixed order and either
// refuses with one exact message (reported through `source`, the input file
// closed again) or returns the accepted request.
[[nodiscard]] std::optional<RunRequest> buildRunRequest(RequestSource& source);

}  // namespace zemrik
