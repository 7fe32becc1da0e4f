#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/OutputBuffer.h"
#include "core/OutputEstimate.h"
#include "core/TableWalk.h"
#include "platform/ZeroedMemory.h"

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
}

}  // namespace zemrik::bench
