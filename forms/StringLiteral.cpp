#include "forms/StringLiteral.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zemrik::forms {

// How a byte that has no spelling of its own is escaped: with as few octal
// digits as the next character allows (C, the GNU assembler: their \x takes
// every hex digit that follows), or as \x and two hex digits (the rest).
enum class NumericEscape : std::uint8_t { ShortestOctal, TwoHexDigits };

// Rust's line continuation skips the blanks that begin the next line: there a
// space must be escaped.
enum class BlankAtLineStart : std::uint8_t { AsIs, Escaped };

// How lines of bytes make one literal. Adjacent literals are joined by the
// compiler; C's compilers pay for each one (a third of gcc's time at 64 bytes
// to a line), so C continues one literal over its lines with a backslash at
// each line's end, which also lets an escape run into the next line's first
// character. Go joins its lines with +, which its compiler reads recursively:
// a long chain of them overflows its stack. Balanced, in parentheses, the
// nesting grows with the logarithm of the lines.
enum class LineJoin : std::uint8_t { Adjacent, Continued, BalancedGroups };

// Whether the table's length constant is printed: C and C++ need it, their
// array being one longer than the table.
enum class LengthLine : std::uint8_t { WhenAsked, Always };

// A language's literal. The templates are the typed rows' ({name}, {type},
// {const}, {count}); each line of bytes is one literal, or (C, Rust) one
// literal continued over lines.
struct StringLiteralRow {
    std::string_view cliName{};
    std::string_view header{};     // up to the first byte
    std::string_view lineBreak{};  // from the end of one line's bytes to the next line's first
    std::string_view closing{};    // after the last byte
    NumericEscape numeric = NumericEscape::TwoHexDigits;
    // The characters a short octal escape would take in as one more digit.
    std::string_view octalDigits{};
    std::string_view namedEscapes{};  // pairs: the byte, then the letter after the backslash
    std::string_view backslashed{};   // printable characters written after a backslash
    BlankAtLineStart blanks = BlankAtLineStart::AsIs;
    LengthLine length = LengthLine::WhenAsked;
    // With BalancedGroups, the groups open before the quote that ends the
    // header or a line break, and close after the quote that starts one.
    LineJoin join = LineJoin::Adjacent;
};

