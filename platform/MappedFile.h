// MappedFile: a whole file mapped read-only and seen as its bytes, for the
// readers that look into an input without copying it.
#pragma once

#include <cstdint>
#include <span>

#include "platform/FileMapping.h"

namespace zemrik::platform {

// Which of the two calls failed: callers tell the user which.
enum class MappingStep { CreateMapping, MapView };

struct MappingFailure {
    MappingStep step;
    SystemError error;
};

// Owns a read-only mapping of a whole file and its one view. Move-only; the
// view is unmapped before the mapping closes.
class MappedFile {
public:
    // `name` as FileMapping::create takes it. An empty file can't be mapped.
    [[nodiscard]] static Expected<MappedFile, MappingFailure> map(const File& file, const char* name);

    std::span<const std::uint8_t> bytes() const { return {view_.data(), view_.size()}; }

private:
    MappedFile(FileMapping mapping, MappedView view) : mapping_(std::move(mapping)), view_(std::move(view)) {}

    FileMapping mapping_;  // declared first, so destroyed after the view
    MappedView view_;
};

}  // namespace zemrik::platform
