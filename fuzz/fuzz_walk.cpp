// Input: language, element size, decimal, big-endian and items per line in
// the first bytes, then the table. The walk the run would choose prints into
// a buffer of exactly the run's estimated size, grown into new exactly-sized
// blocks, and must print what the plain snprintf walk prints. The same
// table printed as two pieces, cut where the flags byte's upper bits say,
// must join into that text too.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/OutputBuffer.h"
#include "core/OutputStyle.h"
#include "core/PieceBuffer.h"
#include "core/TableWalk.h"
#include "core/tests/TestSupport.h"
#include "fuzz/FuzzSupport.h"

namespace {

using zemrik::fuzz::check;

constexpr std::size_t kLargestTable = 4096;

struct WalkCase {
    zemrik::TableLayout layout;
    zemrik::Notation notation = zemrik::Notation::Hex;
    std::uint8_t cutSixtyFourths = 0;  // where the pieces part, in 64ths of the table
    std::vector<std::uint8_t> table;
};

WalkCase readCase(const std::uint8_t* data, std::size_t size) {
    zemrik::fuzz::InputReader input(data, size);
    WalkCase walkCase;
    zemrik::TableLayout& layout = walkCase.layout;
    layout.language = static_cast<zemrik::Language>(input.byte() % 4);
    static constexpr zemrik::ElementSize kSizes[] = {zemrik::ElementSize::Byte, zemrik::ElementSize::Word,
                                                     zemrik::ElementSize::Dword};
    layout.elementSize = kSizes[input.byte() % 3];
    const std::uint8_t flags = input.byte();
    walkCase.notation = (flags & 1) != 0 ? zemrik::Notation::Decimal : zemrik::Notation::Hex;
    layout.bigEndian = (flags & 2) != 0;
    walkCase.cutSixtyFourths = static_cast<std::uint8_t>(flags >> 2);
    layout.itemsPerLine = static_cast<std::uint8_t>(input.byte() % 255 + 1);
    // Data Str prints bytes whatever the Items list says, as the request makes it.
    if (layout.language == zemrik::Language::DataStr) layout.elementSize = zemrik::ElementSize::Byte;
    walkCase.table = input.rest(kLargestTable);
    walkCase.table.resize(walkCase.table.size() / byteCount(layout.elementSize) * byteCount(layout.elementSize));
    layout.tableSize = static_cast<std::uint32_t>(walkCase.table.size());
    return walkCase;
}

void checkProgress(const std::vector<std::uint32_t>& reports, std::uint32_t count) {
    if (count == 1) {
        check(reports.size() <= 1 && (reports.empty() || reports[0] == 0), "one element reported progress");
    } else if (count == 2) {
        check(reports.size() == 1 && reports[0] == 0, "two elements must report 0% once");
    } else {
        check(!reports.empty() && reports.back() == 100, "progress did not end at 100%");
    }
}

// Prints pieces [0, cut) and [cut, count) one after the other through one
// bounded buffer on storage of exactly its capacity, as a streaming run does.
std::string renderInTwoPieces(const WalkCase& walkCase, const zemrik::OutputStyle& style, std::size_t capacity) {
    const zemrik::TableLayout& layout = walkCase.layout;
    const std::uint32_t count = zemrik::printedCount(layout);
    const auto cut = static_cast<std::uint32_t>(std::uint64_t{count} * walkCase.cutSixtyFourths / 64);
    const std::unique_ptr<char[]> storage(new char[capacity]);
    zemrik::PieceBuffer buffer(storage.get(), capacity);
    zemrik::fuzz::CheckedProgress progress;
    std::string text;
    for (const zemrik::TablePiece piece : {zemrik::TablePiece{0, cut}, zemrik::TablePiece{cut, count - cut}}) {
        zemrik::test::MemorySource source(walkCase.table);
        if (!zemrik::walksReversed(layout)) source.seek(piece.first * byteCount(layout.elementSize));
        buffer.clear();
        check(zemrik::render(layout, style, source, buffer, progress, piece) == zemrik::WalkOutcome::Complete,
              "a piece did not complete");
        text += buffer.text();
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WalkCase walkCase = readCase(data, size);
    const zemrik::TableLayout& layout = walkCase.layout;
    if (layout.tableSize == 0) return -1;
    const zemrik::OutputStyle& style =
        zemrik::styleRow(layout.language, zemrik::styleColumn(layout.elementSize, walkCase.notation));

    zemrik::fuzz::ExactStorage storage(zemrik::test::estimateFor(layout, style));
    zemrik::OutputBuffer buffer(storage.data(), storage.capacity(), &storage);
    zemrik::test::MemorySource source(walkCase.table);
    zemrik::fuzz::CheckedProgress progress;
    const bool reversed = layout.language == zemrik::Language::DataStr && layout.bigEndian;
    const zemrik::WalkOutcome outcome = reversed ? zemrik::renderReversed(layout, style, source, buffer, progress)
                                                 : zemrik::renderForward(layout, style, source, buffer, progress);
    check(outcome == zemrik::WalkOutcome::Complete, "walk did not complete");
    const std::string reference = zemrik::test::referenceRender(layout, style, walkCase.table);
    check(buffer.text() == reference, "walk text differs from the snprintf reference");
    // A line's worth of reservation beyond the text: the most a walk asks for ahead.
    check(renderInTwoPieces(walkCase, style, reference.size() + 255 * 16 + 64) == reference,
          "pieces joined differ from the whole table");
    const std::uint32_t count = reversed ? layout.tableSize : layout.tableSize / byteCount(layout.elementSize);
    checkProgress(progress.reports, count);
    // Only a Delphi byte-decimal table may outgrow the estimate.
    const bool mayGrow = layout.language == zemrik::Language::Delphi &&
                         layout.elementSize == zemrik::ElementSize::Byte &&
                         walkCase.notation == zemrik::Notation::Decimal;
    check(mayGrow || storage.growths() == 0, "a table outgrew its estimate");
    return 0;
}
