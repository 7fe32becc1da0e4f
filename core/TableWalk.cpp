#include "core/TableWalk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "core/ElementPrinter.h"
#include "core/Format.h"
#include "core/detail/BlockReaders.h"
#include "core/detail/CompiledStyle.h"

namespace zemrik {
namespace {

using detail::BackwardReader;
using detail::BlockSlice;
using detail::ForwardReader;

template <ElementSize Size, ByteOrder Order>
std::uint32_t load(const std::uint8_t* bytes) {
    if constexpr (Size == ElementSize::Byte) {
        return bytes[0];
    } else if constexpr (Size == ElementSize::Word) {
        return Order == ByteOrder::BigEndian ? (std::uint32_t{bytes[0]} << 8 | bytes[1])
                                             : (bytes[0] | std::uint32_t{bytes[1]} << 8);
    } else {
        return Order == ByteOrder::BigEndian ? (std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                                                std::uint32_t{bytes[2]} << 8 | bytes[3])
                                             : (bytes[0] | std::uint32_t{bytes[1]} << 8 |
                                                std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
    }
}

// Consecutive elements in memory, in print order.
template <ElementSize Size, ByteOrder Order>
struct ForwardValues {
    const std::uint8_t* bytes;
    std::uint32_t operator[](std::uint32_t k) const {
        return load<Size, Order>(bytes + std::size_t{k} * byteCount(Size));
    }
    ForwardValues after(std::uint32_t k) const { return {bytes + std::size_t{k} * byteCount(Size)}; }
};

// Bytes printed from `first` downwards.
struct BackwardBytes {
    const std::uint8_t* first;
    std::uint32_t operator[](std::uint32_t k) const { return first[-static_cast<std::ptrdiff_t>(k)]; }
    BackwardBytes after(std::uint32_t k) const { return {first - static_cast<std::ptrdiff_t>(k)}; }
};

enum class LineEnd { KeepsSeparator, DropsSeparator };

// Where line breaks go: after every `perLine`-th element of the table, as
// long as its print index is below `breakLimit` (no break ends the text).
class LineRule {
public:
    LineRule(const OutputStyle& style, std::uint32_t perLine, std::uint32_t breakLimit, LineEnd end)
        : perLine_(perLine),
          breakLimit_(breakLimit),
          text_(style.lineBreak),
          dropped_(end == LineEnd::DropsSeparator ? 2 : 0) {
        if (text_.size() <= padded_.size()) std::memcpy(padded_.data(), text_.data(), text_.size());
    }

    std::uint32_t perLine() const { return perLine_; }
    std::size_t breakLength() const { return text_.size(); }

    // Breaks after the elements at print indexes [from, from + count).
    std::uint64_t breaksAmong(std::uint32_t from, std::uint32_t count) const {
        const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{from} + count, breakLimit_);
        return end > from ? end / perLine_ - from / perLine_ : 0;
    }
    // What a break adds to the text: its own characters less the separator it drops.
    std::size_t breakGrowth() const { return text_.size() - dropped_; }

    bool breaksAfterLineEndingAt(std::uint32_t nextIndex) const { return nextIndex <= breakLimit_; }

    char* writeBreak(char* p) const {
        // Asm lines end without the ", " just printed.
        p -= dropped_;
        if (text_.size() <= padded_.size()) {
            std::memcpy(p, padded_.data(), padded_.size());
        } else {
            std::memcpy(p, text_.data(), text_.size());
        }
        return p + text_.size();
    }

private:
    std::uint32_t perLine_;
    std::uint32_t breakLimit_;
    std::string_view text_;
    std::array<char, kElementOverwrite> padded_{};
    std::size_t dropped_;
};

// Where the walk stands: the print index of the next element and how many
// elements its line already holds.
struct Position {
    std::uint32_t index;
    std::uint32_t onLine;
};

// Prints `count` elements with their line breaks from `p` on; the caller has
// reserved room for them.
template <class Writer, class Values>
char* printElements(char* p, Writer writer, Values values, std::uint32_t count, Position& at, const LineRule& lines) {
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t take = std::min(count - done, lines.perLine() - at.onLine);
        const Values line = values.after(done);
        for (std::uint32_t j = 0; j < take; ++j) p += writer.write(p, line[j]);
        done += take;
        at.index += take;
        at.onLine += take;
        if (at.onLine == lines.perLine()) {
            at.onLine = 0;
            if (lines.breaksAfterLineEndingAt(at.index)) p = lines.writeBreak(p);
        }
    }
    return p;
}

// What one walk prints with and into.
struct Walk {
    TextOutput& output;
    const ElementPrinter& printer;
    const LineRule& lines;
    WalkProgress& progress;
    Position at;
};

// Elements whose texts all have one length: the exact text of a whole slice of
// them is known before printing, so one reservation holds it.
template <class Writer, class Values>
bool printFixed(Walk& walk, const Writer& writer, Values values, std::uint32_t count) {
    const std::uint64_t text = std::uint64_t{count} * walk.printer.fixedLength() +
                               walk.lines.breaksAmong(walk.at.index, count) * walk.lines.breakGrowth();
    char* const start = walk.output.reserve(static_cast<std::size_t>(text) + kElementOverwrite);
    if (start == nullptr) return false;
    walk.output.commit(printElements(start, writer, values, count, walk.at, walk.lines), CursorMove::Follow);
    return true;
}

// Elements of differing lengths: one reservation per line, for its longest text.
template <class Writer, class Values>
bool printVarying(Walk& walk, const Writer& writer, Values values, std::uint32_t count) {
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t take = std::min(count - done, walk.lines.perLine() - walk.at.onLine);
        const std::size_t room =
            std::size_t{take} * walk.printer.maxLength() + walk.lines.breakLength() + kElementOverwrite;
        char* const start = walk.output.reserve(room);
        if (start == nullptr) return false;
        walk.output.commit(printElements(start, writer, values.after(done), take, walk.at, walk.lines),
                           CursorMove::Follow);
        done += take;
    }
    return true;
}

