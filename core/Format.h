// CompiledFormat: a style row's printf-style format, parsed once and printed
// exactly as printf would, many times over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zemrik {

// A printf-style format with at most one conversion, parsed once and then
// printed many times without parsing again. It knows exactly the conversions
// the style table uses: %d, %u and %X (with or without the l length), a field
// width, the zero flag, literal text and %%. Output equals printf's.
class CompiledFormat {
public:
    static std::optional<CompiledFormat> compile(std::string_view format);

    // Most characters one call of write() can produce; `out` must hold that many.
    std::size_t maxLength() const { return maxLength_; }

    // Prints the format with `argument` (read as signed for %d) into `out`,
    // without a terminating NUL; returns the characters written.
    std::size_t write(char* out, std::uint32_t argument) const;

    std::string format(std::uint32_t argument) const;

    // For printing a value into the text of another that prints at the same
    // length: the kind of conversion, its zero padding, and how many
    // characters follow the number.
    bool convertsUnsigned() const {
        return conversion_ == Conversion::UnsignedDecimal || conversion_ == Conversion::UpperHex;
    }
    bool convertsHex() const { return conversion_ == Conversion::UpperHex; }
    // The width the zero flag pads the number to; 0 without the flag.
    std::size_t zeroPaddedWidth() const { return zeroPad_ ? width_ : 0; }
    std::size_t suffixLength() const { return suffix_.size(); }

private:
    enum class Conversion : std::uint8_t { None, SignedDecimal, UnsignedDecimal, UpperHex };

    CompiledFormat() = default;
    std::size_t writeNumber(char* out, std::uint32_t argument) const;

    std::string prefix_;  // literal text before the conversion, %% already resolved
    std::string suffix_;  // literal text after it
    Conversion conversion_ = Conversion::None;
    std::uint8_t width_ = 0;
    bool zeroPad_ = false;
    std::size_t maxLength_ = 0;  // asked before every element, so worked out once
};

}  // namespace zemrik
