#pragma once

#include <cstdint>

#include "core/ByteSource.h"
#include "core/Language.h"
#include "core/OutputBuffer.h"
#include "core/OutputStyle.h"

namespace zemrik {

// What a walk needs to know of the run's table.
struct TableLayout {
    std::uint32_t offset = 0;     // file offset of the first byte (the reversed walk seeks from it)
    std::uint32_t tableSize = 0;  // bytes, never 0, a multiple of the element size
    ElementSize elementSize = ElementSize::Byte;
    Language language = Language::C;
    std::uint8_t itemsPerLine = 1;  // 1 to 255
    bool bigEndian = false;
};

// Receives the walk's percentage, as printed by "%d%%", each time it changes.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void reportProgress(std::uint32_t percent) = 0;
};

enum class WalkOutcome {
    Complete,
    // The source gave fewer bytes than the table holds (the file shrank after
    // the run was accepted): the text is incomplete and must not be delivered.
    ReadFailed,
    // The buffer could not hold the text and could not grow.
    BufferExhausted,
    // A format of the style row is not one this program can print.
    InvalidStyle,
};

// Prints the header, the elements in file order with separators and line
// breaks, and the last element closing the declaration. The source must be
// positioned at the table's first byte.
WalkOutcome renderForward(const TableLayout& layout, const OutputStyle& style, ByteSource& source, OutputBuffer& buffer,
                          ProgressSink& progress);

// Data Str with big-endian: the table's bytes from the last to the first, so
// the whole table reads as one big-endian number. Seeks by itself.
WalkOutcome renderReversed(const TableLayout& layout, const OutputStyle& style, ByteSource& source,
                           OutputBuffer& buffer, ProgressSink& progress);

}  // namespace zemrik
