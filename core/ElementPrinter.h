#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/Format.h"
#include "core/Language.h"

namespace zemrik {

// Prints element values of one size through one compiled format. Byte
// elements, the most numerous, come from the 256 texts printed once up front.
class ElementPrinter {
public:
    // write() may store up to this many bytes past the text it returns, so
    // callers reserve maxLength() per element plus this once.
    static constexpr std::size_t kOverwrite = 16;

    ElementPrinter(const CompiledFormat& format, ElementSize size);

    // The most characters any value of the element's size prints.
    std::size_t maxLength() const { return maxLength_; }

    std::size_t write(char* out, std::uint32_t value) const {
        switch (method_) {
        case Method::ByteTexts: {
            const Text& text = byteTexts_[value & 0xFF];
            std::memcpy(out, text.characters.data(), kOverwrite);
            return text.length;
        }
        case Method::FixedLength:
            // The text of 0 with this value's digits printed over its number.
            std::memcpy(out, zeroText_.characters.data(), kOverwrite);
            format_.writeDigits(out + numberEnd_, value);
            return zeroText_.length;
        case Method::Format: break;
        }
        return format_.write(out, value);
    }

private:
    // Bytes: 256 texts printed up front. Wider elements whose every value
    // prints in the same length: the digits only. Anything else: the format.
    enum class Method { ByteTexts, FixedLength, Format };

    struct Text {
        std::array<char, kOverwrite> characters{};
        std::size_t length = 0;
    };

    const CompiledFormat& format_;
    Method method_ = Method::Format;
    std::size_t maxLength_;
    std::vector<Text> byteTexts_;
    Text zeroText_;
    std::size_t numberEnd_ = 0;
};

}  // namespace zemrik
