// How a language writes one element's value as a literal, as data
// (LiteralForms), and appendLiteral, the one function that prints any element
// of any type through such a row.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/OutputStyle.h"
#include "typed/ElementType.h"

namespace zemrik::typed {

// A hex literal: prefix, the digits zero-padded to the element's width plus
// `extraDigits` (the assembler's leading 0 that keeps a number from reading
// as a name), suffix. Negative values print as "-" and the literal of their
// magnitude.
struct HexForm {
    std::string_view prefix{};
    std::string_view suffix{};
    std::uint8_t extraDigits = 0;
};

// How many digits a float's decimal has: the fewest that read back to the
// same bits, or every significant digit the type holds (17 for a double, 9
// for a float), which still reads back through a parser that misses by a
// fraction of a unit in the last place (Mono's C# compiler does).
// WidenedToDouble: a float's value as the shortest double text that is
// exactly it, for a language whose numbers are all doubles (JavaScript's).
enum class FloatDigits : std::uint8_t { Shortest, EverySignificant, WidenedToDouble };

// Where a float can't be written as a number, what is written instead, and
// the suffix that makes a literal the type's own (C's and C#'s "f").
struct FloatSpellings {
    std::string_view suffix{};
    std::string_view infinity{};
    std::string_view negativeInfinity{};
    std::string_view nan{};
    // Empty: "-0.0" as a literal reads back as -0.0.
    std::string_view negativeZero{};
    // Not empty: a NaN is this, the hex literal of its bits and ")", so that
    // its payload reads back (Java's "Float.intBitsToFloat(").
    std::string_view nanFromBits{};
    FloatDigits digits = FloatDigits::Shortest;
};

// Java has no unsigned types: its rows declare the signed type of the same
// width, and a decimal is the value the bits have as that type.
enum class UnsignedDecimal : std::uint8_t { OwnValue, AsSignedOfSameWidth };

// What stands around a literal: a cast.
struct Wrap {
    std::string_view open{};
    std::string_view close{};
};

// Floats as a decimal that reads back to the same bits, or, for the
// assemblers, as the bit pattern of an unsigned integer of their width.
enum class FloatForm : std::uint8_t { ShortestDecimal, BitPattern };

struct LiteralForms {
    HexForm hex{};
    // Decimals are padded with spaces to this width (0: none), per type.
    std::array<std::uint8_t, kElementTypeCount> decimalWidth{};
    // What follows a u64 decimal that could pass the largest signed literal.
    std::string_view unsigned64DecimalSuffix{};
    // What follows every 64-bit integer literal (Java's "L", JavaScript's "n").
    std::string_view integer64Suffix{};
    UnsignedDecimal unsignedDecimal = UnsignedDecimal::OwnValue;
    // Per type, the cast around an unsigned value with its top bit set: Free
    // Pascal reads $FFFFFFFFFFFFFFFF as the Int64 -1 and warns that it is no
    // UInt64; Java's 0xFF is an int, no byte.
    std::array<Wrap, kElementTypeCount> topBitCast{};
    // Per type, the cast around every value, which then takes no topBitCast
    // and no padding: a Java call doesn't narrow an int constant to a byte
    // or short argument.
    std::array<Wrap, kElementTypeCount> valueCast{};
    // From this width in bytes on, a signed type's minimum prints as
    // "(-MAX - 1)": the magnitude's literal alone would not fit the type
    // (0: the plain negative literal is fine).
    std::uint32_t minimumAsExpressionFrom = 0;
    FloatForm floatForm = FloatForm::ShortestDecimal;
    std::array<FloatSpellings, 2> floats{};  // f32, f64
};

// Appends the literal of the element whose bits (zero-extended, see
// loadBits) are `bits`. Floats ignore the notation: they are decimal, or bit
// patterns in hex.
void appendLiteral(std::string& out, const LiteralForms& forms, ElementType type, Notation notation,
                   std::uint64_t bits);

// The most characters writeLiteral writes for any element through `forms`.
std::size_t literalLengthBound(const LiteralForms& forms);

// appendLiteral's text written from `out` on, which has room for
// literalLengthBound(forms) characters; returns the end of the text. The
// walks write straight into their output with it.
char* writeLiteral(char* out, const LiteralForms& forms, ElementType type, Notation notation, std::uint64_t bits);

}  // namespace zemrik::typed