namespace {

constexpr std::string_view kControlEscapes = "\tt\nn\rr";

// C's `?` is escaped everywhere, so that no two of them start a trigraph.
constexpr StringLiteralRow kRows[] = {
    {.cliName = "c",
     .header = "static {const}{type} {name}[] = \"\\\r\n",
     .lineBreak = "\\\r\n",
     .closing = "\";",
     .numeric = NumericEscape::ShortestOctal,
     .octalDigits = "01234567",
     .namedEscapes = kControlEscapes,
     .backslashed = "\"\\?",
     .length = LengthLine::Always,
     .join = LineJoin::Continued},
    {.cliName = "asm",
     .header = "{name}\tdb `",
     .lineBreak = "`\r\n\tdb `",
     .closing = "`",
     .namedEscapes = kControlEscapes,
     .backslashed = "`\\"},
    {.cliName = "rust",
     .header = "{allow}static {name}: [u8; {count}] = *b\"\\\r\n    ",
     .lineBreak = "\\\r\n    ",
     .closing = "\";",
     .namedEscapes = kControlEscapes,
     .backslashed = "\"\\",
     .blanks = BlankAtLineStart::Escaped,
     .join = LineJoin::Continued},
    {.cliName = "go",
     .header = "var {name} = []byte(\r\n\t\"",
     .lineBreak = "\" +\r\n\t\"",
     .closing = "\")",
     .namedEscapes = kControlEscapes,
     .backslashed = "\"\\",
     .join = LineJoin::BalancedGroups},
    {.cliName = "python",
     .header = "{name} = (\r\n    b\"",
     .lineBreak = "\"\r\n    b\"",
     .closing = "\"\r\n)",
     .namedEscapes = kControlEscapes,
     .backslashed = "\"\\"},
    {.cliName = "gas",
     .header = "{name}:\r\n\t.ascii \"",
     .lineBreak = "\"\r\n\t.ascii \"",
     .closing = "\"",
     .numeric = NumericEscape::ShortestOctal,
     // The GNU assembler reads 8 and 9 as octal digits too.
     .octalDigits = "0123456789",
     .namedEscapes = kControlEscapes,
     .backslashed = "\"\\"},
};

struct Refusal {
    std::string_view cliName{};
    std::string_view reason{};
};

constexpr Refusal kRefusals[] = {
    {"delphi", "Delphi has no literal for an array of bytes"},
    {"datastr", "Data Str prints its bytes as text already"},
    {"csharp", "C# has no byte-string literal Mono's compiler reads"},
    {"java", "Java's strings hold UTF-16 characters, not bytes"},
    {"javascript", "JavaScript's strings hold UTF-16 characters, not bytes"},
};

const StringLiteralRow* findRow(std::string_view cliName) {
    for (const StringLiteralRow& row : kRows) {
        if (row.cliName == cliName) return &row;
    }
    return nullptr;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isPrintable(std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F; }

// The longest escape of one byte: a backslash and three digits, or \x and two.
constexpr std::size_t kLongestSpelling = 4;

// Text is handed to the output in blocks about this large.
constexpr std::size_t kFlushLength = 1 << 14;

[[nodiscard]] bool flush(std::string& text, TextOutput& output) {
    if (text.empty()) return true;
    char* const at = output.reserve(text.size());
    if (at == nullptr) return false;
    std::memcpy(at, text.data(), text.size());
    output.commit(at + text.size(), CursorMove::Follow);
    text.clear();
    return true;
}

}  // namespace

std::optional<std::string_view> stringLiteralRefusal(const typed::LanguageRow& language) {
    if (findRow(language.cliName) != nullptr) return std::nullopt;
    for (const Refusal& refusal : kRefusals) {
        if (refusal.cliName == language.cliName) return refusal.reason;
    }
    return "the language has no string literal for bytes";
}

StringLiteralTable::StringLiteralTable(const typed::LanguageRow& language, const StringLiteralOptions& options)
    : row_(*findRow(language.cliName)),
      count_(options.tableSize),
      perLine_(std::max<std::uint32_t>(options.bytesPerLine, 1)) {
    const typed::Declaration& declaration = options.declaration;
    const std::string count = std::to_string(count_);
    const auto with =
        typed::templateValues(language, declaration,
                              typed::typeNamesOf(language, declaration)[typed::indexOf(typed::ElementType::U8)], count);
    std::string closing(row_.closing);
    if (row_.length == LengthLine::Always || declaration.countConstant == typed::CountConstant::After) {
        closing += language.lengthLine;
    }
    header_ = typed::withLineBreaks(typed::filledTemplate(row_.header, with), declaration.lineBreaks);
    lineBreak_ = typed::withLineBreaks(std::string(row_.lineBreak), declaration.lineBreaks);
    closing_ = typed::withLineBreaks(typed::filledTemplate(closing, with), declaration.lineBreaks);
    if (row_.join == LineJoin::BalancedGroups && count_ > 0) {
        lines_ = (count_ - 1) / perLine_ + 1;
        header_.insert(header_.size() - 1, groupsAt(0).opening, '(');
        closing_.insert(1, groupsAt(lines_ - 1).closing, ')');
        for (std::uint32_t lines = lines_; lines > 1; lines = (lines + 1) / 2) ++deepest_;
    }
}

StringLiteralTable::Groups StringLiteralTable::groupsAt(std::uint32_t line) const {
    // The halves of the halves: a group is a range of two or more lines.
    Groups groups;
    std::uint32_t first = 0;
    std::uint32_t end = lines_;
    while (end - first > 1) {
        if (line == first) ++groups.opening;
        if (line == end - 1) ++groups.closing;
        const std::uint32_t middle = first + (end - first) / 2;
        (line < middle ? end : first) = middle;
    }
    return groups;
}

void StringLiteralTable::appendLineBreak(std::string& text, std::uint32_t line) const {
    if (row_.join != LineJoin::BalancedGroups) {
        text += lineBreak_;
        return;
    }
    text += lineBreak_.front();
    text.append(groupsAt(line).closing, ')');
    text.append(lineBreak_, 1, lineBreak_.size() - 2);
    text.append(groupsAt(line + 1).opening, '(');
    text += lineBreak_.back();
}

TablePiece StringLiteralTable::clamped(TablePiece piece) const {
    piece.first = std::min(piece.first, count_);
    piece.count = std::min(piece.count, count_ - piece.first);
    return piece;
}

bool StringLiteralTable::followedInLiteral(std::uint32_t index) const {
    if (index + 1 >= count_) return false;
    return row_.join == LineJoin::Continued || (index + 1) % perLine_ != 0;
}

std::uint32_t StringLiteralTable::itemsPerPiece(std::size_t capacity) const {
    const std::size_t fixed = header_.size() + closing_.size();
    if (capacity <= fixed) return 0;
    const std::size_t room = capacity - fixed;
    // A line break closes and opens at most the deepest nesting's groups.
    const std::size_t lineBreak = lineBreak_.size() + 2 * std::size_t{deepest_};
    const std::size_t lineLength = std::size_t{perLine_} * kLongestSpelling + lineBreak;
    const std::size_t bytes = room >= lineLength ? room / lineLength * perLine_ : room / (kLongestSpelling + lineBreak);
    return static_cast<std::uint32_t>(std::min<std::size_t>(bytes, 0xFFFFFFFFu));
}

typed::ByteStretch StringLiteralTable::stretchOf(TablePiece piece) const {
    piece = clamped(piece);
    const bool lookahead = piece.count > 0 && followedInLiteral(piece.first + piece.count - 1);
    return {piece.first, piece.count + (lookahead ? 1u : 0u)};
}

void StringLiteralTable::spell(std::string& text, std::uint8_t byte, std::optional<std::uint8_t> next,
                               bool lineStart) const {
    const bool blankEscaped = byte == ' ' && lineStart && row_.blanks == BlankAtLineStart::Escaped;
    if (isPrintable(byte) && !blankEscaped) {
        if (row_.backslashed.find(static_cast<char>(byte)) != std::string_view::npos) text += '\\';
        text += static_cast<char>(byte);
        return;
    }
    for (std::size_t k = 0; k + 1 < row_.namedEscapes.size(); k += 2) {
        if (row_.namedEscapes[k] == static_cast<char>(byte)) {
            text += '\\';
            text += row_.namedEscapes[k + 1];
            return;
        }
    }
    text += '\\';
    if (row_.numeric == NumericEscape::TwoHexDigits) {
        text += 'x';
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0xF];
        return;
    }
    // A digit that follows would extend a short escape: then all three.
    const bool full = next.has_value() && row_.octalDigits.find(static_cast<char>(*next)) != std::string_view::npos;
    if (full || byte >= 0100) text += static_cast<char>('0' + (byte >> 6));
    if (full || byte >= 010) text += static_cast<char>('0' + ((byte >> 3) & 7));
    text += static_cast<char>('0' + (byte & 7));
}

