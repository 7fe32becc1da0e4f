#include "core/Format.h"

#include <algorithm>
#include <cstring>

namespace zemrik {
namespace {

// A width above this is never needed by a table format and would only let a
// malformed format ask for huge output.
constexpr unsigned kMaxWidth = 64;
// "-2147483648" and "4294967295" are the longest numbers a 32-bit argument prints.
constexpr std::size_t kMaxDigits = 11;

struct ConversionSpec {
    bool zeroPad = false;
    unsigned width = 0;
    char type = 0;
    std::size_t end = 0;  // index just past the conversion
};

// Parses the conversion starting right after a '%'; nothing when unsupported.
std::optional<ConversionSpec> parseConversion(std::string_view format, std::size_t at) {
    ConversionSpec spec;
    while (at < format.size() && format[at] == '0') {
        spec.zeroPad = true;
        ++at;
    }
    while (at < format.size() && format[at] >= '0' && format[at] <= '9') {
        spec.width = spec.width * 10 + static_cast<unsigned>(format[at] - '0');
        if (spec.width > kMaxWidth) return std::nullopt;
        ++at;
    }
    if (at < format.size() && format[at] == 'l') ++at;
    if (at >= format.size()) return std::nullopt;
    spec.type = format[at];
    if (spec.type != 'd' && spec.type != 'u' && spec.type != 'X') return std::nullopt;
    spec.end = at + 1;
    return spec;
}

}  // namespace

std::optional<CompiledFormat> CompiledFormat::compile(std::string_view format) {
    CompiledFormat compiled;
    bool converted = false;
    for (std::size_t at = 0; at < format.size();) {
        std::string& literal = converted ? compiled.suffix_ : compiled.prefix_;
        if (format[at] != '%') {
            literal += format[at++];
            continue;
        }
        if (at + 1 < format.size() && format[at + 1] == '%') {
            literal += '%';
            at += 2;
            continue;
        }
        // One argument is all a table format ever receives.
        if (converted) return std::nullopt;
        const auto spec = parseConversion(format, at + 1);
        if (!spec) return std::nullopt;
        compiled.zeroPad_ = spec->zeroPad;
        compiled.width_ = static_cast<std::uint8_t>(spec->width);
        compiled.conversion_ = spec->type == 'd'   ? Conversion::SignedDecimal
                               : spec->type == 'u' ? Conversion::UnsignedDecimal
                                                   : Conversion::UpperHex;
        converted = true;
        at = spec->end;
    }
    return compiled;
}

std::size_t CompiledFormat::maxLength() const {
    const std::size_t number = conversion_ == Conversion::None ? 0 : std::max<std::size_t>(width_, kMaxDigits);
    return prefix_.size() + number + suffix_.size();
}

std::size_t CompiledFormat::writeNumber(char* out, std::uint32_t argument) const {
    char digits[kMaxDigits];
    char* const digitsEnd = digits + kMaxDigits;
    char* first = digitsEnd;

    const bool negative = conversion_ == Conversion::SignedDecimal && static_cast<std::int32_t>(argument) < 0;
    std::uint32_t magnitude = negative ? 0u - argument : argument;
    if (conversion_ == Conversion::UpperHex) {
        do {
            *--first = "0123456789ABCDEF"[magnitude & 0xF];
            magnitude >>= 4;
        } while (magnitude != 0);
    } else {
        do {
            *--first = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
    }

    const std::size_t digitCount = static_cast<std::size_t>(digitsEnd - first);
    const std::size_t natural = digitCount + (negative ? 1 : 0);
    const std::size_t padding = width_ > natural ? width_ - natural : 0;

    char* p = out;
    if (!zeroPad_) {
        std::memset(p, ' ', padding);
        p += padding;
    }
    if (negative) *p++ = '-';
    if (zeroPad_) {
        // The zero flag pads between the sign and the digits.
        std::memset(p, '0', padding);
        p += padding;
    }
    std::memcpy(p, first, digitCount);
    return static_cast<std::size_t>(p + digitCount - out);
}

std::size_t CompiledFormat::write(char* out, std::uint32_t argument) const {
    char* p = out;
    std::memcpy(p, prefix_.data(), prefix_.size());
    p += prefix_.size();
    if (conversion_ != Conversion::None) p += writeNumber(p, argument);
    std::memcpy(p, suffix_.data(), suffix_.size());
    return static_cast<std::size_t>(p + suffix_.size() - out);
}

std::string CompiledFormat::format(std::uint32_t argument) const {
    std::string text(maxLength(), '\0');
    text.resize(write(text.data(), argument));
    return text;
}

}  // namespace zemrik
