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
    const std::size_t zeroLength = format.format(0).size();
    maxLength_ = std::max({zeroLength, format.format(largest).size(), format.format(largest >> 1).size()});
    // Unsigned, 0 prints the fewest digits: printing as long as the longest
    // value, it means every value does.
    if (format.convertsUnsigned() && zeroLength == maxLength_) fixedLength_ = maxLength_;
    if (maxLength_ > kElementOverwrite) return;
    if (size == ElementSize::Byte) {
        prepareByteTexts();
    } else {
        prepareZeroText(size);
    }
}

void ElementPrinter::prepareByteTexts() {
    byteTexts_.resize(256);
    bool oneLength = true;
    for (std::uint32_t value = 0; value < 256; ++value) {
        PreparedText& text = byteTexts_[value];
        text.length = format_.write(text.characters.data(), value);
        oneLength = oneLength && text.length == byteTexts_[0].length;
    }
    fixedLength_ = oneLength ? maxLength_ : 0;
    method_ = oneLength ? Method::FixedByteTexts : Method::ByteTexts;
}

void ElementPrinter::prepareZeroText(ElementSize size) {
    if (fixedLength_ == 0) return;
    zeroText_.length = format_.write(zeroText_.characters.data(), 0);
    numberEnd_ = zeroText_.length - format_.suffixLength();
    const bool word = size == ElementSize::Word;
    if (!format_.convertsHex()) {
        // The largest value fills the field's every place, so the number is at least this wide.
        fill_ = format_.zeroPaddedWidth() != 0 ? '0' : ' ';
        method_ = word ? Method::WordDecimalField : Method::DwordDecimalField;
    } else if (format_.zeroPaddedWidth() >= 2 * byteCount(size)) {
        method_ = word ? Method::WordHexPairs : Method::DwordHexPairs;
    } else {
        method_ = Method::PatchedHex;
    }
}

}  // namespace zemrik
