// The string-literal form (--string-literal): a byte table printed as the
// language's string or byte-string literal, which compilers read many times
// faster than an array of numbers. Prints any piece of the table from that
// piece's bytes, like the typed walk, so that it streams the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/TableWalk.h"
#include "core/TextOutput.h"
#include "typed/LanguageRow.h"
#include "typed/TypedWalk.h"

namespace zemrik::forms {

struct StringLiteralRow;

// What the literal is declared with: the typed walk's name, type naming,
// read-only choice and line breaks. The table's length constant is printed
// whenever the language has one: C++ declares the array one longer than the
// table, for the literal's terminating NUL.
struct StringLiteralOptions {
    std::uint32_t tableSize = 0;
    std::uint32_t bytesPerLine = 1;
    typed::Declaration declaration{};
};

// Why the language has no string-literal form, or nothing when it has one.
std::optional<std::string_view> stringLiteralRefusal(const typed::LanguageRow& language);

class StringLiteralTable {
public:
    // The language must have the form (stringLiteralRefusal gives nothing).
    StringLiteralTable(const typed::LanguageRow& language, const StringLiteralOptions& options);

    std::uint32_t printedCount() const { return count_; }
    // The most bytes a piece may hold so that its text never needs more than
    // `capacity` characters: whole lines where one fits; 0 when not even one
    // byte does.
    std::uint32_t itemsPerPiece(std::size_t capacity) const;
    // The bytes a piece is printed from: its own and, where an escape's
    // length depends on what follows it, the next one in the same literal.
    typed::ByteStretch stretchOf(TablePiece piece) const;

    // Prints `piece` from `bytes`, the stretch stretchOf(piece) names, exactly
    // as that stretch of the whole table prints.
    [[nodiscard]] WalkOutcome printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                         TextOutput& output) const;

    std::string print(std::span<const std::uint8_t> table) const;

private:
    TablePiece clamped(TablePiece piece) const;
    bool followedInLiteral(std::uint32_t index) const;
    void spell(std::string& text, std::uint8_t byte, std::optional<std::uint8_t> next, bool lineStart) const;
    // The groups of lines that open at a line and close after it.
    struct Groups {
        std::uint32_t opening = 0;
        std::uint32_t closing = 0;
    };
    Groups groupsAt(std::uint32_t line) const;
    void appendLineBreak(std::string& text, std::uint32_t line) const;

    const StringLiteralRow& row_;
    std::uint32_t count_;
    std::uint32_t perLine_;
    std::uint32_t lines_ = 0;    // with groups only
    std::uint32_t deepest_ = 0;  // groups around one line, at most
    std::string header_;
    std::string lineBreak_;
    std::string closing_;
};

}  // namespace zemrik::forms
