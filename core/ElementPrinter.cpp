#include "core/ElementPrinter.h"

#include <algorithm>

namespace zemrik {
namespace {

std::uint32_t largestValue(ElementSize size) {
    switch (size) {
    case ElementSize::Byte: return 0xFF;
    case ElementSize::Word: return 0xFFFF;
    case ElementSize::Dword: break;
    }
    return 0xFFFFFFFF;
}

}  // namespace

ElementPrinter::ElementPrinter(const CompiledFormat& format, ElementSize size) : format_(format) {
    // Digits only grow with the magnitude and the rest is fixed, so the
    // longest text is among these (the half covers a signed conversion).
    const std::uint32_t largest = largestValue(size);
    maxLength_ = std::max({format.format(0).size(), format.format(largest).size(), format.format(largest >> 1).size()});
    if (maxLength_ > kOverwrite) return;
    if (size == ElementSize::Byte) {
        byteTexts_.resize(256);
        for (std::uint32_t value = 0; value < 256; ++value) {
            Text& text = byteTexts_[value];
            text.length = format.write(text.characters.data(), value);
        }
        method_ = Method::ByteTexts;
        return;
    }
    zeroText_.length = format.write(zeroText_.characters.data(), 0);
    if (format.convertsUnsigned() && zeroText_.length == maxLength_) {
        numberEnd_ = zeroText_.length - format.suffixLength();
        method_ = Method::FixedLength;
    }
}

}  // namespace zemrik
