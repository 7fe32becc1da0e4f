#include <benchmark/benchmark.h>

#include <random>

#include "bench/BenchSupport.h"

namespace zemrik::bench {

void registerWalkBenchmarks();
void registerFormatBenchmarks();
void registerBufferBenchmarks();
void registerTypedBenchmarks();

std::vector<std::uint8_t> randomBytes(std::size_t count) {
    std::mt19937 generator(20240501);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

std::vector<StyleCase> styleCases() {
    static const char* const languageNames[] = {"C", "Asm", "Delphi"};
    static const char* const columnNames[] = {"byte/hex", "byte/dec", "word/hex", "word/dec", "dword/hex", "dword/dec"};
    std::vector<StyleCase> cases;
    for (int language = 0; language < 3; ++language) {
        for (int column = 0; column < kStyleColumnCount; ++column) {
            cases.push_back({static_cast<Language>(language), static_cast<StyleColumn>(column),
                             std::string(languageNames[language]) + "/" + columnNames[column]});
        }
    }
    cases.push_back({Language::DataStr, StyleColumn::ByteHex, "DataStr/byte/hex"});
    return cases;
}

}  // namespace zemrik::bench

// Benchmarks are registered at run time, one per style row, so main is our own.
int main(int argc, char** argv) {
    zemrik::bench::registerWalkBenchmarks();
    zemrik::bench::registerFormatBenchmarks();
    zemrik::bench::registerBufferBenchmarks();
    zemrik::bench::registerTypedBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