// Prints `count` elements in lines, as `nextSlice(wanted)` hands them out.
template <class Values, class NextSlice>
WalkOutcome printLines(Walk& walk, std::uint32_t count, NextSlice&& nextSlice) {
    return walk.printer.visit([&](const auto& writer) {
        for (std::uint32_t left = count; left > 0;) {
            const BlockSlice slice = nextSlice(left);
            if (slice.count == 0) return WalkOutcome::ReadFailed;
            const Values values{slice.bytes};
            const bool printed = walk.printer.fixedLength() != 0 ? printFixed(walk, writer, values, slice.count)
                                                                 : printVarying(walk, writer, values, slice.count);
            if (!printed) return WalkOutcome::BufferExhausted;
            left -= slice.count;
            walk.progress.printedThrough(walk.at.index - 1);
        }
        return WalkOutcome::Complete;
    });
}

template <ElementSize Size, ByteOrder Order>
WalkOutcome printForwardLines(Walk& walk, ForwardReader& reader, std::uint32_t count) {
    return printLines<ForwardValues<Size, Order>>(walk, count,
                                                  [&](std::uint32_t wanted) { return reader.next(wanted); });
}

// One loop per element size and byte order, so the hot loop forms values
// without a branch.
WalkOutcome printForwardLines(Walk& walk, ForwardReader& reader, const TableLayout& layout, std::uint32_t count) {
    const ByteOrder order = layout.bigEndian ? ByteOrder::BigEndian : ByteOrder::LittleEndian;
    switch (layout.elementSize) {
    case ElementSize::Word:
        return order == ByteOrder::BigEndian
                   ? printForwardLines<ElementSize::Word, ByteOrder::BigEndian>(walk, reader, count)
                   : printForwardLines<ElementSize::Word, ByteOrder::LittleEndian>(walk, reader, count);
    case ElementSize::Dword:
        return order == ByteOrder::BigEndian
                   ? printForwardLines<ElementSize::Dword, ByteOrder::BigEndian>(walk, reader, count)
                   : printForwardLines<ElementSize::Dword, ByteOrder::LittleEndian>(walk, reader, count);
    case ElementSize::Byte: break;
    }
    return printForwardLines<ElementSize::Byte, ByteOrder::LittleEndian>(walk, reader, count);
}

std::uint32_t lastValue(const std::uint8_t* bytes, const TableLayout& layout) {
    std::uint32_t value = 0;
    const std::size_t width = byteCount(layout.elementSize);
    for (std::size_t k = 0; k < width; ++k) {
        value = value << 8 | bytes[layout.bigEndian ? k : width - 1 - k];
    }
    return value;
}

WalkOutcome printFormatted(TextOutput& output, const CompiledFormat& format, std::uint32_t argument) {
    char* const at = output.reserve(format.maxLength());
    if (at == nullptr) return WalkOutcome::BufferExhausted;
    output.commit(at + format.write(at, argument), CursorMove::Stay);
    return WalkOutcome::Complete;
}

