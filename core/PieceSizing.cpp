// elementsPerPiece, declared in core/TableWalk.h: how many elements a piece of
// bounded text may hold.
#include <algorithm>
#include <string_view>

#include "core/ElementPrinter.h"
#include "core/TableWalk.h"
#include "core/detail/CompiledStyle.h"

namespace zemrik {

std::uint32_t elementsPerPiece(const TableLayout& layout, const OutputStyle& style, std::size_t capacity) {
    const auto formats = detail::CompiledStyle::compile(style);
    if (!formats || layout.itemsPerLine == 0) return 0;
    const ElementSize size = walksReversed(layout) ? ElementSize::Byte : layout.elementSize;
    const ElementPrinter printer(formats->elementWithSeparator, size);
    const std::size_t breakLength = std::string_view(style.lineBreak).size();
    const std::size_t overhead =
        formats->header.maxLength() + formats->last.maxLength() + breakLength + kElementOverwrite;
    if (capacity <= overhead) return 0;
    const std::size_t room = capacity - overhead;
    const std::size_t line = std::size_t{layout.itemsPerLine} * printer.maxLength() + breakLength;
    const std::uint64_t elements =
        room >= line ? std::uint64_t{room / line} * layout.itemsPerLine : std::uint64_t{room / printer.maxLength()};
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(elements, 0xFFFFFFFFu));
}

}  // namespace zemrik
