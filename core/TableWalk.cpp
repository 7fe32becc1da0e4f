#include "core/TableWalk.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/ElementPrinter.h"
#include "core/Format.h"

namespace zemrik {
namespace {

// Large enough that reading costs nothing next to printing, small enough to
// stay in cache; a multiple of every element size.
constexpr std::size_t kBlockSize = 64 * 1024;

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

std::uint32_t elementValue(const std::uint8_t* bytes, ElementSize size, bool bigEndian) {
    switch (size) {
    case ElementSize::Word:
        return bigEndian ? (std::uint32_t{bytes[0]} << 8 | bytes[1]) : (bytes[0] | std::uint32_t{bytes[1]} << 8);
    case ElementSize::Dword:
        return bigEndian ? (std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                            std::uint32_t{bytes[2]} << 8 | bytes[3])
                         : (bytes[0] | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
                            std::uint32_t{bytes[3]} << 24);
    case ElementSize::Byte: break;
    }
    return bytes[0];
}

// The percentage index x 100 / divisor, reported only when it changes: the
// division runs about a hundred times per walk, not once per element.
// Computed in 64 bits, so tables of more than 42 million elements still count
// up to 100 instead of wrapping.
class Progress {
public:
    Progress(ProgressSink& sink, std::uint32_t count)
        : sink_(sink), divisor_(count == 2 ? 1u : static_cast<std::uint32_t>(count - 2)) {}

    void after(std::uint64_t index) {
        if (index >= nextChange_) update(index);
    }

private:
    void update(std::uint64_t index) {
        const std::uint64_t percent = index * 100 / divisor_;
        if (percent != shown_) {
            sink_.reportProgress(static_cast<std::uint32_t>(percent));
            shown_ = percent;
        }
        nextChange_ = ((percent + 1) * divisor_ + 99) / 100;
    }

    ProgressSink& sink_;
    std::uint64_t divisor_;
    std::uint64_t nextChange_ = 0;
    std::uint64_t shown_ = ~std::uint64_t{0};
};

// Hands out the elements of a table read forward in large blocks.
class ForwardReader {
public:
    ForwardReader(ByteSource& source, std::uint64_t tableSize, std::size_t elementBytes)
        : source_(source), remaining_(tableSize), elementBytes_(elementBytes), block_(kBlockSize) {}

    // The next element's bytes, or nullptr when the source ran short.
    const std::uint8_t* next() {
        if (position_ == filled_ && !refill()) return nullptr;
        const std::uint8_t* element = block_.data() + position_;
        position_ += elementBytes_;
        return element;
    }

private:
    bool refill() {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, kBlockSize));
        if (wanted < elementBytes_ || source_.read(block_.data(), wanted) != wanted) return false;
        remaining_ -= wanted;
        filled_ = wanted;
        position_ = 0;
        return true;
    }

    ByteSource& source_;
    std::uint64_t remaining_;
    std::size_t elementBytes_;
    std::vector<std::uint8_t> block_;
    std::size_t filled_ = 0;
    std::size_t position_ = 0;
};

// Hands out a table's bytes from the last to the first, reading blocks
// backwards so that byte n is always read before byte n - 1.
class BackwardReader {
public:
    BackwardReader(ByteSource& source, std::uint32_t offset, std::uint32_t tableSize)
        : source_(source), offset_(offset), blockStart_(tableSize), block_(kBlockSize) {}

    std::optional<std::uint8_t> byteAt(std::uint32_t n) {
        if (n < blockStart_ && !loadBlockEndingAt(n)) return std::nullopt;
        return block_[n - blockStart_];
    }

private:
    bool loadBlockEndingAt(std::uint32_t n) {
        const std::uint32_t start = n + 1 > kBlockSize ? static_cast<std::uint32_t>(n + 1 - kBlockSize) : 0u;
        const std::size_t length = std::size_t{n} + 1 - start;
        // offset + n lies inside a 32-bit file, so offset + start cannot wrap.
        if (!source_.seek(offset_ + start) || source_.read(block_.data(), length) != length) return false;
        blockStart_ = start;
        return true;
    }

