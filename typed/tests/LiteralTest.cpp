// The literal forms at the lowest level: exact texts at each type's edges, a
// sweep against snprintf, and floats read back by strtof/strtod.
#include <gtest/gtest.h>

#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "typed/LanguageRow.h"
#include "typed/Literal.h"

namespace zemrik::typed {
namespace {

const LanguageRow& row(std::string_view name) { return *findLanguageRow(name); }

std::string literal(std::string_view language, ElementType type, Notation notation, std::uint64_t bits) {
    std::string text;
    appendLiteral(text, row(language).literals, type, notation, bits);
    return text;
}

struct Case {
    std::string_view language;
    ElementType type;
    Notation notation;
    std::uint64_t bits;
    std::string_view expected;
};

TEST(Literal, PrintsEachTypesEdgesInEachLanguagesForm) {
    using enum ElementType;
    constexpr auto H = Notation::Hex;
    constexpr auto D = Notation::Decimal;
    const Case cases[] = {
        {"c", U8, H, 0xFF, "0xFF"},
        {"c", U8, D, 7, "  7"},
        {"c", U64, H, ~0ull, "0xFFFFFFFFFFFFFFFF"},
        {"c", U64, D, ~0ull, "18446744073709551615U"},
        {"c", I8, H, 0x80, "-0x80"},
        {"c", I8, D, 0x80, "-128"},
        {"c", I8, D, 0x7F, " 127"},
        {"c", I16, H, 0xFFFF, "-0x0001"},
        {"c", I32, H, 0x80000000, "(-0x7FFFFFFF - 1)"},
        {"c", I32, D, 0x80000000, "(-2147483647 - 1)"},
        {"c", I64, D, 0x8000000000000000, "(-9223372036854775807 - 1)"},
        {"c", I64, D, ~0ull, "                  -1"},
        {"csharp", I64, H, 0x8000000000000000, "(-0x7FFFFFFFFFFFFFFF - 1)"},
        {"asm", I8, H, 0x80, "-080h"},
        {"asm", U16, H, 0xFFFF, "0FFFFh"},
        {"asm", I64, H, 0x8000000000000000, "-08000000000000000h"},
        {"asm", F32, D, 0x3F800000, "03F800000h"},
        {"gas", F64, H, 0x8000000000000000, "0x8000000000000000"},
        {"delphi", I16, H, 0x8000, "-$8000"},
        {"delphi", U8, D, 200, "200"},
        {"delphi", U32, H, 0xFFFFFFFF, "$FFFFFFFF"},
        {"delphi", U64, H, ~0ull, "UInt64($FFFFFFFFFFFFFFFF)"},
        {"delphi", U64, D, 0x8000000000000000, "UInt64(9223372036854775808)"},
        {"delphi", U64, D, 0x7FFFFFFFFFFFFFFF, " 9223372036854775807"},
        {"java", U8, H, 0x80, "(byte)0x80"},
        {"java", U16, H, 0x7FFF, "0x7FFF"},
        {"java", U16, D, 0xFFFF, "    -1"},
        {"java", U32, H, 0xFFFFFFFF, "0xFFFFFFFF"},
        {"java", U64, H, ~0ull, "0xFFFFFFFFFFFFFFFFL"},
        {"java", I64, D, 0x8000000000000000, "-9223372036854775808L"},
        {"java", I32, H, 0x80000000, "-0x80000000"},
        {"javascript", U64, D, ~0ull, "18446744073709551615n"},
        {"javascript", I64, H, 0x8000000000000000, "-0x8000000000000000n"},
        {"go", I32, H, 0x80000000, "-0x80000000"},
        {"c", F32, H, 0x3F800000, "1.0f"},
        {"c", F64, D, std::bit_cast<std::uint64_t>(0.1), "0.1"},
        {"c", F64, D, 0x8000000000000000, "-0.0"},
        {"c", F32, D, 0x7F800000, "INFINITY"},
        {"c", F64, D, 0xFFF0000000000000, "-INFINITY"},
        {"c", F64, D, 0x7FF8000000000001, "NAN"},
        {"c", F64, D, 1, "5e-324"},
        {"c", F64, D, 0x7FEFFFFFFFFFFFFF, "1.7976931348623157e+308"},
        {"csharp", F64, D, 0x8000000000000000, "System.BitConverter.Int64BitsToDouble(long.MinValue)"},
        // Every digit, which Mono's compiler reads back; trailing zeros still drop.
        {"csharp", F64, D, 0x126900364394A67A, "5.5330879132248946e-220"},
        {"csharp", F64, D, std::bit_cast<std::uint64_t>(0.1), "0.10000000000000001"},
        {"csharp", F64, D, std::bit_cast<std::uint64_t>(0.5), "0.5"},
        {"csharp", F64, D, std::bit_cast<std::uint64_t>(1.0), "1.0"},
        {"csharp", F64, D, 1, "4.9406564584124654e-324"},
        {"csharp", F32, D, std::bit_cast<std::uint32_t>(0.1f), "0.1f"},
        {"go", F32, D, 0x80000000, "float32(math.Copysign(0, -1))"},
        {"rust", F32, D, 0xFF800000, "f32::NEG_INFINITY"},
        {"python", F64, D, 0x7FF8000000000000, "float('nan')"},
        {"java", F32, D, 0xFFC00001, "Float.intBitsToFloat(0xFFC00001)"},
        {"java", F64, D, 0x7FF0000000000001, "Double.longBitsToDouble(0x7FF0000000000001L)"},
        {"java", F32, D, 0x80000000, "-0.0f"},
        {"javascript", F64, D, 0x8000000000000000, "-0.0"},
        {"javascript", F32, D, 0xFF800000, "-Infinity"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(literal(c.language, c.type, c.notation, c.bits), c.expected)
            << c.language << " " << typeName(c.type) << " " << std::hex << c.bits;
    }
}

// A record's field of one item: Java casts its byte and short arguments
// (once, unpadded); a JavaScript number holds the float's own value.
TEST(Literal, RecordFieldsOfOneItemTakeTheRowsArgumentForms) {
    using enum ElementType;
    const LiteralForms& java = *row("java").records.scalarLiterals;
    const LiteralForms& javascript = *row("javascript").records.scalarLiterals;
    const auto text = [](const LiteralForms& forms, ElementType type, Notation notation, std::uint64_t bits) {
        std::string out;
        appendLiteral(out, forms, type, notation, bits);
        return out;
    };
    EXPECT_EQ(text(java, U8, Notation::Hex, 0x80), "(byte)0x80");
    EXPECT_EQ(text(java, U16, Notation::Decimal, 0xFFFF), "(short)-1");
    EXPECT_EQ(text(java, I8, Notation::Hex, 0x05), "(byte)0x05");
    EXPECT_EQ(text(java, U32, Notation::Hex, 0xFFFFFFFF), "0xFFFFFFFF");
    EXPECT_EQ(text(javascript, F32, Notation::Decimal, std::bit_cast<std::uint32_t>(0.1f)), "0.10000000149011612");
    EXPECT_EQ(text(javascript, F32, Notation::Decimal, 0x7F7FFFFF), "3.4028234663852886e+38");
    std::mt19937 random(41);
    for (int k = 0; k < 10000; ++k) {
        const std::uint32_t bits = static_cast<std::uint32_t>(random()) & 0xFF7FFFFF;  // finite
        const std::string out = text(javascript, F32, Notation::Decimal, bits);
        EXPECT_EQ(std::strtod(out.c_str(), nullptr), static_cast<double>(std::bit_cast<float>(bits))) << out;
    }
}

// printf's text of the value as the type reads it, with C's prefix.
std::string printfReference(ElementType type, Notation notation, std::uint64_t bits) {
    const unsigned width = byteWidth(type) * 8;
    const std::uint64_t mask = width == 64 ? ~0ull : (1ull << width) - 1;
    bits &= mask;
    const bool isSigned = kindOf(type) == ValueKind::Signed;
    const bool negative = isSigned && (bits >> (width - 1)) != 0;
    const std::uint64_t magnitude = negative ? (~bits + 1) & mask : bits;
    char text[64];
    if (notation == Notation::Hex) {
        std::snprintf(text, sizeof text, "%s0x%0*" PRIX64, negative ? "-" : "", static_cast<int>(width / 4), magnitude);
    } else if (isSigned) {
        const std::int64_t value =
            negative ? -static_cast<std::int64_t>(magnitude - 1) - 1 : static_cast<std::int64_t>(magnitude);
        std::snprintf(text, sizeof text, "%*" PRId64, static_cast<int>(row("c").literals.decimalWidth[indexOf(type)]),
                      value);
    } else {
        std::snprintf(text, sizeof text, "%*" PRIu64 "%s",
                      static_cast<int>(row("c").literals.decimalWidth[indexOf(type)]), magnitude,
                      type == ElementType::U64 ? "U" : "");
    }
    return text;
}

TEST(Literal, IntegersMatchPrintfAwayFromTheMinimum) {
    std::mt19937_64 random(19);
    for (int type = 0; type < 8; ++type) {
        const auto elementType = static_cast<ElementType>(type);
        for (int k = 0; k < 2000; ++k) {
            const std::uint64_t bits = random() >> (random() % 64);
            const unsigned width = byteWidth(elementType) * 8;
            const bool isMinimum = kindOf(elementType) == ValueKind::Signed &&
                                   (bits & (width == 64 ? ~0ull : (1ull << width) - 1)) == 1ull << (width - 1);
            if (isMinimum && width >= 32) continue;  // the (-MAX - 1) form, above
            for (const Notation notation : {Notation::Hex, Notation::Decimal}) {
                ASSERT_EQ(literal("c", elementType, notation, bits), printfReference(elementType, notation, bits))
                    << typeName(elementType) << " " << bits;
            }
        }
    }
}

// Significant digits of a decimal text.
std::size_t significantDigits(const std::string& text) {
    const std::string mantissa = text.substr(0, text.find('e'));
    std::string digits;
    for (const char c : mantissa) {
        if (c >= '0' && c <= '9') digits += c;
    }
    // Zeros at either end only place the point: 100 and 0.01 have one digit.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 1;
    return digits.find_last_not_of('0') + 1 - first;
}

// The fewest %.*g digits that read back to the same value: what shortest means.
template <class Float>
std::size_t fewestDigits(Float value) {
    for (int precision = 1;; ++precision) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
        const Float back = sizeof(Float) == 4 ? static_cast<Float>(std::strtof(text, nullptr))
                                              : static_cast<Float>(std::strtod(text, nullptr));
        if (back == value) return static_cast<std::size_t>(precision);
    }
}

template <class Float, class Bits>
void expectShortestRoundTrip(ElementType type, Bits bits) {
    const Float value = std::bit_cast<Float>(bits);
    if (!std::isfinite(value)) return;
    std::string text = literal("c", type, Notation::Decimal, bits);
    if (type == ElementType::F32) {
        ASSERT_EQ(text.back(), 'f') << text;
        text.pop_back();
    }
    const Float back = type == ElementType::F32 ? static_cast<Float>(std::strtof(text.c_str(), nullptr))
                                                : static_cast<Float>(std::strtod(text.c_str(), nullptr));
    ASSERT_EQ(std::bit_cast<Bits>(back), bits) << text;
    if (value != 0) {
        ASSERT_EQ(significantDigits(text), fewestDigits(value)) << text;
    }
}

TEST(Literal, FloatsAreTheShortestTextThatReadsBackToTheSameBits) {
    const std::uint32_t floatEdges[] = {0,          0x80000000, 1,          0x007FFFFF, 0x00800000,
                                        0x7F7FFFFF, 0xFF7FFFFF, 0x3F800000, 0x3DCCCCCD, 0x4B000000};
    for (const std::uint32_t bits : floatEdges) expectShortestRoundTrip<float>(ElementType::F32, bits);
    const std::uint64_t doubleEdges[] = {0,
                                         0x8000000000000000,
                                         1,
                                         0x000FFFFFFFFFFFFF,
                                         0x0010000000000000,
                                         0x7FEFFFFFFFFFFFFF,
                                         0xFFEFFFFFFFFFFFFF,
                                         0x3FF0000000000000,
                                         0x4340000000000000,
                                         0x3FB999999999999A};
    for (const std::uint64_t bits : doubleEdges) expectShortestRoundTrip<double>(ElementType::F64, bits);
    std::mt19937_64 random(32);
    for (int k = 0; k < 5000; ++k) {
        expectShortestRoundTrip<float>(ElementType::F32, static_cast<std::uint32_t>(random()));
        expectShortestRoundTrip<double>(ElementType::F64, random());
    }
}

TEST(Literal, TypeNamesTakeAnyCaseAndTheDialogsSizes) {
    EXPECT_EQ(parseElementType("QWORDS"), ElementType::U64);
    EXPECT_EQ(parseElementType("Bytes"), ElementType::U8);
    EXPECT_EQ(parseElementType("F32"), ElementType::F32);
    EXPECT_EQ(parseElementType("i64"), ElementType::I64);
    EXPECT_EQ(parseElementType("u128"), std::nullopt);
    EXPECT_EQ(parseElementType(""), std::nullopt);
    EXPECT_EQ(parseElementType("u8 "), std::nullopt);
}

}  // namespace
}  // namespace zemrik::typed
