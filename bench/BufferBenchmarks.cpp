#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "core/OutputEstimate.h"
#include "platform/File.h"
#include "platform/FileMapping.h"
#include "platform/ZeroedMemory.h"

namespace zemrik::bench {
namespace {

constexpr std::size_t kPage = 4096;

// C bytes hex, 12 a line: the row the whole-program comparison uses.
std::uint32_t estimateFor(std::uint32_t tableSize) {
    return *estimateOutputSize(tableSize, ElementSize::Byte, kItemsPerLine,
                               styleRow(Language::C, StyleColumn::ByteHex));
}

// A walk writes every page of its buffer once; one store a page pays for
// the faults alone.
void touchPages(char* data, std::size_t size) {
    for (std::size_t at = 0; at < size; at += kPage) data[at] = 'x';
    benchmark::ClobberMemory();
}

void measureEstimate(benchmark::State& state) {
    const OutputStyle& style = styleRow(Language::Delphi, StyleColumn::WordDec);
    std::uint32_t tableSize = 2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(estimateOutputSize(tableSize, ElementSize::Word, kItemsPerLine, style));
        tableSize += 2;
    }
}

// Anonymous zeroed memory at the estimate for state.range(0) table bytes,
// every page faulted in, then released.
void measureMemoryBuffer(benchmark::State& state) {
    const std::uint32_t estimate = estimateFor(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        auto memory = platform::ZeroedMemory::allocate(estimate);
        if (!memory) {
            state.SkipWithError("no memory");
            return;
        }
        touchPages(memory->data(), memory->size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * estimate));
}

// The dump-to-file buffer: a file created anew, lengthened by its mapping,
// a shared view with every page faulted in, then cut to nothing.
void measureResultFileBuffer(benchmark::State& state) {
    const std::uint32_t estimate = estimateFor(static_cast<std::uint32_t>(state.range(0)));
    const std::string path = "/tmp/zemrik_bench_result_" + std::to_string(::getpid()) + ".txt";
    for (auto _ : state) {
        auto file = platform::File::createReadWrite(path);
        if (!file) {
            state.SkipWithError("no result file");
            break;
        }
        auto mapping = platform::FileMapping::create(*file, platform::MappingAccess::ReadWrite, estimate, "");
        if (!mapping) {
            state.SkipWithError("no mapping of the result file");
            break;
        }
        auto view = platform::MappedView::map(*mapping);
        if (!view) {
            state.SkipWithError("no view of the result file");
            break;
        }
        touchPages(reinterpret_cast<char*>(view->data()), view->size());
        view->unmap();
        mapping->close();
        if (!file->truncate(0)) {
            state.SkipWithError("cannot cut the result file");
            break;
        }
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * estimate));
}

}  // namespace

void registerBufferBenchmarks() {
    benchmark::RegisterBenchmark("estimateOutputSize", measureEstimate);
    benchmark::RegisterBenchmark("prepareBuffer/memory", measureMemoryBuffer)
        ->Arg(1 << 20)
        ->Arg(64 << 20)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("prepareBuffer/resultFile", measureResultFileBuffer)
        ->Arg(1 << 20)
        ->Arg(64 << 20)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace zemrik::bench