    ByteSource& source_;
    std::uint32_t offset_;
    std::uint32_t blockStart_;  // table index of block_[0]
    std::vector<std::uint8_t> block_;
};

std::size_t cursorAdvance(std::int32_t elementWidth, std::size_t printed) {
    // Only the Delphi byte-decimal row prints wider than its nominal width;
    // following what was printed keeps every append's search short there too.
    return std::max(static_cast<std::size_t>(std::max(elementWidth, 0)), printed);
}

bool appendFormatted(OutputBuffer& buffer, const CompiledFormat& format, std::uint32_t argument, std::size_t& printed) {
    return buffer.appendWritten(format.maxLength(), [&](char* destination) {
        printed = format.write(destination, argument);
        return printed;
    });
}

bool breakLine(OutputBuffer& buffer, const OutputStyle& style, bool trimSeparator) {
    // Asm lines end without the ", " just appended.
    if (trimSeparator) buffer.trimTwo();
    if (!buffer.append(style.lineBreak)) return false;
    buffer.advanceCursor(static_cast<std::size_t>(std::max(style.lineBreakWidth, 0)));
    return true;
}

// Most elements one append carries; a line of 255 dwords stays a few KiB.
constexpr std::uint32_t kMaxBatch = 256;

// The elements up to the end of the current line go into the buffer in one
// append, saving a search for the end per element; the cursor still moves
// element by element as if each had been appended alone.
struct Batch {
    std::size_t advanceBeforeLast = 0;  // cursor advance of every element but the batch's last
    std::size_t advanceLast = 0;
    bool readFailed = false;

    template <class NextValue>
    bool append(OutputBuffer& buffer, const ElementPrinter& printer, std::uint32_t elements, std::int32_t elementWidth,
                NextValue&& nextValue) {
        const std::size_t reserve = std::size_t{elements} * printer.maxLength() + ElementPrinter::kOverwrite;
        return buffer.appendWritten(reserve, [&](char* out) {
            char* p = out;
            for (std::uint32_t j = 0; j < elements; ++j) {
                const std::optional<std::uint32_t> value = nextValue(j);
                if (!value) {
                    readFailed = true;
                    break;
                }
                const std::size_t printed = printer.write(p, *value);
                p += printed;
                advanceBeforeLast += advanceLast;
                advanceLast = cursorAdvance(elementWidth, printed);
            }
            // Keep the buffer zero past the text, whatever the printer stored there.
            std::memset(p, 0, ElementPrinter::kOverwrite);
            return static_cast<std::size_t>(p - out);
        });
    }
};

std::uint32_t batchSize(std::uint32_t perLine, std::uint32_t onLine, std::uint32_t remaining) {
    // With no items per line a line never ends, as a counter never equals 0.
    const std::uint32_t leftOnLine = perLine == 0 ? kMaxBatch : perLine - onLine;
    return std::min({leftOnLine, remaining, kMaxBatch});
}

// Prints `total` elements, each with its separator, in lines of `perLine`.
// `valueAt(index)` gives each element's value in order, or nothing when the
// source ran short. A line break follows every full line but the text's end,
// unless `breakAfterLast` (the forward walk's last element is still to come).
template <class ValueAt>
WalkOutcome printInLines(OutputBuffer& buffer, const ElementPrinter& printer, const OutputStyle& style,
                         std::uint32_t perLine, std::uint32_t total, bool trimAtLineEnd, bool breakAfterLast,
                         ValueAt&& valueAt) {
    std::uint32_t onLine = 0;
    for (std::uint32_t done = 0; done < total;) {
        const std::uint32_t elements = batchSize(perLine, onLine, total - done);
        Batch batch;
        const bool appended = batch.append(buffer, printer, elements, style.elementWidth,
                                           [&](std::uint32_t j) { return valueAt(done + j); });
        if (!appended) return WalkOutcome::BufferExhausted;
        if (batch.readFailed) return WalkOutcome::ReadFailed;
        done += elements;
        onLine += elements;
        buffer.advanceCursor(batch.advanceBeforeLast);
        if (onLine == perLine && (breakAfterLast || done < total)) {
            if (!breakLine(buffer, style, trimAtLineEnd)) return WalkOutcome::BufferExhausted;
            onLine = 0;
        }
        buffer.advanceCursor(batch.advanceLast);
    }
    return WalkOutcome::Complete;
}