WalkOutcome StringLiteralTable::printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                           TextOutput& output) const {
    piece = clamped(piece);
    if (piece.count == 0) return WalkOutcome::Complete;
    if (bytes.size() < stretchOf(piece).length) return WalkOutcome::ReadFailed;
    std::string text;
    text.reserve(kFlushLength + 256);
    if (piece.first == 0) text += header_;
    for (std::uint32_t k = 0; k < piece.count; ++k) {
        const std::uint32_t index = piece.first + k;
        const std::optional<std::uint8_t> next =
            followedInLiteral(index) ? std::optional<std::uint8_t>(bytes[k + 1]) : std::nullopt;
        spell(text, bytes[k], next, index % perLine_ == 0);
        if (index + 1 == count_) {
            text += closing_;
        } else if ((index + 1) % perLine_ == 0) {
            appendLineBreak(text, index / perLine_);
        }
        if (text.size() >= kFlushLength && !flush(text, output)) return WalkOutcome::BufferExhausted;
    }
    return flush(text, output) ? WalkOutcome::Complete : WalkOutcome::BufferExhausted;
}

std::string StringLiteralTable::print(std::span<const std::uint8_t> table) const {
    StringTextOutput output;
    static_cast<void>(printPiece(table, {0, count_}, output));
    return output.take();
}

}  // namespace zemrik::forms
