// The typed walk: one generic walk that prints a table of any element type in
// any language row (LanguageRow.h), whole or in pieces that joined give the
// whole, so that typed tables stream like the dialog's.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/TableWalk.h"
#include "core/TextOutput.h"
#include "typed/Declaration.h"
#include "typed/ElementType.h"
#include "typed/LanguageRow.h"
#include "typed/RecordSpec.h"

namespace zemrik::typed {

// Whether a record table declares its record type, or one printed before it
// in the same output did.
enum class RecordDeclaration : std::uint8_t { Declared, Omitted };

struct TypedOptions {
    ElementType type = ElementType::U8;
    Notation notation = Notation::Hex;
    ByteOrder order = ByteOrder::LittleEndian;
    std::uint32_t tableSize = 0;  // bytes, a multiple of the type's width
    std::uint8_t itemsPerLine = 1;
    Declaration declaration;
    // --record: the table as back-to-back records (not owned; read only while
    // the table is made). Null: elements of `type`.
    const RecordSpec* record = nullptr;
    // The record type's name; empty: the row's own, made from the table's name.
    std::string_view recordName{};
    RecordDeclaration recordDeclaration = RecordDeclaration::Declared;
    // --dims: the extents, outermost first; empty: one dimension. Read only
    // while the table is made.
    std::span<const std::uint32_t> dims{};
};

// Why the options can't print through the row: the row refuses records or
// dimensions, or the table's size does not fit them (see checkShape).
[[nodiscard]] Expected<void, std::string> checkTypedOptions(const LanguageRow& row, const TypedOptions& options);

// Where a piece's bytes lie inside the table, for the caller to read them.
struct ByteStretch {
    std::uint32_t offset = 0;  // from the table's first byte
    std::uint32_t length = 0;
};

// A table's texts worked out once from its row and options; prints any
// piece of the table from that piece's bytes. Holds its texts, so it
// outlives neither the row nor needs the options after construction.
class TypedTable {
public:
    TypedTable(const LanguageRow& row, const TypedOptions& options);

    // Items printed: elements, records with --record, bytes when the row prints bytes.
    std::uint32_t printedCount() const { return count_; }
    // The bytes `piece` is printed from.
    ByteStretch stretchOf(TablePiece piece) const;
    // The most items a piece may hold so that its text, the header and the
    // closing included, never needs more than `capacity` characters; 0 when
    // not even one fits.
    std::uint32_t itemsPerPiece(std::size_t capacity) const;

    // Prints `piece` from `bytes`, the stretch stretchOf(piece) names, exactly
    // as that stretch of the whole table prints.
    [[nodiscard]] WalkOutcome printPiece(std::span<const std::uint8_t> bytes, TablePiece piece,
                                         TextOutput& output) const;

    // The whole table's text from all its bytes.
    std::string print(std::span<const std::uint8_t> table) const;

private:
    TablePiece clamped(TablePiece piece) const;
    // Writes the piece's elements from `k` up to `end` from `at` on, which has
    // room for elementBound_ characters each and the closing; returns the text's end.
    char* writeElements(char* at, std::span<const std::uint8_t> bytes, std::uint32_t first, std::uint32_t k,
                        std::uint32_t end) const;
    template <class Word>
    char* writeWords(char* at, std::span<const std::uint8_t> bytes, std::uint32_t first, std::uint32_t k,
                     std::uint32_t end) const;
    char* writeShaped(char* at, std::span<const std::uint8_t> bytes, std::uint32_t first, std::uint32_t k,
                      std::uint32_t end) const;
    char* writeRecord(char* at, const std::uint8_t* bytes) const;
    // Whether a line break follows the shaped table's item at `index`.
    bool endsLine(std::uint32_t index) const;
    template <class WriteOne>
    char* writeElementsWith(char* at, std::uint32_t first, std::uint32_t k, std::uint32_t end, WriteOne writeOne) const;

    const LanguageRow& row_;
    ElementType type_;
    Notation notation_;
    ByteOrder order_;
    bool reversed_;
    std::uint32_t width_;
    std::uint32_t count_;
    std::uint32_t perLine_;
    std::string header_;
    std::string separator_;
    std::string endOfLine_;  // what follows a line's last element: separator and line break, or the break alone
    std::string closing_;
    // The two, padded to a whole block when short (see putShort).
    std::string paddedSeparator_;
    std::string paddedEndOfLine_;
    std::size_t elementBound_ = 0;  // the most characters an element and what follows it take
    // Every value's text, prefix and literal, in slots of kSlotLength, with
    // their lengths: 8-bit tables, and long 16-bit ones, print by copying.
    std::string valueTexts_;
    std::vector<std::uint8_t> valueTextLengths_;
    // A record's fields as printed: what goes before and after each value.
    struct FieldPlan {
        ElementType type;
        std::uint32_t count;
        bool padding;
        std::string before;  // the separator from the field before, the label and an array's opening
        std::string after;   // an array's closing
    };
    std::vector<FieldPlan> fields_;
    std::string recordOpen_;
    std::string recordClose_;
    std::string arraySeparator_;
    LiteralForms scalarLiterals_;  // a field of one item's
    // --dims: the items in a run of each inner extent, outermost first, and
    // what opens and closes such a run.
    std::vector<std::uint32_t> runs_;
    std::string dimensionOpen_;
    std::string dimensionClose_;
    std::string innermostOpen_;
    std::string innermostClose_;
    std::uint32_t lineRun_ = 0;  // items from one line break after a run's close to the next
};

}  // namespace zemrik::typed
