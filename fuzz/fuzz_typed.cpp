// Input: language row, element type, flags, items per line, cut point, then
// a --record text and a --dims text (each a length byte and its characters;
// empty: none), then the table. The record parser must refuse with a reason or
// accept; accepted shapes the table fits are printed whole into a buffer of
// exactly the text's size, and in pieces cut where the input says, which
// must join into the whole.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/PieceBuffer.h"
#include "fuzz/FuzzSupport.h"
#include "typed/RecordSpec.h"
#include "typed/TypedWalk.h"

namespace {

using zemrik::fuzz::check;
namespace typed = zemrik::typed;

constexpr std::size_t kLargestTable = 4096;

// Prints the pieces [0, cut), [cut, cut + step), ... through one buffer of
// exactly `capacity` characters: the longest piece's text fits it.
std::string printInPieces(const typed::TypedTable& table, const std::vector<std::uint8_t>& bytes, std::uint32_t step,
                          std::size_t capacity) {
    const std::unique_ptr<char[]> storage(new char[capacity]);
    std::string text;
    for (std::uint32_t first = 0; first < table.printedCount(); first += step) {
        zemrik::PieceBuffer buffer(storage.get(), capacity);
        const zemrik::TablePiece piece{first, step};
        const typed::ByteStretch stretch = table.stretchOf(piece);
        check(std::size_t{stretch.offset} + stretch.length <= bytes.size(), "a piece's stretch leaves the table");
        const std::span<const std::uint8_t> stretchBytes(bytes.data() + stretch.offset, stretch.length);
        check(table.printPiece(stretchBytes, piece, buffer) == zemrik::WalkOutcome::Complete,
              "a piece did not complete");
        text += buffer.text();
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zemrik::fuzz::InputReader input(data, size);
    const auto rows = typed::languageRows();
    const typed::LanguageRow& row = rows[input.byte() % rows.size()];
    typed::TypedOptions options;
    options.type = static_cast<typed::ElementType>(input.byte() % typed::kElementTypeCount);
    const std::uint8_t flags = input.byte();
    options.notation = (flags & 1) != 0 ? zemrik::Notation::Decimal : zemrik::Notation::Hex;
    options.order = (flags & 2) != 0 ? zemrik::ByteOrder::BigEndian : zemrik::ByteOrder::LittleEndian;
    options.declaration.lineBreaks = (flags & 4) != 0 ? typed::LineBreaks::Lf : typed::LineBreaks::CrLf;
    options.declaration.countConstant = (flags & 8) != 0 ? typed::CountConstant::After : typed::CountConstant::None;
    options.declaration.naming = (flags & 16) != 0 ? typed::TypeNaming::Fixed : typed::TypeNaming::Classic;
    options.declaration.readOnly = (flags & 32) != 0 ? typed::ReadOnly::Const : typed::ReadOnly::AsDeclared;
    options.itemsPerLine = static_cast<std::uint8_t>(input.byte() % 255 + 1);
    const std::uint32_t step = input.byte() % 16 + 1;

    std::optional<typed::RecordSpec> record;
    if (const std::string text = input.shortText(160); !text.empty()) {
        auto parsed = typed::parseRecordSpec(text);
        if (!parsed) {
            check(!parsed.error().empty(), "a refused --record text gave no reason");
            return 0;
        }
        record = std::move(*parsed);
        check(record->fields.size() <= typed::kMostRecordFields, "a record took more than 64 fields");
        options.record = &*record;
    }
    std::vector<std::uint32_t> dims;
    if (const std::string text = input.shortText(24); !text.empty()) {
        auto parsed = typed::parseDims(text);
        if (!parsed) {
            check(!parsed.error().empty(), "refused dims gave no reason");
            return 0;
        }
        dims = std::move(*parsed);
        options.dims = dims;
    }
    std::vector<std::uint8_t> bytes = input.rest(kLargestTable);
    // Cut the table to whole items, and to the dims' product where it holds that many.
    const std::uint64_t itemSize = record ? record->byteSize() : typed::byteWidth(options.type);
    std::uint64_t items = bytes.size() / itemSize;
    if (!dims.empty()) {
        std::uint64_t product = 1;
        for (const std::uint32_t extent : dims) product = std::min<std::uint64_t>(product * extent, kLargestTable + 1);
        if (product <= items) items = product;
    }
    bytes.resize(static_cast<std::size_t>(items * itemSize));
    options.tableSize = static_cast<std::uint32_t>(bytes.size());
    if (options.tableSize == 0) return -1;
    if (const auto fits = typed::checkTypedOptions(row, options); !fits) {
        check(!fits.error().empty(), "a refused shape gave no reason");
        return 0;
    }

    const typed::TypedTable table(row, options);
    const std::string whole = table.print(bytes);
    // Exactly the text's room: the walk must then stage what it writes.
    check(printInPieces(table, bytes, table.printedCount(), whole.size()) == whole,
          "the table printed into exact room differs");
    check(printInPieces(table, bytes, step, whole.size()) == whole, "pieces joined differ from the whole table");
    return 0;
}
