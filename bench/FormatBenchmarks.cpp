#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/Format.h"

namespace zemrik::bench {
namespace {

constexpr std::size_t kValueCount = 4096;

// Random values no wider than the row's element, as a walk would pass them.
std::vector<std::uint32_t> valuesFor(StyleColumn column) {
    const auto bytes = randomBytes(kValueCount * 4);
    const std::uint32_t width = byteCount(elementSizeOf(column));
    std::vector<std::uint32_t> values(kValueCount);
    for (std::size_t i = 0; i < kValueCount; ++i) {
        std::uint32_t value = 0;
        for (std::uint32_t b = 0; b < width; ++b) value |= std::uint32_t{bytes[i * 4 + b]} << (8 * b);
        values[i] = value;
    }
    return values;
}

// The element format with its separator, as the walks print every element
// but the last.
void measureFormat(benchmark::State& state, StyleColumn column, const OutputStyle* style) {
    const auto format = CompiledFormat::compile(std::string(style->elementFormat) + style->separator);
    if (!format) {
        state.SkipWithError("format did not compile");
        return;
    }
    const auto values = valuesFor(column);
    std::vector<char> out(format->maxLength() * kValueCount);
    std::size_t printed = 0;
    for (auto _ : state) {
        char* p = out.data();
        for (const std::uint32_t value : values) p += format->write(p, value);
        printed = static_cast<std::size_t>(p - out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * printed));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kValueCount));
}

}  // namespace

void registerFormatBenchmarks() {
    for (const StyleCase& styleCase : styleCases()) {
        benchmark::RegisterBenchmark(("CompiledFormat/" + styleCase.name).c_str(), measureFormat, styleCase.column,
                                     &styleRow(styleCase.language, styleCase.column));
    }
}

}  // namespace zemrik::bench
