// What the fuzz harnesses share: an input carved into fields, exactly-sized
// storage for AddressSanitizer, and a progress checker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/OutputBuffer.h"
#include "core/TableWalk.h"

namespace zemrik::fuzz {

// Stops the fuzzer with a readable reason; libFuzzer saves the input.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

// Carves a fuzz input into small fields; past the end every field reads as 0
// or empty, so any input is a valid one.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }

    std::uint32_t u32() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{byte()} << shift;
        return value;
    }

    // A length byte (kept below `limit`) and that many characters.
    std::string shortText(std::size_t limit) {
        const std::size_t length = byte() % limit;
        std::string text;
        while (text.size() < length && position_ < size_) text += static_cast<char>(data_[position_++]);
        return text;
    }

    std::vector<std::uint8_t> rest(std::size_t limit) {
        const std::size_t length = std::min(size_ - position_, limit);
        std::vector<std::uint8_t> bytes(data_ + position_, data_ + position_ + length);
        position_ += length;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Zero-filled heap storage of exactly the size asked for, so AddressSanitizer
// reports the first byte written or read past it. A std::vector would hide
// such a write in its spare capacity.
class ExactStorage : public BufferGrowth {
public:
    explicit ExactStorage(std::size_t capacity) : data_(new char[capacity]()), capacity_(capacity) {}
    ExactStorage(const ExactStorage&) = delete;
    ExactStorage& operator=(const ExactStorage&) = delete;
    ~ExactStorage() override { delete[] data_; }

    char* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }
    int growths() const { return growths_; }

    // Moves the text into a new exactly-sized block and frees the old one, so
    // a buffer that keeps using the old storage is caught as use-after-free.
    char* grow(std::size_t newCapacity) override {
        check(newCapacity > capacity_, "growth asked for no more room");
        char* larger = new char[newCapacity]();
        std::memcpy(larger, data_, capacity_);
        delete[] data_;
        data_ = larger;
        capacity_ = newCapacity;
        ++growths_;
        return data_;
    }

private:
    char* data_;
    std::size_t capacity_;
    int growths_ = 0;
};

// Checks the percentages a walk reports: rising, never above 100.
class CheckedProgress : public ProgressSink {
public:
    void reportProgress(std::uint32_t percent) override {
        check(percent <= 100, "progress above 100%");
        check(reports.empty() || percent > reports.back(), "progress did not rise");
        reports.push_back(percent);
    }

    std::vector<std::uint32_t> reports;
};

}  // namespace zemrik::fuzz
