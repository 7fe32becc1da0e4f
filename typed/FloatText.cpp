#include "typed/FloatText.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/Digits.h"

// Header-only, so that the cross builds (MinGW, WebAssembly) need only the
// headers, not a library built for each of them.
#define FMT_HEADER_ONLY
#include <fmt/format.h>

namespace zemrik::typed {
namespace {

// {fmt} writes a number in fixed notation when its decimal exponent (the
// power of ten of its first digit) lies in [-4, 16), and in exponent
// notation otherwise.
constexpr int kFixedFrom = -4;
constexpr int kFixedBelow = 16;
constexpr std::uint32_t kEightDigits = 100000000;
// Digits are written at a fixed count, leading zeros included, and copied
// from there in blocks of this many: neither depends on the value, so
// neither costs a mispredicted branch.
constexpr std::size_t kBlock = 16;

// Exactly 8 digits of `value` (below 10^8) from `at` on, its halves side by
// side rather than one division after another.
void writeEightDigits(char* at, std::uint32_t value) {
    const std::uint32_t high = value / 10000;
    const std::uint32_t low = value % 10000;
    std::memcpy(at, &digits::kDecimalPairs[(high / 100) * 2], 2);
    std::memcpy(at + 2, &digits::kDecimalPairs[(high % 100) * 2], 2);
    std::memcpy(at + 4, &digits::kDecimalPairs[(low / 100) * 2], 2);
    std::memcpy(at + 6, &digits::kDecimalPairs[(low % 100) * 2], 2);
}

// A float's significand (below 10^9) as 9 digits, a double's (below 10^17)
// as 17, into `scratch`; returns where its `length` digits begin.
const char* fixedDigits(char* scratch, std::uint32_t significand, int length) {
    scratch[0] = static_cast<char>('0' + significand / kEightDigits);
    writeEightDigits(scratch + 1, significand % kEightDigits);
    return scratch + 9 - length;
}
const char* fixedDigits(char* scratch, std::uint64_t significand, int length) {
    scratch[0] = static_cast<char>('0' + significand / (std::uint64_t{kEightDigits} * kEightDigits));
    const std::uint64_t low = significand % (std::uint64_t{kEightDigits} * kEightDigits);
    writeEightDigits(scratch + 1, static_cast<std::uint32_t>(low / kEightDigits));
    writeEightDigits(scratch + 9, static_cast<std::uint32_t>(low % kEightDigits));
    return scratch + 17 - length;
}

// "e+07", "e-308": a sign and at least two digits.
char* writeExponent(char* at, int exponent) {
    *at++ = 'e';
    *at++ = exponent < 0 ? '-' : '+';
    auto magnitude = static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent);
    if (magnitude >= 100) {
        *at++ = static_cast<char>('0' + magnitude / 100);
        magnitude %= 100;
    }
    std::memcpy(at, &digits::kDecimalPairs[magnitude * 2], 2);
    return at + 2;
}

template <class Float>
FloatText writeShortest(char* out, Float value) {
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }
    // value = significand x 10^exponent, with the fewest digits that read back.
    const auto decimal = fmt::detail::dragonbox::to_decimal(value);
    const int length = fmt::detail::count_digits(decimal.significand);
    const auto size = static_cast<std::size_t>(length);
    char scratch[17 + kBlock] = {};
    const char* const digits = fixedDigits(scratch, decimal.significand, length);
    const int leading = decimal.exponent + length - 1;
    if (leading < kFixedFrom || leading >= kFixedBelow) {
        // "d.ddde+XX"; a single digit takes no point.
        out[0] = digits[0];
        out[1] = '.';
        std::memcpy(out + 2, digits + 1, kBlock);
        return {writeExponent(out + (length == 1 ? 1 : 1 + size), leading), FloatTextShape::Fractional};
    }
    if (decimal.exponent >= 0) {
        // "1500": the digits and the zeros up to the point, 16 at most.
        std::memset(out, '0', kBlock);
        std::memcpy(out, digits, size);
        return {out + size + static_cast<std::size_t>(decimal.exponent), FloatTextShape::Integral};
    }
    const int point = leading + 1;
    if (point > 0) {
        // "12.34": at most 16 digits on either side.
        const auto whole = static_cast<std::size_t>(point);
        std::memcpy(out, digits, kBlock);
        out[whole] = '.';
        std::memcpy(out + whole + 1, digits + whole, kBlock);
        return {out + 1 + size, FloatTextShape::Fractional};
    }
    // "0.001234": at most three zeros after the point.
    std::memcpy(out, "0.000", 5);
    char* const first = out + 2 + static_cast<std::size_t>(-point);
    std::memcpy(first, digits, kBlock + 1);
    return {first + size, FloatTextShape::Fractional};
}

}  // namespace

FloatText writeShortestFloat(char* out, float value) { return writeShortest(out, value); }
FloatText writeShortestFloat(char* out, double value) { return writeShortest(out, value); }

}  // namespace zemrik::typed
