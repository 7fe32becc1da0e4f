#include "core/Format.h"

#include <algorithm>
#include <cstring>

#include "core/Digits.h"

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
    const std::size_t number =
        compiled.conversion_ == Conversion::None ? 0 : std::max<std::size_t>(compiled.width_, kMaxDigits);
    compiled.maxLength_ = compiled.prefix_.size() + number + compiled.suffix_.size();
    return compiled;
}

std::size_t CompiledFormat::writeNumber(char* out, std::uint32_t argument) const {
    const bool negative = conversion_ == Conversion::SignedDecimal && static_cast<std::int32_t>(argument) < 0;
    const std::uint32_t magnitude = negative ? 0u - argument : argument;
    const bool hex = conversion_ == Conversion::UpperHex;
    const std::size_t digitCount = hex ? digits::hexCount(magnitude) : digits::decimalCount(magnitude);
    const std::size_t natural = digitCount + (negative ? 1 : 0);
    const std::size_t padding = width_ > natural ? width_ - natural : 0;

    char* p = out;
    if (padding != 0 && !zeroPad_) {
        std::memset(p, ' ', padding);
        p += padding;
    }
    if (negative) *p++ = '-';
    if (padding != 0 && zeroPad_) {
        // The zero flag pads between the sign and the digits.
        std::memset(p, '0', padding);
        p += padding;
    }
    char* const end = p + digitCount;
    if (hex) {
        digits::writeHex(end, magnitude);
    } else {
        digits::writeDecimal(end, magnitude);
    }
    return static_cast<std::size_t>(end - out);
}

std::size_t CompiledFormat::write(char* out, std::uint32_t argument) const {
    // Most literals are empty or two characters: a call to copy nothing, once
    // per element, costs more than the test.
    char* p = out;
    if (!prefix_.empty()) {
        std::memcpy(p, prefix_.data(), prefix_.size());
        p += prefix_.size();
    }
    if (conversion_ != Conversion::None) p += writeNumber(p, argument);
    if (!suffix_.empty()) {
        std::memcpy(p, suffix_.data(), suffix_.size());
        p += suffix_.size();
    }
    return static_cast<std::size_t>(p - out);
}

std::string CompiledFormat::format(std::uint32_t argument) const {
    std::string text(maxLength(), '\0');
    text.resize(write(text.data(), argument));
    return text;
}

}  // namespace zemrik
