// Any text, converted by both field conversions, must give what a plain
// character-by-character reading of the "%lX" / "%lu" rules gives.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "run/FieldConversion.h"

namespace {

using zemrik::fuzz::check;

constexpr std::size_t kLongestText = 300;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int digitIn(char c, unsigned base) {
    int digit = -1;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit >= 0 && static_cast<unsigned>(digit) < base ? digit : -1;
}

// Blanks, a sign, "0x" (hex only, and then a digit must follow), digits;
// the value wraps modulo 2^32 and '-' negates it.
std::optional<std::uint32_t> referenceConversion(std::string_view text, unsigned base) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    if (base == 16 && at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        at += 2;
    }
    std::uint64_t value = 0;
    const std::size_t firstDigit = at;
    for (; at < text.size() && digitIn(text[at], base) >= 0; ++at) {
        value = (value * base + static_cast<unsigned>(digitIn(text[at], base))) % 0x100000000u;
    }
    if (at == firstDigit) return std::nullopt;
    return static_cast<std::uint32_t>(negative ? (0x100000000u - value) % 0x100000000u : value);
}

void compare(std::optional<std::uint32_t> actual, std::optional<std::uint32_t> expected, const char* field) {
    check(actual.has_value() == expected.has_value(), field);
    if (actual) check(*actual == *expected, field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kLongestText) return -1;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    compare(zemrik::convertHexField(text), referenceConversion(text, 16), "hex field differs from the reference");
    compare(zemrik::convertDecimalField(text), referenceConversion(text, 10),
            "decimal field differs from the reference");
    return 0;
}
