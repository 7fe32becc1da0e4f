// What the benchmarks share: the table they print, an in-memory source and the
// style rows they measure, with their names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/ByteSource.h"
#include "core/Language.h"
#include "core/OutputStyle.h"
#include "core/TableWalk.h"

namespace zemrik::bench {

// The table the walk benchmarks print: big enough that a walk's fixed costs
// vanish, small enough that its text stays near the caches.
constexpr std::size_t kTableBytes = 1 << 20;
constexpr std::uint8_t kItemsPerLine = 12;

// Random bytes from a fixed seed, so every run prints the same text.
std::vector<std::uint8_t> randomBytes(std::size_t count);

// A table held in memory, served like the input file.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    bool seek(std::uint32_t offset) override {
        position_ = offset;
        return true;
    }
    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        const std::size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const std::size_t count = length < available ? length : available;
        std::memcpy(destination, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t position_ = 0;
};

class DiscardProgress : public ProgressSink {
public:
    void reportProgress(std::uint32_t) override {}
};

// One row of the style table with the names its benchmarks carry.
struct StyleCase {
    Language language;
    StyleColumn column;
    std::string name;  // e.g. "C/byte/hex"
};

// Every distinct row: three languages x six columns, and Data Str once.
std::vector<StyleCase> styleCases();

}  // namespace zemrik::bench
