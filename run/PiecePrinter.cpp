#include "run/PiecePrinter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "forms/Embed.h"

namespace zemrik {
namespace {

// The table's bytes of one piece as the dialog's walk reads them: a seek
// names a position in the input file, as a FileByteSource's does. The
// reversed walk reads whole blocks, which may reach below the piece's first
// byte; those bytes are never printed, so they read as zeros.
class StretchSource : public ByteSource {
public:
    StretchSource(std::span<const std::uint8_t> bytes, std::uint64_t fileOffset)
        : bytes_(bytes), fileOffset_(fileOffset), position_(fileOffset) {}

    bool seek(std::uint32_t offset) override {
        position_ = offset;
        return true;
    }
    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        std::size_t done = 0;
        if (position_ < fileOffset_) {
            done = static_cast<std::size_t>(std::min<std::uint64_t>(length, fileOffset_ - position_));
            std::memset(destination, 0, done);
        }
        const std::uint64_t at = position_ + done - fileOffset_;
        if (at < bytes_.size()) {
            const std::size_t taken = std::min(length - done, bytes_.size() - static_cast<std::size_t>(at));
            std::memcpy(destination + done, bytes_.data() + at, taken);
            done += taken;
        }
        position_ += done;
        return done;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::uint64_t fileOffset_;
    std::uint64_t position_;
};

class QuietProgress : public ProgressSink {
public:
    void reportProgress(std::uint32_t) override {}
};

forms::StringLiteralOptions literalOptions(const typed::TypedOptions& options) {
    return {.tableSize = options.tableSize, .bytesPerLine = options.itemsPerLine, .declaration = options.declaration};
}

// A table of `count` single bytes walked first to last: what the byte forms
// report their progress through.
TableLayout byteLayout(std::uint32_t count) {
    TableLayout layout;
    layout.tableSize = count;
    layout.elementSize = ElementSize::Byte;
    layout.language = Language::C;
    return layout;
}

bool printsBytesReversed(const typed::LanguageRow& row, const typed::TypedOptions& options) {
    return row.elements == typed::ElementRule::BytesReversedWhenBigEndian && options.order == ByteOrder::BigEndian;
}

}  // namespace

ByteStretch StylePiecePrinter::stretchOf(TablePiece piece) const {
    const std::uint32_t count = printedCount();
    piece.first = std::min(piece.first, count);
    piece.count = std::min(piece.count, count - piece.first);
    // The reversed walk prints bytes last to first: the piece's bytes end
    // where its first one lies.
    if (walksReversed(layout_)) return {count - piece.first - piece.count, piece.count};
    const std::uint32_t width = byteCount(layout_.elementSize);
    return {piece.first * width, piece.count * width};
}

WalkOutcome StylePiecePrinter::printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                          TextOutput& output) const {
    StretchSource source(bytes, std::uint64_t{layout_.offset} + stretchOf(piece).offset);
    QuietProgress quiet;
    return render(layout_, style_, source, output, quiet, piece);
}

TypedPiecePrinter::TypedPiecePrinter(const typed::LanguageRow& row, const typed::TypedOptions& options)
    : TablePiecePrinter(typed::TypedTable(row, options)), reversed_(printsBytesReversed(row, options)) {}

TableLayout TypedPiecePrinter::progressLayout() const {
    // A table of single bytes, one per item printed, walked in the same direction.
    TableLayout layout;
    layout.tableSize = table_.printedCount();
    layout.elementSize = ElementSize::Byte;
    layout.language = reversed_ ? Language::DataStr : Language::C;
    layout.bigEndian = reversed_;
    return layout;
}

StringLiteralPiecePrinter::StringLiteralPiecePrinter(const typed::LanguageRow& row, const typed::TypedOptions& options)
    : TablePiecePrinter(forms::StringLiteralTable(row, literalOptions(options))) {}

TableLayout StringLiteralPiecePrinter::progressLayout() const { return byteLayout(table_.printedCount()); }

EmbedPiecePrinter::EmbedPiecePrinter(const typed::LanguageRow& row, const typed::TypedOptions& options,
                                     std::string_view path, std::uint32_t fileOffset)
    : declaration_(forms::embedDeclaration(
          row,
          {.path = path, .offset = fileOffset, .tableSize = options.tableSize, .declaration = options.declaration})) {}

std::uint32_t EmbedPiecePrinter::elementsPerPiece(std::size_t capacity) const {
    return declaration_ && declaration_->size() > capacity ? 0 : 1;
}

WalkOutcome EmbedPiecePrinter::printPiece(std::span<const std::uint8_t>, TablePiece piece, TextOutput& output) const {
    if (!declaration_) return WalkOutcome::InvalidStyle;
    if (piece.count == 0) return WalkOutcome::Complete;
    char* const at = output.reserve(declaration_->size());
    if (at == nullptr) return WalkOutcome::BufferExhausted;
    std::memcpy(at, declaration_->data(), declaration_->size());
    output.commit(at + declaration_->size(), CursorMove::Follow);
    return WalkOutcome::Complete;
}

TableLayout EmbedPiecePrinter::progressLayout() const { return byteLayout(1); }

}  // namespace zemrik