TablePiece clampedPiece(TablePiece piece, std::uint32_t count) {
    piece.first = std::min(piece.first, count);
    piece.count = std::min(piece.count, count - piece.first);
    return piece;
}

TablePiece wholeTable(const TableLayout& layout) { return {0, printedCount(layout)}; }

}  // namespace

bool walksReversed(const TableLayout& layout) { return layout.language == Language::DataStr && layout.bigEndian; }

std::uint32_t printedCount(const TableLayout& layout) {
    return walksReversed(layout) ? layout.tableSize : layout.tableSize / byteCount(layout.elementSize);
}

WalkOutcome renderForward(const TableLayout& layout, const OutputStyle& style, ByteSource& source, TextOutput& output,
                          ProgressSink& progressSink, TablePiece piece) {
    const auto formats = detail::CompiledStyle::compile(style);
    if (!formats) return WalkOutcome::InvalidStyle;
    const std::uint32_t count = printedCount(layout);
    piece = clampedPiece(piece, count);
    if (piece.count == 0) return WalkOutcome::Complete;

    if (piece.first == 0) {
        const auto headerCount = static_cast<std::uint32_t>(count + static_cast<std::uint32_t>(style.countAdjust));
        const WalkOutcome header = printFormatted(output, formats->header, headerCount);
        if (header != WalkOutcome::Complete) return header;
    }
    const std::size_t elementBytes = byteCount(layout.elementSize);
    ForwardReader reader(source, std::uint64_t{piece.count} * elementBytes, elementBytes);
    WalkProgress progress(progressSink, layout, piece.first);
    const ElementPrinter printer(formats->elementWithSeparator, layout.elementSize);
    const LineEnd lineEnd = layout.language == Language::Asm ? LineEnd::DropsSeparator : LineEnd::KeepsSeparator;
    const LineRule lines(style, layout.itemsPerLine, count - 1, lineEnd);
    Walk walk{output, printer, lines, progress, {piece.first, piece.first % layout.itemsPerLine}};

    // Every element but the table's last goes into lines.
    const std::uint32_t end = piece.first + piece.count;
    const std::uint32_t lined = std::min(end, count - 1) - std::min(piece.first, count - 1);
    const WalkOutcome outcome = printForwardLines(walk, reader, layout, lined);
    if (outcome != WalkOutcome::Complete || end != count) return outcome;

    const BlockSlice last = reader.next(1);
    if (last.count == 0) return WalkOutcome::ReadFailed;
    return printFormatted(output, formats->last, lastValue(last.bytes, layout));
}

WalkOutcome renderForward(const TableLayout& layout, const OutputStyle& style, ByteSource& source, TextOutput& output,
                          ProgressSink& progress) {
    return renderForward(layout, style, source, output, progress, wholeTable(layout));
}

WalkOutcome renderReversed(const TableLayout& layout, const OutputStyle& style, ByteSource& source, TextOutput& output,
                           ProgressSink& progressSink, TablePiece piece) {
    const auto formats = detail::CompiledStyle::compile(style);
    if (!formats) return WalkOutcome::InvalidStyle;
    const std::uint32_t size = layout.tableSize;
    piece = clampedPiece(piece, size);
    if (piece.count == 0) return WalkOutcome::Complete;

    BackwardReader reader(source, layout.offset, size - 1 - piece.first);
    WalkProgress progress(progressSink, layout, piece.first);
    const ElementPrinter printer(formats->elementWithSeparator, ElementSize::Byte);
    const LineRule lines(style, layout.itemsPerLine, size - 1, LineEnd::KeepsSeparator);
    Walk walk{output, printer, lines, progress, {piece.first, piece.first % layout.itemsPerLine}};
    return printLines<BackwardBytes>(walk, piece.count, [&](std::uint32_t wanted) { return reader.next(wanted); });
}

WalkOutcome renderReversed(const TableLayout& layout, const OutputStyle& style, ByteSource& source, TextOutput& output,
                           ProgressSink& progress) {
    return renderReversed(layout, style, source, output, progress, wholeTable(layout));
}

WalkOutcome render(const TableLayout& layout, const OutputStyle& style, ByteSource& source, TextOutput& output,
                   ProgressSink& progress, TablePiece piece) {
    return walksReversed(layout) ? renderReversed(layout, style, source, output, progress, piece)
                                 : renderForward(layout, style, source, output, progress, piece);
}

}  // namespace zemrik
