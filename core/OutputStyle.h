// The style table: for each language and element kind, the formats and texts a
// table is printed with.
#pragma once

#include <array>
#include <cstdint>

#include "core/Language.h"

namespace zemrik {

// How one language prints one kind of element; every character of a table
// comes from one of these rows.
struct OutputStyle {
    std::int32_t countAdjust;     // added to the count printed in the header
    std::int32_t elementWidth;    // least characters of a non-final element with its separator
    std::int32_t lineBreakWidth;  // characters of lineBreak
    const char* separator;
    const char* elementFormat;
    const char* headerFormat;  // printed with the adjusted count as "%d"
    const char* lineBreak;
    const char* lastFormat;
};

// Element size and hex/decimal: 0 byte hex, 1 byte dec, 2 word hex, 3 word dec,
// 4 dword hex, 5 dword dec.
enum class StyleColumn : std::uint8_t { ByteHex, ByteDec, WordHex, WordDec, DwordHex, DwordDec };

constexpr int kLanguageCount = 4;
constexpr int kStyleColumnCount = 6;

// 24 slots, language x 6 + column; the six DataStr slots share one row.
using StyleTable = std::array<const OutputStyle*, kLanguageCount * kStyleColumnCount>;
extern const StyleTable styleTable;

enum class Notation : std::uint8_t { Hex, Decimal };

constexpr StyleColumn styleColumn(ElementSize size, Notation notation) {
    const unsigned dec = notation == Notation::Decimal ? 1u : 0u;
    return static_cast<StyleColumn>(size == ElementSize::Byte ? dec : dec + byteCount(size));
}

// The element size a column prints.
constexpr ElementSize elementSizeOf(StyleColumn column) {
    switch (column) {
    case StyleColumn::WordHex:
    case StyleColumn::WordDec: return ElementSize::Word;
    case StyleColumn::DwordHex:
    case StyleColumn::DwordDec: return ElementSize::Dword;
    case StyleColumn::ByteHex:
    case StyleColumn::ByteDec: break;
    }
    return ElementSize::Byte;
}

constexpr int styleSlot(Language language, StyleColumn column) {
    return static_cast<int>(language) * kStyleColumnCount + static_cast<int>(column);
}

inline const OutputStyle& styleRow(Language language, StyleColumn column) {
    return *styleTable[static_cast<std::size_t>(styleSlot(language, column))];
}

}  // namespace zemrik
