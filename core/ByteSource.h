// The interface a table walk reads the table's bytes through; the run serves
// the input file, the tests and benchmarks serve memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zemrik {

// Where a walk reads the table's bytes from: the input file in a run, memory
// in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual bool seek(std::uint32_t offset) = 0;
    // Reads up to `length` bytes at the current position and returns how many
    // were read; fewer means the end of the data or an error.
    virtual std::size_t read(std::uint8_t* destination, std::size_t length) = 0;
};

}  // namespace zemrik
