// The dialog's lists as enums: the output languages and the element sizes,
// with the byte count of each element size; ByteOrder comes along from base/.
#pragma once

#include <cstdint>

#include "base/ByteOrder.h"

namespace zemrik {

// The order of the Language list.
enum class Language : std::uint8_t { C = 0, Asm = 1, Delphi = 2, DataStr = 3 };

// Bytes of one table element, from the Items list's "Bytes", "Words", "Dwords".
enum class ElementSize : std::uint8_t { Byte = 1, Word = 2, Dword = 4 };

constexpr std::uint32_t byteCount(ElementSize size) { return static_cast<std::uint32_t>(size); }

}  // namespace zemrik
