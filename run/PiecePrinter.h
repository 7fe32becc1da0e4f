// PiecePrinter: a table printed piece by piece from the piece's own bytes, the
// interface the streamed walk (StreamedWalk.h) prints through; the dialog's
// style rows and the typed tables each fit it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "core/OutputStyle.h"
#include "core/TableWalk.h"
#include "core/TextOutput.h"
#include "forms/StringLiteral.h"
#include "typed/TypedWalk.h"

namespace zemrik {

using typed::ByteStretch;

// One table, worked out once, printed in any piece: which of the table's
// bytes a piece needs, and the piece's text from those bytes. Pieces printed
// apart and joined give the whole table's text. Shared by the printing
// threads, so every call is const.
class PiecePrinter {
public:
    virtual ~PiecePrinter() = default;

    // Items printed: the pieces count these.
    virtual std::uint32_t printedCount() const = 0;
    // The most items a piece may hold so that its text never needs more than
    // `capacity` characters; 0 when not even one fits.
    virtual std::uint32_t elementsPerPiece(std::size_t capacity) const = 0;
    // Where `piece`'s bytes lie, from the table's first byte.
    virtual ByteStretch stretchOf(TablePiece piece) const = 0;
    // Prints `piece` from `bytes`, the stretch stretchOf(piece) names.
    [[nodiscard]] virtual WalkOutcome printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                                 TextOutput& output) const = 0;
    // The layout whose percentages the run reports as the pieces are written.
    virtual TableLayout progressLayout() const = 0;
};

// The dialog's walk (core/TableWalk.h) over a style row.
class StylePiecePrinter : public PiecePrinter {
public:
    StylePiecePrinter(const TableLayout& layout, const OutputStyle& style) : layout_(layout), style_(style) {}

    std::uint32_t printedCount() const override { return zemrik::printedCount(layout_); }
    std::uint32_t elementsPerPiece(std::size_t capacity) const override {
        return zemrik::elementsPerPiece(layout_, style_, capacity);
    }
    ByteStretch stretchOf(TablePiece piece) const override;
    [[nodiscard]] WalkOutcome printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                         TextOutput& output) const override;
    TableLayout progressLayout() const override { return layout_; }

private:
    TableLayout layout_;
    const OutputStyle& style_;
};

// A printer that hands each call to a table printing its own pieces (the
// typed walk, the string literal): only how progress counts differs.
template <typename Table>
class TablePiecePrinter : public PiecePrinter {
public:
    explicit TablePiecePrinter(Table table) : table_(std::move(table)) {}

    std::uint32_t printedCount() const override { return table_.printedCount(); }
    std::uint32_t elementsPerPiece(std::size_t capacity) const override { return table_.itemsPerPiece(capacity); }
    ByteStretch stretchOf(TablePiece piece) const override { return table_.stretchOf(piece); }
    [[nodiscard]] WalkOutcome printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                         TextOutput& output) const override {
        return table_.printPiece(bytes, piece, output);
    }

protected:
    Table table_;
};

// The typed walk (typed/TypedWalk.h) over a language row.
class TypedPiecePrinter : public TablePiecePrinter<typed::TypedTable> {
public:
    TypedPiecePrinter(const typed::LanguageRow& row, const typed::TypedOptions& options);
    TableLayout progressLayout() const override;

private:
    bool reversed_;  // bytes printed last to first
};

// A byte table as the language's string literal (forms/StringLiteral.h).
class StringLiteralPiecePrinter : public TablePiecePrinter<forms::StringLiteralTable> {
public:
    StringLiteralPiecePrinter(const typed::LanguageRow& row, const typed::TypedOptions& options);
    TableLayout progressLayout() const override;
};

// A declaration the compiler fills from the file itself (forms/Embed.h): one
// item, which reads none of the table's bytes.
class EmbedPiecePrinter : public PiecePrinter {
public:
    EmbedPiecePrinter(const typed::LanguageRow& row, const typed::TypedOptions& options, std::string_view path,
                      std::uint32_t fileOffset);

    std::uint32_t printedCount() const override { return 1; }
    std::uint32_t elementsPerPiece(std::size_t capacity) const override;
    ByteStretch stretchOf(TablePiece) const override { return {}; }
    // InvalidStyle when the language can't write the path.
    [[nodiscard]] WalkOutcome printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                         TextOutput& output) const override;
    TableLayout progressLayout() const override;

private:
    Expected<std::string, std::string> declaration_;
};

}  // namespace zemrik
