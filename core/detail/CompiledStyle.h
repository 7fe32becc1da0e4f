// A style row's formats compiled once for a walk, or for sizing its pieces.
// Internal to core/: the walks and piece sizing share it.
#pragma once

#include <optional>
#include <string>

#include "core/Format.h"
#include "core/OutputStyle.h"

namespace zemrik::detail {

struct CompiledStyle {
    CompiledFormat header;
    CompiledFormat elementWithSeparator;  // the separator holds no conversion, so it rides along
    CompiledFormat last;

    static std::optional<CompiledStyle> compile(const OutputStyle& style) {
        auto header = CompiledFormat::compile(style.headerFormat);
        auto element = CompiledFormat::compile(std::string(style.elementFormat) + style.separator);
        auto last = CompiledFormat::compile(style.lastFormat);
        if (!header || !element || !last) return std::nullopt;
        return CompiledStyle{std::move(*header), std::move(*element), std::move(*last)};
    }
};

}  // namespace zemrik::detail
