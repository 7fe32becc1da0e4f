#pragma once

#include <array>
#include <cstring>
#include <cstddef>
#include <cstdint>
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
        if (byteTexts_.empty()) return format_.write(out, value);
        const Text& text = byteTexts_[value & 0xFF];
        std::memcpy(out, text.characters.data(), kOverwrite);
        return text.length;
    }

private:
    struct Text {
        std::array<char, kOverwrite> characters;
        std::size_t length;
    };

    const CompiledFormat& format_;
    std::size_t maxLength_;
    std::vector<Text> byteTexts_;
};

}  // namespace zemrik
