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

// The longest shortest round-trip text of a double ("-2.2250738585072014e-308")
// with room to spare; a float's is shorter.
constexpr std::size_t kLongestFloatText = 26;

// The longest literal the row prints for an element of `type`: integers are
// longest at their extremes (decimals are padded), floats at their spelled-out
// values or their longest number.
std::size_t longestLiteral(const typed::LiteralForms& forms, typed::ElementType type, Notation notation) {
    const std::uint32_t bits = typed::byteWidth(type) * 8;
    const std::uint64_t signBit = std::uint64_t{1} << (bits - 1);
    const std::uint64_t floatSpecials[] = {0x7F800000,         0xFF800000,         0x7FC00000,
                                           0x80000000,         0x7FF0000000000000, 0xFFF0000000000000,
                                           0x7FF8000000000000, 0x8000000000000000};
    std::size_t longest = 0;
    std::string text;
    const auto probe = [&](std::uint64_t pattern) {
        text.clear();
        typed::appendLiteral(text, forms, type, notation, pattern);
        longest = std::max(longest, text.size());
    };
    for (const std::uint64_t pattern : {std::uint64_t{0}, ~std::uint64_t{0}, signBit, signBit - 1}) probe(pattern);
    if (typed::kindOf(type) == typed::ValueKind::Float) {
        for (const std::uint64_t pattern : floatSpecials) probe(pattern);
        const std::string_view suffix = forms.floats[type == typed::ElementType::F32 ? 0 : 1].suffix;
        longest = std::max(longest, kLongestFloatText + suffix.size());
    }
    return longest;
}

forms::StringLiteralOptions literalOptions(const typed::TypedOptions& options) {
    return {.tableSize = options.tableSize,
            .bytesPerLine = options.itemsPerLine,
            .name = options.name,
            .naming = options.naming,
            .readOnly = options.readOnly,
            .countConstant = options.countConstant,
            .lineBreaks = options.lineBreaks};
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
    : table_(row, options), reversed_(printsBytesReversed(row, options)) {
    const bool bytes = row.elements == typed::ElementRule::BytesReversedWhenBigEndian;
    const typed::ElementType type = bytes ? typed::ElementType::U8 : options.type;
    const Notation notation = bytes ? Notation::Hex : options.notation;
    const auto& names = options.naming == typed::TypeNaming::Fixed ? row.fixedTypeNames : row.typeNames;
    const std::string count = std::to_string(table_.printedCount());
    const typed::TemplateValues values{options.name.empty() ? row.defaultName : options.name,
                                       names[typed::indexOf(type)], row.constWord, count, count};
    // CR LF at most: LF only makes the texts shorter.
    const std::size_t lineBreak = typed::filledTemplate(row.lineBreak, values).size();
    fixedLength_ = typed::filledTemplate(row.header, values).size() +
                   typed::filledTemplate(row.closing, values).size() +
                   typed::filledTemplate(row.lengthLine, values).size() + lineBreak;
    elementLength_ =
        row.elementPrefix.size() + longestLiteral(row.literals, type, notation) + row.separator.size() + lineBreak;
}

std::uint32_t TypedPiecePrinter::elementsPerPiece(std::size_t capacity) const {
    if (capacity <= fixedLength_) return 0;
    const std::size_t elements = (capacity - fixedLength_) / elementLength_;
    return static_cast<std::uint32_t>(std::min<std::size_t>(elements, 0xFFFFFFFFu));
}

TableLayout TypedPiecePrinter::progressLayout() const {
    // A table of single bytes, one per item printed, walked in the same direction.
    TableLayout layout;
    layout.tableSize = table_.printedCount();
    layout.elementSize = ElementSize::Byte;
    layout.language = reversed_ ? Language::DataStr : Language::C;
    layout.bigEndian = reversed_;
    return layout;
}

StringLiteralPiecePrinter::StringLiteralPiecePrinter(const typed::LanguageRow& row,
                                                     const typed::TypedOptions& options)
    : table_(row, literalOptions(options)) {}

TableLayout StringLiteralPiecePrinter::progressLayout() const { return byteLayout(table_.printedCount()); }

EmbedPiecePrinter::EmbedPiecePrinter(const typed::LanguageRow& row, const typed::TypedOptions& options,
                                     std::string_view path, std::uint32_t fileOffset)
    : declaration_(forms::embedDeclaration(row, {.path = path,
                                                 .offset = fileOffset,
                                                 .tableSize = options.tableSize,
                                                 .name = options.name,
                                                 .naming = options.naming,
                                                 .readOnly = options.readOnly,
                                                 .countConstant = options.countConstant,
                                                 .lineBreaks = options.lineBreaks})) {}

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
