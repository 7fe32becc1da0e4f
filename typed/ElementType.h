// The element types zemrik-cli reads a table as: unsigned and signed integers
// of 1 to 8 bytes and IEEE binary floats, with their names on the command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/Language.h"

namespace zemrik::typed {

enum class ElementType : std::uint8_t { U8, U16, U32, U64, I8, I16, I32, I64, F32, F64 };
inline constexpr std::size_t kElementTypeCount = 10;

enum class ValueKind : std::uint8_t { Unsigned, Signed, Float };

constexpr std::size_t indexOf(ElementType type) { return static_cast<std::size_t>(type); }

constexpr std::uint32_t byteWidth(ElementType type) {
    constexpr std::uint32_t kWidths[kElementTypeCount] = {1, 2, 4, 8, 1, 2, 4, 8, 4, 8};
    return kWidths[indexOf(type)];
}

constexpr ValueKind kindOf(ElementType type) {
    if (type >= ElementType::F32) return ValueKind::Float;
    return type >= ElementType::I8 ? ValueKind::Signed : ValueKind::Unsigned;
}

// -i's names, in any case: the type names and the dialog's bytes, words and
// dwords with qwords, which are u8, u16, u32 and u64.
std::optional<ElementType> parseElementType(std::string_view name);

// The type name -i takes for it ("u16").
std::string_view typeName(ElementType type);

// The unsigned type of the dialog's element size.
constexpr ElementType unsignedOfSize(ElementSize size) {
    switch (size) {
    case ElementSize::Word: return ElementType::U16;
    case ElementSize::Dword: return ElementType::U32;
    case ElementSize::Byte: break;
    }
    return ElementType::U8;
}

// The element's bytes as a number of its width, zero-extended: the bit
// pattern the literal is printed from.
inline std::uint64_t loadBits(const std::uint8_t* bytes, std::uint32_t width, ByteOrder order) {
    std::uint64_t bits = 0;
    for (std::uint32_t k = 0; k < width; ++k) {
        bits = bits << 8 | bytes[order == ByteOrder::BigEndian ? k : width - 1 - k];
    }
    return bits;
}

}  // namespace zemrik::typed
