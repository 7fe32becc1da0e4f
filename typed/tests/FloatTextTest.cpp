// writeShortestFloat against fmt::format("{}"), text for text: every edge
// where the layout or the digit count changes, and random bit patterns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "typed/FloatText.h"

#define FMT_HEADER_ONLY
#include <fmt/format.h>

namespace zemrik::typed {
namespace {

template <class Float, class Bits>
Float ofBits(Bits bits) {
    Float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Compares one value; returns false (after a message) on a difference.
template <class Float>
bool matchesFmt(Float value) {
    char text[kShortestFloatRoom];
    const FloatText written = writeShortestFloat(text, value);
    const std::string ours(text, written.end);
    const std::string expected = fmt::format("{}", value);
    const bool integral = expected.find_first_of(".e") == std::string::npos;
    EXPECT_EQ(ours, expected) << "bits of the " << sizeof(Float) * 8 << "-bit value " << expected;
    EXPECT_EQ(written.shape == FloatTextShape::Integral, integral) << expected;
    return ours == expected;
}

// Each value, its neighbours one unit in the last place away, and their negatives.
template <class Float>
void checkAround(Float value) {
    for (const Float at :
         {std::nextafter(value, Float{0}), value, std::nextafter(value, std::numeric_limits<Float>::max())}) {
        if (!std::isfinite(at)) continue;
        if (!matchesFmt(at) || !matchesFmt(-at)) return;
    }
}

template <class Float>
void checkEdges() {
    using limits = std::numeric_limits<Float>;
    // Zero, the subnormals' ends, the normals' ends.
    for (const Float value : {Float{0}, limits::denorm_min(), limits::min(), limits::max(), Float{1}}) {
        checkAround(value);
    }
    // Where the layout switches (1e-5 / 1e-4, 1e15 / 1e16) and the digit
    // count changes: every power of ten, and every power of two.
    for (int exponent = limits::min_exponent10 - 1; exponent <= limits::max_exponent10; ++exponent) {
        checkAround(static_cast<Float>(std::pow(10.0L, exponent)));
    }
    for (int exponent = limits::min_exponent - limits::digits; exponent < limits::max_exponent; ++exponent) {
        checkAround(std::ldexp(Float{1}, exponent));
    }
    // Integers that print whole, and those around the last exact one.
    for (const Float value : {Float{100}, Float{123456}, std::ldexp(Float{1}, limits::digits)}) {
        checkAround(value);
    }
}

TEST(FloatText, MatchesFmtAtEveryEdge) {
    checkEdges<float>();
    checkEdges<double>();
}

TEST(FloatText, MatchesFmtForRandomBits) {
    std::mt19937_64 random(19);
    for (int k = 0; k < 1000000; ++k) {
        const std::uint64_t bits = random();
        const auto single = ofBits<float>(static_cast<std::uint32_t>(bits));
        if (std::isfinite(single) && !matchesFmt(single)) return;
        const auto whole = ofBits<double>(bits);
        if (std::isfinite(whole) && !matchesFmt(whole)) return;
    }
}

// Every f32 subnormal is one bit pattern below 0x00800000: the whole
// stretch, a layout the exponent notation alone covers, at one step in 97.
TEST(FloatText, MatchesFmtAcrossTheSubnormals) {
    for (std::uint32_t bits = 1; bits < 0x00800000; bits += 97) {
        if (!matchesFmt(ofBits<float>(bits))) return;
    }
}

}  // namespace
}  // namespace zemrik::typed
