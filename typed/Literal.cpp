#include "typed/Literal.h"

#include <charconv>
#include <cmath>
#include <cstring>

// Header-only, so that the cross builds (MinGW, WebAssembly) need only the
// headers, not a library built for each of them.
#define FMT_HEADER_ONLY
#include <fmt/format.h>

namespace zemrik::typed {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The float whose bits these are. Not std::bit_cast: the WebAssembly
// build's C++ library (libc++ 13) does not have it.
template <class Float, class Bits>
Float floatOfBits(Bits bits) {
    static_assert(sizeof(Float) == sizeof(Bits));
    Float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void appendHexDigits(std::string& out, std::uint64_t value, std::size_t digits) {
    char text[32];
    std::size_t length = 0;
    do {
        text[length++] = kHexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (length < digits) text[length++] = '0';
    while (length > 0) out += text[--length];
}

void appendDecimal(std::string& out, std::uint64_t magnitude, bool negative, std::size_t width) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, magnitude).ptr;
    const std::size_t length = static_cast<std::size_t>(end - text) + (negative ? 1 : 0);
    if (length < width) out.append(width - length, ' ');
    if (negative) out += '-';
    out.append(text, end);
}

std::uint64_t widthMask(ElementType type) {
    const std::uint32_t bits = byteWidth(type) * 8;
    return bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

// A cast's literal is not padded: the cast is wider than the column.
enum class Padding : std::uint8_t { ToWidth, None };

void appendMagnitude(std::string& out, const LiteralForms& forms, ElementType type, Notation notation,
                     std::uint64_t magnitude, bool negative, Padding padding = Padding::ToWidth) {
    if (notation == Notation::Decimal) {
        appendDecimal(out, magnitude, negative, padding == Padding::None ? 0 : forms.decimalWidth[indexOf(type)]);
        if (type == ElementType::U64) out += forms.unsigned64DecimalSuffix;
    } else {
        if (negative) out += '-';
        out += forms.hex.prefix;
        appendHexDigits(out, magnitude, std::size_t{byteWidth(type)} * 2 + forms.hex.extraDigits);
        out += forms.hex.suffix;
    }
    if (byteWidth(type) == 8) out += forms.integer64Suffix;
}

// U8 to U64 as I8 to I64.
ElementType signedOfSameWidth(ElementType type) {
    return static_cast<ElementType>(indexOf(type) + indexOf(ElementType::I8));
}

void appendInteger(std::string& out, const LiteralForms& forms, ElementType type, Notation notation,
                   std::uint64_t bits) {
    bits &= widthMask(type);
    if (kindOf(type) == ValueKind::Unsigned && notation == Notation::Decimal &&
        forms.unsignedDecimal == UnsignedDecimal::AsSignedOfSameWidth) {
        type = signedOfSameWidth(type);
    }
    const std::uint64_t signBit = std::uint64_t{1} << (byteWidth(type) * 8 - 1);
    if ((bits & signBit) == 0) {
        appendMagnitude(out, forms, type, notation, bits, false);
        return;
    }
    if (kindOf(type) == ValueKind::Unsigned) {
        const Wrap& cast = forms.topBitCast[indexOf(type)];
        out += cast.open;
        appendMagnitude(out, forms, type, notation, bits, false, cast.open.empty() ? Padding::ToWidth : Padding::None);
        out += cast.close;
        return;
    }
    const std::uint64_t magnitude = (~bits + 1) & widthMask(type);
    const bool minimum = magnitude == signBit;
    if (minimum && forms.minimumAsExpressionFrom != 0 && byteWidth(type) >= forms.minimumAsExpressionFrom) {
        out += '(';
        appendMagnitude(out, forms, type, notation, signBit - 1, true);
        out += " - 1)";
        return;
    }
    appendMagnitude(out, forms, type, notation, magnitude, true);
}

// The unsigned type of a float's width, whose hex literal spells its bits.
ElementType bitsTypeOf(ElementType type) { return type == ElementType::F32 ? ElementType::U32 : ElementType::U64; }

void appendFloat(std::string& out, const LiteralForms& forms, ElementType type, std::uint64_t bits) {
    const FloatSpellings& spell = forms.floats[type == ElementType::F32 ? 0 : 1];
    const double value = type == ElementType::F32 ? double{floatOfBits<float>(static_cast<std::uint32_t>(bits))}
                                                  : floatOfBits<double>(bits);
    if (std::isnan(value)) {
        if (spell.nanFromBits.empty()) {
            out += spell.nan;
            return;
        }
        out += spell.nanFromBits;
        appendInteger(out, forms, bitsTypeOf(type), Notation::Hex, bits);
        out += ')';
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? spell.infinity : spell.negativeInfinity;
        return;
    }
    if (value == 0 && std::signbit(value) && !spell.negativeZero.empty()) {
        out += spell.negativeZero;
        return;
    }
    const std::string text = shortestFloatText(type, bits);
    out += text;
    // "1" or "100" is an integer literal to most languages, and takes no "f".
    if (text.find_first_of(".e") == std::string::npos) out += ".0";
    out += spell.suffix;
}

}  // namespace

std::string shortestFloatText(ElementType type, std::uint64_t bits) {
    if (type == ElementType::F32) return fmt::format("{}", floatOfBits<float>(static_cast<std::uint32_t>(bits)));
    return fmt::format("{}", floatOfBits<double>(bits));
}

void appendLiteral(std::string& out, const LiteralForms& forms, ElementType type, Notation notation,
                   std::uint64_t bits) {
    if (kindOf(type) != ValueKind::Float) {
        appendInteger(out, forms, type, notation, bits);
    } else if (forms.floatForm == FloatForm::BitPattern) {
        appendInteger(out, forms, bitsTypeOf(type), Notation::Hex, bits);
    } else {
        appendFloat(out, forms, type, bits);
    }
}

}  // namespace zemrik::typed
