#include "typed/Literal.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/Digits.h"
#include "typed/FloatText.h"

// Header-only, so that the cross builds (MinGW, WebAssembly) need only the
// headers, not a library built for each of them.
#define FMT_HEADER_ONLY
// MinGW's GCC 12 at -O3 sees a write below fmt's digit buffer in its fixed-
// precision path that can't happen (a false -Warray-bounds).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#include <fmt/compile.h>
#include <fmt/format.h>
#pragma GCC diagnostic pop

namespace zemrik::typed {
namespace {

// The longest literal's parts: a 64-bit magnitude in decimal or hex with the
// assembler's extra digits, and the sign, brackets and " - 1" of a minimum.
constexpr std::size_t kDigitsBound = 24;
constexpr std::size_t kMinimumExpressionBound = 8;
// A float's text and its scratch; ".0" may follow the text, within that room.
constexpr std::size_t kFloatTextBound = kShortestFloatRoom;
constexpr std::size_t kPadBlock = 16;

// Where a literal is written: raw room the caller sized with
// literalLengthBound, appended to like a string.
class Cursor {
public:
    explicit Cursor(char* at) : at_(at) {}
    Cursor& operator+=(std::string_view text) {
        // Most of a literal's texts are a character or two: no call for them.
        switch (text.size()) {
        case 2: at_[1] = text[1]; [[fallthrough]];
        case 1: at_[0] = text[0]; [[fallthrough]];
        case 0: break;
        default: std::memcpy(at_, text.data(), text.size());
        }
        at_ += text.size();
        return *this;
    }
    Cursor& operator+=(char c) {
        *at_++ = c;
        return *this;
    }
    // Padding, filled a whole block at a time where it fits one: the room
    // holds kDigitsBound characters more than the widest field.
    void pad(std::size_t count) {
        if (count <= kPadBlock) {
            std::memset(at_, ' ', kPadBlock);
        } else {
            std::memset(at_, ' ', count);
        }
        at_ += count;
    }
    char* end() const { return at_; }
    // Room for `count` characters that the caller fills, back to front.
    char* skip(std::size_t count) {
        at_ += count;
        return at_;
    }

private:
    char* at_;
};

// The float whose bits these are. Not std::bit_cast: the WebAssembly
// build's C++ library (libc++ 13) does not have it.
template <class Float, class Bits>
Float floatOfBits(Bits bits) {
    static_assert(sizeof(Float) == sizeof(Bits));
    Float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Exactly `digits` digits: the value fits them.
void appendHexDigits(Cursor& out, std::uint64_t value, std::size_t digits) {
    char* at = out.skip(digits);
    std::size_t left = digits;
    for (; left >= 2; left -= 2, value >>= 8) {
        at -= 2;
        std::memcpy(at, &digits::kHexPairs[(value & 0xFF) * 2], 2);
    }
    if (left == 1) at[-1] = digits::kHexPairs[static_cast<std::size_t>(value & 0xF) * 2 + 1];
}

std::size_t decimalDigits(std::uint64_t value) {
    if (value <= UINT32_MAX) return digits::decimalCount(static_cast<std::uint32_t>(value));
    std::size_t count = 10;
    for (value /= 10000000000u; value != 0; value /= 10) ++count;
    return count;
}

// The digits are written in place, back to front: no copy from a scratch
// buffer, whose reading right after its writing would stall.
void appendDecimal(Cursor& out, std::uint64_t magnitude, bool negative, std::size_t width) {
    const std::size_t count = decimalDigits(magnitude);
    const std::size_t length = count + (negative ? 1 : 0);
    if (length < width) out.pad(width - length);
    if (negative) out += '-';
    char* end = out.skip(count);
    for (; magnitude > UINT32_MAX; magnitude /= 100) {
        end -= 2;
        std::memcpy(end, &digits::kDecimalPairs[static_cast<std::size_t>(magnitude % 100) * 2], 2);
    }
    digits::writeDecimal(end, static_cast<std::uint32_t>(magnitude));
}

std::uint64_t widthMask(ElementType type) {
    const std::uint32_t bits = byteWidth(type) * 8;
    return bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

// A cast's literal is not padded: the cast is wider than the column.
enum class Padding : std::uint8_t { ToWidth, None };

void appendMagnitude(Cursor& out, const LiteralForms& forms, ElementType type, Notation notation,
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

void appendInteger(Cursor& out, const LiteralForms& forms, ElementType type, Notation notation, std::uint64_t bits,
                   Padding padding = Padding::ToWidth) {
    bits &= widthMask(type);
    if (kindOf(type) == ValueKind::Unsigned && notation == Notation::Decimal &&
        forms.unsignedDecimal == UnsignedDecimal::AsSignedOfSameWidth) {
        type = signedOfSameWidth(type);
    }
    const std::uint64_t signBit = std::uint64_t{1} << (byteWidth(type) * 8 - 1);
    if ((bits & signBit) == 0) {
        appendMagnitude(out, forms, type, notation, bits, false, padding);
        return;
    }
    if (kindOf(type) == ValueKind::Unsigned) {
        // Under a value cast, the top bit needs none of its own.
        const Wrap cast = forms.valueCast[indexOf(type)].open.empty() ? forms.topBitCast[indexOf(type)] : Wrap{};
        out += cast.open;
        appendMagnitude(out, forms, type, notation, bits, false, cast.open.empty() ? padding : Padding::None);
        out += cast.close;
        return;
    }
    const std::uint64_t magnitude = (~bits + 1) & widthMask(type);
    const bool minimum = magnitude == signBit;
    if (minimum && forms.minimumAsExpressionFrom != 0 && byteWidth(type) >= forms.minimumAsExpressionFrom) {
        out += '(';
        appendMagnitude(out, forms, type, notation, signBit - 1, true, padding);
        out += " - 1)";
        return;
    }
    appendMagnitude(out, forms, type, notation, magnitude, true, padding);
}

void appendCastInteger(Cursor& out, const LiteralForms& forms, ElementType type, Notation notation,
                       std::uint64_t bits) {
    const Wrap& cast = forms.valueCast[indexOf(type)];
    if (cast.open.empty()) return appendInteger(out, forms, type, notation, bits);
    out += cast.open;
    appendInteger(out, forms, type, notation, bits, Padding::None);
    out += cast.close;
}

// The unsigned type of a float's width, whose hex literal spells its bits.
ElementType bitsTypeOf(ElementType type) { return type == ElementType::F32 ? ElementType::U32 : ElementType::U64; }

// {fmt} is the one formatting function every build prints floats with: the
// WebAssembly build's C++ library has no floating-point to_chars.
FloatText writeDecimal(char* out, ElementType type, std::uint64_t bits, FloatDigits digits) {
    if (digits == FloatDigits::WidenedToDouble && type == ElementType::F32) {
        return writeShortestFloat(out, static_cast<double>(floatOfBits<float>(static_cast<std::uint32_t>(bits))));
    }
    if (digits != FloatDigits::EverySignificant) {
        return type == ElementType::F32 ? writeShortestFloat(out, floatOfBits<float>(static_cast<std::uint32_t>(bits)))
                                        : writeShortestFloat(out, floatOfBits<double>(bits));
    }
    // "g" drops trailing zeros, so 0.5 stays "0.5" with every digit asked for.
    char* const end = type == ElementType::F32 ? fmt::format_to(out, FMT_COMPILE("{:.9g}"),
                                                                floatOfBits<float>(static_cast<std::uint32_t>(bits)))
                                               : fmt::format_to(out, FMT_COMPILE("{:.17g}"), floatOfBits<double>(bits));
    const std::string_view written(out, static_cast<std::size_t>(end - out));
    return {end, written.find_first_of(".e") == std::string_view::npos ? FloatTextShape::Integral
                                                                       : FloatTextShape::Fractional};
}

void appendFloat(Cursor& out, const LiteralForms& forms, ElementType type, std::uint64_t bits) {
    const bool single = type == ElementType::F32;
    const FloatSpellings& spell = forms.floats[single ? 0 : 1];
    // The special values read from the bits' fields: no conversion to test them.
    const unsigned fractionBits = single ? 23 : 52;
    const std::uint64_t exponentOnes = single ? 0xFF : 0x7FF;
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << fractionBits) - 1);
    const std::uint64_t exponent = (bits >> fractionBits) & exponentOnes;
    const bool negative = ((bits >> (single ? 31 : 63)) & 1) != 0;
    if (exponent == exponentOnes && fraction != 0) {
        if (spell.nanFromBits.empty()) {
            out += spell.nan;
            return;
        }
        out += spell.nanFromBits;
        appendInteger(out, forms, bitsTypeOf(type), Notation::Hex, bits);
        out += ')';
        return;
    }
    if (exponent == exponentOnes) {
        out += negative ? spell.negativeInfinity : spell.infinity;
        return;
    }
    if (exponent == 0 && fraction == 0 && negative && !spell.negativeZero.empty()) {
        out += spell.negativeZero;
        return;
    }
    char* const start = out.end();
    const FloatText text = writeDecimal(start, type, bits, spell.digits);
    out.skip(static_cast<std::size_t>(text.end - start));
    // "1" or "100" is an integer literal to most languages, and takes no "f".
    if (text.shape == FloatTextShape::Integral) out += ".0";
    out += spell.suffix;
}

}  // namespace

char* writeLiteral(char* out, const LiteralForms& forms, ElementType type, Notation notation, std::uint64_t bits) {
    Cursor cursor(out);
    if (kindOf(type) != ValueKind::Float) {
        appendCastInteger(cursor, forms, type, notation, bits);
    } else if (forms.floatForm == FloatForm::BitPattern) {
        appendInteger(cursor, forms, bitsTypeOf(type), Notation::Hex, bits);
    } else {
        appendFloat(cursor, forms, type, bits);
    }
    return cursor.end();
}

std::size_t literalLengthBound(const LiteralForms& forms) {
    std::size_t widest = 0;
    for (const std::uint8_t width : forms.decimalWidth) widest = std::max<std::size_t>(widest, width);
    // Padding is filled a block of kPadBlock at a time (see Cursor::pad).
    std::size_t cast = 0;
    for (const Wrap& wrap : forms.topBitCast) cast = std::max(cast, wrap.open.size() + wrap.close.size());
    for (const Wrap& wrap : forms.valueCast) cast = std::max(cast, wrap.open.size() + wrap.close.size());
    // Every part an integer literal can have, each at its longest.
    const std::size_t integer = kMinimumExpressionBound + widest + kDigitsBound + forms.hex.prefix.size() +
                                forms.hex.suffix.size() + forms.hex.extraDigits + forms.unsigned64DecimalSuffix.size() +
                                forms.integer64Suffix.size() + cast;
    std::size_t floating = 0;
    for (const FloatSpellings& spell : forms.floats) {
        for (const std::string_view text : {spell.infinity, spell.negativeInfinity, spell.nan, spell.negativeZero}) {
            floating = std::max(floating, text.size());
        }
        floating = std::max(floating, spell.nanFromBits.size() + integer + 1);  // its bits' literal and ")"
        floating = std::max(floating, kFloatTextBound + spell.suffix.size());
    }
    return std::max(integer, floating);
}

void appendLiteral(std::string& out, const LiteralForms& forms, ElementType type, Notation notation,
                   std::uint64_t bits) {
    char text[256];
    const std::size_t bound = literalLengthBound(forms);
    if (bound <= sizeof text) {
        out.append(text, writeLiteral(text, forms, type, notation, bits));
        return;
    }
    std::vector<char> room(bound);
    out.append(room.data(), writeLiteral(room.data(), forms, type, notation, bits));
}

}  // namespace zemrik::typed
