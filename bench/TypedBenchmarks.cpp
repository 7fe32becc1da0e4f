// The typed walk beside the dialog's: each typed form printed into one reused
// bounded buffer, piece after piece, as zemrik-cli streams it. Throughput is
// per output byte, to compare with renderPieces/C/byte/hex.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/PieceBuffer.h"
#include "typed/TypedWalk.h"

namespace zemrik::bench {
namespace {

struct TypedCase {
    const char* language;
    typed::ElementType type;
    Notation notation;
    const char* record = nullptr;  // --record's text, or none
};

constexpr std::size_t kPieceCapacity = 1 << 20;
constexpr std::uint32_t kPieceElements = 1 << 14;

void measureTyped(benchmark::State& state, TypedCase typedCase) {
    const auto bytes = randomBytes(kTableBytes);
    typed::TypedOptions options;
    options.type = typedCase.type;
    options.notation = typedCase.notation;
    options.tableSize = static_cast<std::uint32_t>(kTableBytes);
    options.itemsPerLine = kItemsPerLine;
    std::optional<typed::RecordSpec> record;
    if (typedCase.record != nullptr) {
        record = *typed::parseRecordSpec(typedCase.record);
        options.record = &*record;
    }
    if (!typed::checkTypedOptions(*typed::findLanguageRow(typedCase.language), options)) {
        state.SkipWithError("the table does not fit the case");
        return;
    }
    const typed::TypedTable table(*typed::findLanguageRow(typedCase.language), options);
    std::vector<char> storage(kPieceCapacity);
    PieceBuffer buffer(storage.data(), storage.size());
    std::size_t textLength = 0;
    for (auto _ : state) {
        textLength = 0;
        for (std::uint32_t first = 0; first < table.printedCount(); first += kPieceElements) {
            buffer.clear();
            const TablePiece piece{first, std::min(kPieceElements, table.printedCount() - first)};
            const typed::ByteStretch stretch = table.stretchOf(piece);
            if (table.printPiece(std::span(bytes).subspan(stretch.offset, stretch.length), piece, buffer) !=
                WalkOutcome::Complete) {
                state.SkipWithError("piece did not complete");
                return;
            }
            textLength += buffer.text().size();
            benchmark::DoNotOptimize(storage.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * textLength));
}

}  // namespace

void registerTypedBenchmarks() {
    using typed::ElementType;
    const std::pair<const char*, TypedCase> cases[] = {
        {"typed/c/u8/hex", {"c", ElementType::U8, Notation::Hex}},
        {"typed/c/u8/dec", {"c", ElementType::U8, Notation::Decimal}},
        {"typed/c/u32/hex", {"c", ElementType::U32, Notation::Hex}},
        {"typed/c/u64/hex", {"c", ElementType::U64, Notation::Hex}},
        {"typed/c/i16/dec", {"c", ElementType::I16, Notation::Decimal}},
        {"typed/c/i64/dec", {"c", ElementType::I64, Notation::Decimal}},
        {"typed/c/f32", {"c", ElementType::F32, Notation::Hex}},
        {"typed/c/f64", {"c", ElementType::F64, Notation::Hex}},
        {"typed/asm/u8/hex", {"asm", ElementType::U8, Notation::Hex}},
        {"typed/rust/u16/hex", {"rust", ElementType::U16, Notation::Hex}},
        {"typed/datastr/u8", {"datastr", ElementType::U8, Notation::Hex}},
        // 16 bytes: {u16 id; u16 pad; u32 offset; f32 scale; i32 delta}
        {"typed/c/record", {"c", ElementType::U8, Notation::Hex, "id:u16,_:u16,offset:u32,scale:f32,delta:i32"}},
    };
    for (const auto& [name, typedCase] : cases) {
        benchmark::RegisterBenchmark(name, measureTyped, typedCase)->Unit(benchmark::kMillisecond);
    }
}

}  // namespace zemrik::bench
