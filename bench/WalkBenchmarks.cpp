#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/OutputBuffer.h"
#include "core/OutputEstimate.h"
#include "core/PieceBuffer.h"
#include "core/TableWalk.h"
#include "platform/ZeroedMemory.h"
#include "run/StreamedWalk.h"

namespace zemrik::bench {
namespace {

using Walk = WalkOutcome (*)(const TableLayout&, const OutputStyle&, ByteSource&, TextOutput&, ProgressSink&);
constexpr Walk kForward = &renderForward;
constexpr Walk kReversed = &renderReversed;

TableLayout layoutFor(Language language, StyleColumn column, ByteOrder order) {
    TableLayout layout;
    layout.tableSize = static_cast<std::uint32_t>(kTableBytes);
    layout.elementSize = elementSizeOf(column);
    layout.language = language;
    layout.itemsPerLine = kItemsPerLine;
    layout.bigEndian = order == ByteOrder::BigEndian;
    return layout;
}

// The run's estimate plus one character per byte: Delphi byte decimal may
// outgrow the estimate, and a growth would be measured as walk time.
std::size_t capacityFor(const TableLayout& layout, const OutputStyle& style) {
    return std::size_t{*estimateOutputSize(layout.tableSize, layout.elementSize, layout.itemsPerLine, style)} +
           layout.tableSize;
}

// The walk alone: the buffer is reused, and zeroed again outside the timing.
void measureWalk(benchmark::State& state, Walk walk, TableLayout layout, const OutputStyle* style) {
    const auto bytes = randomBytes(kTableBytes);
    std::vector<char> storage(capacityFor(layout, *style), '\0');
    DiscardProgress progress;
    std::size_t textLength = 0;
    for (auto _ : state) {
        MemorySource source(bytes);
        OutputBuffer buffer(storage.data(), storage.size());
        if (walk(layout, *style, source, buffer, progress) != WalkOutcome::Complete) {
            state.SkipWithError("walk did not complete");
            return;
        }
        textLength = buffer.length();
        state.PauseTiming();
        std::memset(storage.data(), 0, textLength);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * textLength));
    state.counters["text_bytes"] = static_cast<double>(textLength);
}

// A run's whole use of memory: fresh zeroed pages at the estimate, the walk
// that faults them in, and the release.
void measureWalkIntoFreshMemory(benchmark::State& state, TableLayout layout, const OutputStyle* style) {
    const auto bytes = randomBytes(kTableBytes);
    DiscardProgress progress;
    std::size_t textLength = 0;
    for (auto _ : state) {
        auto memory = platform::ZeroedMemory::allocate(capacityFor(layout, *style));
        MemorySource source(bytes);
        OutputBuffer buffer(memory->data(), memory->size());
        if (renderForward(layout, *style, source, buffer, progress) != WalkOutcome::Complete) {
            state.SkipWithError("walk did not complete");
            return;
        }
        textLength = buffer.length();
        benchmark::DoNotOptimize(memory->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * textLength));
}

// zemrik-cli's walk on one thread: pieces of the streamed size printed one
// after another into one reused buffer, as if written out after each.
void measurePieces(benchmark::State& state, TableLayout layout, const OutputStyle* style) {
    const auto bytes = randomBytes(kTableBytes);
    const StreamLimits limits = defaultStreamLimits();
    const std::uint32_t perPiece = elementsPerPiece(layout, *style, limits.pieceCapacity);
    const std::uint32_t count = printedCount(layout);
    std::vector<char> storage(limits.pieceCapacity);
    PieceBuffer buffer(storage.data(), storage.size());
    DiscardProgress progress;
    std::size_t textLength = 0;
    for (auto _ : state) {
        textLength = 0;
        MemorySource source(bytes);
        for (std::uint32_t first = 0; first < count; first += perPiece) {
            buffer.clear();
            const TablePiece piece{first, std::min(perPiece, count - first)};
            if (render(layout, *style, source, buffer, progress, piece) != WalkOutcome::Complete) {
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

void registerWalkBenchmarks() {
    for (const StyleCase& styleCase : styleCases()) {
        const OutputStyle* style = &styleRow(styleCase.language, styleCase.column);
        benchmark::RegisterBenchmark(("renderForward/" + styleCase.name).c_str(), measureWalk, kForward,
                                     layoutFor(styleCase.language, styleCase.column, ByteOrder::LittleEndian), style)
            ->Unit(benchmark::kMillisecond);
    }
    const OutputStyle* dataStr = &styleRow(Language::DataStr, StyleColumn::ByteHex);
    benchmark::RegisterBenchmark("renderReversed/DataStr/byte/hex", measureWalk, kReversed,
                                 layoutFor(Language::DataStr, StyleColumn::ByteHex, ByteOrder::BigEndian), dataStr)
        ->Unit(benchmark::kMillisecond);
    const OutputStyle* cByteHex = &styleRow(Language::C, StyleColumn::ByteHex);
    benchmark::RegisterBenchmark("renderForward/freshMemory/C/byte/hex", measureWalkIntoFreshMemory,
                                 layoutFor(Language::C, StyleColumn::ByteHex, ByteOrder::LittleEndian), cByteHex)
        ->Unit(benchmark::kMillisecond);
    for (const StyleCase& styleCase : styleCases()) {
        benchmark::RegisterBenchmark(("renderPieces/" + styleCase.name).c_str(), measurePieces,
                                     layoutFor(styleCase.language, styleCase.column, ByteOrder::LittleEndian),
                                     &styleRow(styleCase.language, styleCase.column))
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace zemrik::bench
