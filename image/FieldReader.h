// FieldReader: bounds-checked reads of an untrusted file's fields, in either
// byte order; every image reader reads through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/ByteOrder.h"

namespace zemrik::image {

// Reads the fields of an untrusted file. Every read is checked against the
// file's length first, with 64-bit positions that no header field can make
// wrap, and answers nothing instead of reading past the end.
class FieldReader {
public:
    explicit FieldReader(std::span<const std::uint8_t> bytes, ByteOrder order = ByteOrder::LittleEndian)
        : bytes_(bytes), order_(order) {}

    std::uint64_t size() const { return bytes_.size(); }
    ByteOrder order() const { return order_; }
    FieldReader withOrder(ByteOrder order) const { return FieldReader(bytes_, order); }

    // Whether [position, position + length) lies inside the file; never adds.
    bool contains(std::uint64_t position, std::uint64_t length) const {
        return position <= bytes_.size() && length <= bytes_.size() - position;
    }

    // The `length` bytes at `position`, as a file of their own.
    std::optional<std::span<const std::uint8_t>> slice(std::uint64_t position, std::uint64_t length) const {
        if (!contains(position, length)) return std::nullopt;
        return bytes_.subspan(static_cast<std::size_t>(position), static_cast<std::size_t>(length));
    }

    std::optional<std::uint8_t> u8(std::uint64_t position) const { return unsignedField<std::uint8_t>(position, 1); }
    std::optional<std::uint16_t> u16(std::uint64_t position) const { return unsignedField<std::uint16_t>(position, 2); }
    std::optional<std::uint32_t> u32(std::uint64_t position) const { return unsignedField<std::uint32_t>(position, 4); }
    std::optional<std::uint64_t> u64(std::uint64_t position) const { return unsignedField<std::uint64_t>(position, 8); }
    // A field of 4 or 8 bytes, as ELF's addresses and offsets are per class.
    std::optional<std::uint64_t> word(std::uint64_t position, unsigned width) const {
        return unsignedField<std::uint64_t>(position, width);
    }

    // The bytes from `position` up to the first NUL, which must come before
    // `end` (clipped to the file): nothing for a string left unterminated.
    std::optional<std::string_view> cString(std::uint64_t position, std::uint64_t end) const {
        if (end > bytes_.size()) end = bytes_.size();
        if (position >= end) return std::nullopt;
        const auto* first = reinterpret_cast<const char*>(bytes_.data()) + position;
        const std::string_view rest(first, static_cast<std::size_t>(end - position));
        const std::size_t terminator = rest.find('\0');
        if (terminator == std::string_view::npos) return std::nullopt;
        return rest.substr(0, terminator);
    }

    // Up to `length` bytes at `position`, cut at the first NUL: a fixed-size
    // name field that need not be terminated.
    std::optional<std::string_view> paddedName(std::uint64_t position, std::size_t length) const {
        if (!contains(position, length)) return std::nullopt;
        const std::string_view field(reinterpret_cast<const char*>(bytes_.data()) + position, length);
        return field.substr(0, field.find('\0'));
    }

private:
    template <class T>
    std::optional<T> unsignedField(std::uint64_t position, unsigned width) const {
        if (!contains(position, width)) return std::nullopt;
        T value = 0;
        for (unsigned index = 0; index < width; ++index) {
            const unsigned shift = order_ == ByteOrder::LittleEndian ? 8 * index : 8 * (width - 1 - index);
            value |= static_cast<T>(T{bytes_[static_cast<std::size_t>(position) + index]} << shift);
        }
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    ByteOrder order_;
};

}  // namespace zemrik::image
