#include "run/FieldConversion.h"

#include <cstddef>

namespace zemrik {
namespace {

// White space as isspace() sees it in the C locale; spelled out so that the
// user's locale can never change what a field means.
bool isCLocaleSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::optional<unsigned> hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return std::nullopt;
}

std::optional<unsigned> decimalDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    return std::nullopt;
}

struct Prefix {
    std::size_t digitsStart;
    bool negative;
};

// Skips the white space and the optional sign that both conversions accept.
Prefix skipSpaceAndSign(std::string_view text) {
    std::size_t position = 0;
    while (position < text.size() && isCLocaleSpace(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    return {position, negative};
}

// Accumulates the digits after the prefix modulo 2^32, negated after a '-';
// nothing when there is no digit.
template <class DigitValue>
std::optional<std::uint32_t> accumulateDigits(std::string_view text, Prefix prefix, std::uint32_t base,
                                              DigitValue digitValue) {
    std::uint32_t value = 0;
    bool anyDigit = false;
    for (std::size_t position = prefix.digitsStart; position < text.size(); ++position) {
        const std::optional<unsigned> digit = digitValue(text[position]);
        if (!digit) break;
        value = value * base + *digit;  // unsigned arithmetic wraps, as "%lX" keeps the low 32 bits
        anyDigit = true;
    }
    if (!anyDigit) return std::nullopt;
    return prefix.negative ? static_cast<std::uint32_t>(0u - value) : value;
}

}  // namespace

std::optional<std::uint32_t> convertHexField(std::string_view text) {
    Prefix prefix = skipSpaceAndSign(text);
    const std::string_view rest = text.substr(prefix.digitsStart);
    // A "0x" must be followed by a hex digit; "0" alone still reads as zero.
    if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        prefix.digitsStart += 2;
    }
    return accumulateDigits(text, prefix, 16, hexDigitValue);
}

std::optional<std::uint32_t> convertDecimalField(std::string_view text) {
    const Prefix prefix = skipSpaceAndSign(text);
    return accumulateDigits(text, prefix, 10, decimalDigitValue);
}

}  // namespace zemrik
