// The shortest decimal text that reads back to a float's bits, in {fmt}'s
// "{}" layout ("1e-07", "0.1", "1.7976931348623157e+308"), written straight
// from the decimal digits {fmt}'s Dragonbox finds: formatting through the
// format machinery cost more than finding the digits.
#pragma once

#include <cstddef>

namespace zemrik::typed {

// How a text ended: like an integer ("100"), or with a point or an exponent.
enum class FloatTextShape : unsigned char { Integral, Fractional };

struct FloatText {
    char* end;
    FloatTextShape shape;
};

// The room writeShortestFloat needs: the longest text is 24 characters
// ("-2.2250738585072014e-308"), and its digits are copied in fixed-size
// blocks that may run past the text's end.
inline constexpr std::size_t kShortestFloatRoom = 48;

// Writes the text of a finite `value` from `out` on, which has room for
// kShortestFloatRoom characters; returns its end and shape. -0.0 is "-0".
[[nodiscard]] FloatText writeShortestFloat(char* out, float value);
[[nodiscard]] FloatText writeShortestFloat(char* out, double value);

}  // namespace zemrik::typed