// Every element but the last, in file order.
template <ElementSize Size>
WalkOutcome printAllButLast(const TableLayout& layout, const OutputStyle& style, std::uint32_t count,
                            ForwardReader& reader, const ElementPrinter& printer, OutputBuffer& buffer,
                            Progress& progress) {
    return printInLines(buffer, printer, style, layout.itemsPerLine, count - 1, layout.language == Language::Asm, true,
                        [&](std::uint32_t i) -> std::optional<std::uint32_t> {
                            const std::uint8_t* bytes = reader.next();
                            if (bytes == nullptr) return std::nullopt;
                            progress.after(i);
                            return elementValue(bytes, Size, layout.bigEndian);
                        });
}

}  // namespace

WalkOutcome renderForward(const TableLayout& layout, const OutputStyle& style, ByteSource& source, OutputBuffer& buffer,
                          ProgressSink& progressSink) {
    const auto formats = CompiledStyle::compile(style);
    if (!formats) return WalkOutcome::InvalidStyle;

    const std::size_t elementBytes = byteCount(layout.elementSize);
    const std::uint32_t count = layout.tableSize / static_cast<std::uint32_t>(elementBytes);
    std::size_t printed = 0;
    const auto headerCount = static_cast<std::uint32_t>(count + static_cast<std::uint32_t>(style.countAdjust));
    if (!appendFormatted(buffer, formats->header, headerCount, printed)) return WalkOutcome::BufferExhausted;
    if (count == 0) return WalkOutcome::Complete;

    ForwardReader reader(source, std::uint64_t{count} * elementBytes, elementBytes);
    Progress progress(progressSink, count);
    const ElementPrinter printer(formats->elementWithSeparator, layout.elementSize);
    const auto outcome = [&] {
        // One loop per element size, so the hot loop forms values without a switch.
        switch (layout.elementSize) {
        case ElementSize::Word:
            return printAllButLast<ElementSize::Word>(layout, style, count, reader, printer, buffer, progress);
        case ElementSize::Dword:
            return printAllButLast<ElementSize::Dword>(layout, style, count, reader, printer, buffer, progress);
        case ElementSize::Byte: break;
        }
        return printAllButLast<ElementSize::Byte>(layout, style, count, reader, printer, buffer, progress);
    }();
    if (outcome != WalkOutcome::Complete) return outcome;

    const std::uint8_t* bytes = reader.next();
    if (bytes == nullptr) return WalkOutcome::ReadFailed;
    const std::uint32_t value = elementValue(bytes, layout.elementSize, layout.bigEndian);
    return appendFormatted(buffer, formats->last, value, printed) ? WalkOutcome::Complete
                                                                  : WalkOutcome::BufferExhausted;
}

WalkOutcome renderReversed(const TableLayout& layout, const OutputStyle& style, ByteSource& source,
                           OutputBuffer& buffer, ProgressSink& progressSink) {
    const auto formats = CompiledStyle::compile(style);
    if (!formats) return WalkOutcome::InvalidStyle;

    const std::uint32_t size = layout.tableSize;
    BackwardReader reader(source, layout.offset, size);
    Progress progress(progressSink, size);
    const ElementPrinter printer(formats->elementWithSeparator, ElementSize::Byte);
    return printInLines(buffer, printer, style, layout.itemsPerLine, size, false, false,
                        [&](std::uint32_t j) -> std::optional<std::uint32_t> {
                            const auto byte = reader.byteAt(size - 1 - j);
                            if (!byte) return std::nullopt;
                            // The j-th byte reports (j - 1) x 100 / divisor; the first
                            // shows 0% rather than a negative share.
                            progress.after(j == 0 ? 0 : j - 1);
                            return *byte;
                        });
}

}  // namespace zemrik
