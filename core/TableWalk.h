// The table walks: print a whole table, or any piece of one, from a ByteSource
// into a TextOutput, reporting progress; and how large a piece may be.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ByteSource.h"
#include "core/Language.h"
#include "core/OutputStyle.h"
#include "core/TextOutput.h"

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

// Data Str with big-endian prints the table's bytes last to first.
bool walksReversed(const TableLayout& layout);
// How many elements the walk prints: bytes for the reversed walk.
std::uint32_t printedCount(const TableLayout& layout);

// A run of a table's elements in the order they are printed. A walk prints a
// piece exactly as it would print that stretch of the whole table: the
// header with the first element, a line break after every full line of the
// table (counted from the table's first element, not the piece's), the last
// element closing the declaration. So consecutive pieces, printed apart and
// joined, give the whole table's text.
struct TablePiece {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// Receives the walk's percentage, as printed by "%d%%", each time it changes.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void reportProgress(std::uint32_t percent) = 0;
};

// The walk's percentages: after the forward walk's element i (not the
// last), i x 100 / divisor; after the reversed walk's j-th byte,
// (j - 1) x 100 / divisor, its first byte showing 0%. The divisor is the
// count less 2 (1 for a count of 2). Each new percentage is reported once,
// in order, however far one call moves: counted in 64 bits, it reaches 100
// on tables of any size.
class WalkProgress {
public:
    // Starting at print index `firstIndex`, behind the percentages that the
    // elements before it have reported.
    WalkProgress(ProgressSink& sink, const TableLayout& layout, std::uint32_t firstIndex = 0);

    // Every element up to print index `index` has been printed.
    void printedThrough(std::uint32_t index);

private:
    std::uint64_t stepOf(std::uint32_t index) const;

    ProgressSink& sink_;
    bool reversed_;
    bool silent_ = false;
    std::uint64_t divisor_ = 1;
    std::uint64_t lastForwardStep_ = 0;
    std::uint64_t nextChange_ = 0;  // the first step with a percentage not reported yet
};

enum class WalkOutcome {
    Complete,
    // The source gave fewer bytes than the table holds (the file shrank after
    // the run was accepted): the text is incomplete and must not be delivered.
    ReadFailed,
    // The output had no room for the text and could not make any.
    BufferExhausted,
    // A format of the style row is not one this program can print.
    InvalidStyle,
};

// Prints the header, the elements in file order with separators and line
// breaks, and the last element closing the declaration. The source must be
// positioned at the piece's first byte.
[[nodiscard]] WalkOutcome renderForward(const TableLayout& layout, const OutputStyle& style, ByteSource& source,
                                        TextOutput& output, ProgressSink& progress, TablePiece piece);
[[nodiscard]] WalkOutcome renderForward(const TableLayout& layout, const OutputStyle& style, ByteSource& source,
                                        TextOutput& output, ProgressSink& progress);

// Data Str with big-endian: the table's bytes from the last to the first, so
// the whole table reads as one big-endian number. Seeks by itself.
[[nodiscard]] WalkOutcome renderReversed(const TableLayout& layout, const OutputStyle& style, ByteSource& source,
                                         TextOutput& output, ProgressSink& progress, TablePiece piece);
[[nodiscard]] WalkOutcome renderReversed(const TableLayout& layout, const OutputStyle& style, ByteSource& source,
                                         TextOutput& output, ProgressSink& progress);

// The walk the layout calls for.
[[nodiscard]] WalkOutcome render(const TableLayout& layout, const OutputStyle& style, ByteSource& source,
                                 TextOutput& output, ProgressSink& progress, TablePiece piece);

// The most elements, whole lines where a line fits, that a piece may hold so
// that its text, header and last element included, never needs more than
// `capacity` characters of reservation; 0 when not even one element fits or
// the style cannot be printed.
std::uint32_t elementsPerPiece(const TableLayout& layout, const OutputStyle& style, std::size_t capacity);

}  // namespace zemrik
