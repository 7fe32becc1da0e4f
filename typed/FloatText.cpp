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

// The digits of `value`, the last just before `end`. A double's 17 digits
// take one 64-bit division; the rest is 32-bit.
void writeDigits(char* end, std::uint64_t value) {
    if (value >= kEightDigits) {
        auto low = static_cast<std::uint32_t>(value % kEightDigits);
        value /= kEightDigits;
        for (int pair = 0; pair < 4; ++pair, low /= 100) {
            end -= 2;
            std::memcpy(end, &digits::kDecimalPairs[(low % 100) * 2], 2);
        }
    }
    digits::writeDecimal(end, static_cast<std::uint32_t>(value));
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
    const std::uint64_t significand = decimal.significand;
    const int length = fmt::detail::count_digits(decimal.significand);
    const auto size = static_cast<std::size_t>(length);
    const int leading = decimal.exponent + length - 1;
    if (leading < kFixedFrom || leading >= kFixedBelow) {
        // "d.ddde+XX": the digits one place on, the first moved before the point.
        writeDigits(out + 1 + size, significand);
        out[0] = out[1];
        if (length == 1) return {writeExponent(out + 1, leading), FloatTextShape::Fractional};
        out[1] = '.';
        return {writeExponent(out + 1 + size, leading), FloatTextShape::Fractional};
    }
    if (decimal.exponent >= 0) {
        // "1500": the digits and the zeros up to the point.
        writeDigits(out + size, significand);
        const auto zeros = static_cast<std::size_t>(decimal.exponent);
        std::memset(out + size, '0', zeros);
        return {out + size + zeros, FloatTextShape::Integral};
    }
    const int point = leading + 1;
    if (point > 0) {
        // "12.34": the digits one place on, those before the point moved back.
        writeDigits(out + 1 + size, significand);
        std::memmove(out, out + 1, static_cast<std::size_t>(point));
        out[point] = '.';
        return {out + 1 + size, FloatTextShape::Fractional};
    }
    // "0.001234": at most three zeros after the point.
    std::memcpy(out, "0.000", 5);
    char* const end = out + 2 + static_cast<std::size_t>(-point) + size;
    writeDigits(end, significand);
    return {end, FloatTextShape::Fractional};
}

}  // namespace

FloatText writeShortestFloat(char* out, float value) { return writeShortest(out, value); }
FloatText writeShortestFloat(char* out, double value) { return writeShortest(out, value); }

}  // namespace zemrik::typed
