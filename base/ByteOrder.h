// ByteOrder: how a word's bytes lie in memory or a file, for the table's
// elements and an image's fields alike.
#pragma once

#include <cstdint>

namespace zemrik {

// Least significant byte first, or most.
enum class ByteOrder : std::uint8_t { LittleEndian, BigEndian };

}  // namespace zemrik
