#include "typed/TypedWalk.h"

#include <algorithm>
#include <cstring>

namespace zemrik::typed {
namespace {

// Text is handed to the output in blocks about this large.
constexpr std::size_t kFlushLength = 1 << 14;

std::string withLineBreaks(std::string text, LineBreaks breaks) {
    if (breaks == LineBreaks::CrLf) return text;
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
        out += text[at];
    }
    return out;
}

bool flush(std::string& text, TextOutput& output) {
    if (text.empty()) return true;
    char* const at = output.reserve(text.size());
    if (at == nullptr) return false;
    std::memcpy(at, text.data(), text.size());
    output.commit(at + text.size(), CursorMove::Follow);
    text.clear();
    return true;
}

// Collects a whole table's text.
class StringOutput : public TextOutput {
public:
    char* reserve(std::size_t length) override {
        text_.resize(length_ + length);
        return text_.data() + length_;
    }
    void commit(char* end, CursorMove) override {
        length_ = static_cast<std::size_t>(end - text_.data());
        text_.resize(length_);
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
    std::size_t length_ = 0;
};

}  // namespace

TypedTable::TypedTable(const LanguageRow& row, const TypedOptions& options)
    : row_(row),
      type_(row.elements == ElementRule::BytesReversedWhenBigEndian ? ElementType::U8 : options.type),
      notation_(row.elements == ElementRule::BytesReversedWhenBigEndian ? Notation::Hex : options.notation),
      order_(options.order),
      reversed_(row.elements == ElementRule::BytesReversedWhenBigEndian && options.order == ByteOrder::BigEndian),
      width_(byteWidth(type_)),
      count_(options.tableSize / width_),
      perLine_(std::max<std::uint32_t>(options.itemsPerLine, 1)) {
    const auto& names = options.naming == TypeNaming::Fixed ? row.fixedTypeNames : row.typeNames;
    const std::string count = std::to_string(count_);
    const std::string last = std::to_string(count_ - 1);
    const TemplateValues with{options.name.empty() ? row.defaultName : options.name, names[indexOf(type_)],
                              options.readOnly == ReadOnly::Const ? row.constWord : std::string_view{}, count, last};
    std::string closing = std::string(row.closing);
    if (options.countConstant == CountConstant::After) closing += row.lengthLine;
    header_ = withLineBreaks(filledTemplate(row.header, with), options.lineBreaks);
    lineBreak_ = withLineBreaks(filledTemplate(row.lineBreak, with), options.lineBreaks);
    separator_ = withLineBreaks(std::string(row.separator), options.lineBreaks);
    closing_ = withLineBreaks(filledTemplate(closing, with), options.lineBreaks);
}

TablePiece TypedTable::clamped(TablePiece piece) const {
    piece.first = std::min(piece.first, count_);
    piece.count = std::min(piece.count, count_ - piece.first);
    return piece;
}

ByteStretch TypedTable::stretchOf(TablePiece piece) const {
    piece = clamped(piece);
    // Printed last to first, the piece's bytes end where its first one lies.
    if (reversed_) return {count_ - piece.first - piece.count, piece.count};
    return {piece.first * width_, piece.count * width_};
}

std::uint64_t TypedTable::bitsAt(std::span<const std::uint8_t> bytes, std::uint32_t k) const {
    if (reversed_) return bytes[bytes.size() - 1 - k];
    return loadBits(bytes.data() + std::size_t{k} * width_, width_, order_);
}

WalkOutcome TypedTable::printPiece(std::span<const std::uint8_t> bytes, TablePiece piece, TextOutput& output) const {
    piece = clamped(piece);
    if (piece.count == 0) return WalkOutcome::Complete;
    if (bytes.size() < std::size_t{piece.count} * width_) return WalkOutcome::ReadFailed;

    std::string text;
    text.reserve(kFlushLength + 256);
    if (piece.first == 0) text += header_;
    const bool dropsSeparator = row_.lineEnd == LineEndRule::DropsSeparator;
    for (std::uint32_t k = 0; k < piece.count; ++k) {
        const std::uint32_t index = piece.first + k;
        text += row_.elementPrefix;
        appendLiteral(text, row_.literals, type_, notation_, bitsAt(bytes, k));
        // The reversed walk prints its last byte like the others.
        if (index + 1 == count_) {
            if (!reversed_) text += closing_;
            break;
        }
        text += separator_;
        if ((index + 1) % perLine_ == 0) {
            if (dropsSeparator) text.resize(text.size() - separator_.size());
            text += lineBreak_;
        }
        if (text.size() >= kFlushLength && !flush(text, output)) return WalkOutcome::BufferExhausted;
    }
    return flush(text, output) ? WalkOutcome::Complete : WalkOutcome::BufferExhausted;
}

std::string TypedTable::print(std::span<const std::uint8_t> table) const {
    StringOutput output;
    static_cast<void>(printPiece(table, {0, count_}, output));
    return output.take();
}

}  // namespace zemrik::typed
