// How one element of a table becomes text: the writers the walks' loops are
// compiled for, and ElementPrinter, which picks one for a style row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/Digits.h"
#include "core/Format.h"
#include "core/Language.h"

namespace zemrik {

// Writers may store up to this many bytes from where an element starts, past
// the text they return, so callers reserve this much beyond the text.
inline constexpr std::size_t kElementOverwrite = 16;

// An element's text printed once, padded to a size copied in one move.
struct PreparedText {
    std::array<char, kElementOverwrite> characters{};
    std::size_t length = 0;
};

// The concrete ways of printing one element; each write() returns the
// characters printed. The walks' loops are compiled once per writer.

// Bytes whose texts differ in length (a decimal row whose values print at
// their own widths).
class ByteTextWriter {
public:
    explicit ByteTextWriter(const PreparedText* texts) : texts_(texts) {}
    std::size_t write(char* out, std::uint32_t value) const {
        const PreparedText& text = texts_[value & 0xFF];
        std::memcpy(out, text.characters.data(), kElementOverwrite);
        return text.length;
    }

private:
    const PreparedText* texts_;
};

// Bytes whose texts all have one length.
class FixedByteTextWriter {
public:
    FixedByteTextWriter(const PreparedText* texts, std::size_t length) : texts_(texts), length_(length) {}
    std::size_t write(char* out, std::uint32_t value) const {
        std::memcpy(out, texts_[value & 0xFF].characters.data(), kElementOverwrite);
        return length_;
    }

private:
    const PreparedText* texts_;
    std::size_t length_;
};

// Words and dwords in hex, zero-padded to at least all their digits: the
// text of 0 with every digit pair of the value printed over its number.
template <int Pairs>
class HexPairWriter {
public:
    HexPairWriter(const PreparedText& zero, std::size_t numberEnd) : zero_(zero), numberEnd_(numberEnd) {}
    std::size_t write(char* out, std::uint32_t value) const {
        std::memcpy(out, zero_.characters.data(), kElementOverwrite);
        digits::writeHexPairs<Pairs>(out + numberEnd_, value);
        return zero_.length;
    }

private:
    PreparedText zero_;  // a copy: stores through char pointers cannot alias it
    std::size_t numberEnd_;
};

// Words and dwords in hex whose every value prints at one length without
// zero padding to all their digits: the text of 0 with the value's
// significant digits printed over its number.
class PatchedHexWriter {
public:
    PatchedHexWriter(const PreparedText& zero, std::size_t numberEnd) : zero_(zero), numberEnd_(numberEnd) {}
    std::size_t write(char* out, std::uint32_t value) const {
        std::memcpy(out, zero_.characters.data(), kElementOverwrite);
        digits::writeHex(out + numberEnd_, value);
        return zero_.length;
    }

private:
    PreparedText zero_;  // a copy: stores through char pointers cannot alias it
    std::size_t numberEnd_;
};

// Words (5 places) and dwords (10 places) in decimal, in a field at least
// that wide: the text of 0 with all the places of the number printed over it.
template <int Width>
class DecimalFieldWriter {
public:
    DecimalFieldWriter(const PreparedText& zero, std::size_t numberEnd, char fill)
        : zero_(zero), fieldStart_(numberEnd - Width), fill_(fill) {}
    std::size_t write(char* out, std::uint32_t value) const {
        std::memcpy(out, zero_.characters.data(), kElementOverwrite);
        digits::writeDecimalField<Width>(out + fieldStart_, value, fill_);
        return zero_.length;
    }

private:
    PreparedText zero_;  // a copy: stores through char pointers cannot alias it
    std::size_t fieldStart_;
    char fill_;
};

// Anything else: the format itself, which writes nothing past its text.
class FormatWriter {
public:
    explicit FormatWriter(const CompiledFormat& format) : format_(format) {}
    std::size_t write(char* out, std::uint32_t value) const { return format_.write(out, value); }

private:
    const CompiledFormat& format_;
};

// Prints element values of one size through one compiled format, by the
// quickest writer the format allows.
class ElementPrinter {
public:
    ElementPrinter(const CompiledFormat& format, ElementSize size);

    // The most characters any value of the element's size prints.
    std::size_t maxLength() const { return maxLength_; }
    // The one length every value prints at, or 0 when lengths differ.
    std::size_t fixedLength() const { return fixedLength_; }

    // Calls `visitor` with this printer's writer, so that a loop over many
    // elements is compiled for each writer without a branch per element.
    template <class Visitor>
    decltype(auto) visit(Visitor&& visitor) const {
        switch (method_) {
        case Method::ByteTexts: return visitor(ByteTextWriter(byteTexts_.data()));
        case Method::FixedByteTexts: return visitor(FixedByteTextWriter(byteTexts_.data(), fixedLength_));
        case Method::WordHexPairs: return visitor(HexPairWriter<2>(zeroText_, numberEnd_));
        case Method::DwordHexPairs: return visitor(HexPairWriter<4>(zeroText_, numberEnd_));
        case Method::PatchedHex: return visitor(PatchedHexWriter(zeroText_, numberEnd_));
        case Method::WordDecimalField: return visitor(DecimalFieldWriter<5>(zeroText_, numberEnd_, fill_));
        case Method::DwordDecimalField: return visitor(DecimalFieldWriter<10>(zeroText_, numberEnd_, fill_));
        case Method::Format: break;
        }
        return visitor(FormatWriter(format_));
    }

    std::size_t write(char* out, std::uint32_t value) const {
        return visit([&](const auto& writer) -> std::size_t { return writer.write(out, value); });
    }

private:
    enum class Method {
        ByteTexts,
        FixedByteTexts,
        WordHexPairs,
        DwordHexPairs,
        PatchedHex,
        WordDecimalField,
        DwordDecimalField,
        Format,
    };

    void prepareByteTexts();
    void prepareZeroText(ElementSize size);

    const CompiledFormat& format_;
    Method method_ = Method::Format;
    std::size_t maxLength_ = 0;
    std::size_t fixedLength_ = 0;
    std::vector<PreparedText> byteTexts_;
    PreparedText zeroText_;
    std::size_t numberEnd_ = 0;
    char fill_ = ' ';
};

}  // namespace zemrik
