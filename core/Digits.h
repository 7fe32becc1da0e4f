// Digit counting and writing, hex and decimal, two digits a step through
// lookup tables: the element printers' conversions.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zemrik::digits {

// Digit pairs, so that each step of a conversion yields two characters for
// one division (decimal) or one shift (hex).
inline constexpr std::array<char, 200> kDecimalPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

inline constexpr std::array<char, 512> kHexPairs = [] {
    std::array<char, 512> pairs{};
    for (int i = 0; i < 256; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = "0123456789ABCDEF"[i >> 4];
        pairs[static_cast<std::size_t>(2 * i + 1)] = "0123456789ABCDEF"[i & 0xF];
    }
    return pairs;
}();

inline std::size_t hexCount(std::uint32_t value) {
    return value == 0 ? 1 : static_cast<std::size_t>((std::bit_width(value) + 3) / 4);
}

inline constexpr std::array<std::uint32_t, 10> kPowersOfTen = {1,      10,      100,      1000,      10000,
                                                               100000, 1000000, 10000000, 100000000, 1000000000};

// Without a loop: 1233 / 4096 approximates log10(2), so this estimate of the
// count is either right or one too high.
inline std::size_t decimalCount(std::uint32_t value) {
    const auto estimate = static_cast<std::size_t>((std::bit_width(value | 1) * 1233) >> 12);
    // value | 1 makes 0 count as one digit; no power of ten from 10 up lies
    // between an even value and the odd one above it.
    return estimate + 1 - ((value | 1) < kPowersOfTen[estimate] ? 1 : 0);
}

// The writers below put the digits of `value` backwards, ending just before `end`.

inline void writeHex(char* end, std::uint32_t value) {
    for (; value >= 0x100; value >>= 8) {
        end -= 2;
        std::memcpy(end, &kHexPairs[(value & 0xFF) * 2], 2);
    }
    if (value >= 0x10) {
        std::memcpy(end - 2, &kHexPairs[value * 2], 2);
    } else {
        end[-1] = kHexPairs[value * 2 + 1];
    }
}

// Exactly 2 x `Pairs` digits, leading zeros included: no branch on the value.
template <int Pairs>
inline void writeHexPairs(char* end, std::uint32_t value) {
    for (int pair = 1; pair <= Pairs; ++pair) {
        std::memcpy(end - 2 * pair, &kHexPairs[(value & 0xFF) * 2], 2);
        value >>= 8;
    }
}

inline void writeDecimal(char* end, std::uint32_t value) {
    for (; value >= 100; value /= 100) {
        end -= 2;
        std::memcpy(end, &kDecimalPairs[(value % 100) * 2], 2);
    }
    if (value >= 10) {
        std::memcpy(end - 2, &kDecimalPairs[value * 2], 2);
    } else {
        end[-1] = static_cast<char>('0' + value);
    }
}

inline std::uint64_t decimalPair(std::uint32_t value) {
    std::uint16_t pair;
    std::memcpy(&pair, &kDecimalPairs[value * 2], 2);
    return pair;
}

// A decimal field of exactly `Width` characters, 5 (any word) or 10 (any
// dword), written from `out` on: the value's digits right-aligned, the places
// before them filled with `fill` (' ' or '0'). No branch on the value: every
// place is printed as a digit, then the leading zeros are masked into the
// fill. The characters are assembled in registers, the first in the lowest byte.
template <int Width>
inline void writeDecimalField(char* out, std::uint32_t value, char fill) {
    static_assert(Width == 5 || Width == 10);
    static_assert(std::endian::native == std::endian::little, "the first character must be the lowest byte");
    std::uint64_t head;      // the first eight places
    std::uint64_t tail = 0;  // the two after them
    if constexpr (Width == 10) {
        const std::uint32_t low = value % 100000000;
        const std::uint32_t high4 = low / 10000;
        const std::uint32_t low4 = low % 10000;
        head = decimalPair(value / 100000000) | decimalPair(high4 / 100) << 16 | decimalPair(high4 % 100) << 32 |
               decimalPair(low4 / 100) << 48;
        tail = decimalPair(low4 % 100);
    } else {
        const std::uint32_t low4 = value % 10000;
        head = std::uint64_t{'0' + value / 10000} | decimalPair(low4 / 100) << 8 | decimalPair(low4 % 100) << 24;
    }
    const std::size_t filled = Width - decimalCount(value);
    const std::uint64_t fills = 0x0101010101010101u * static_cast<unsigned char>(fill);
    const std::uint64_t headMask = filled >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * filled)) - 1;
    const std::uint64_t tailMask = filled > 8 ? (std::uint64_t{1} << (8 * (filled - 8))) - 1 : 0;
    head = (head & ~headMask) | (fills & headMask);
    tail = (tail & ~tailMask) | (fills & tailMask);
    if constexpr (Width == 10) {
        std::memcpy(out, &head, 8);
        std::memcpy(out + 8, &tail, 2);
    } else {
        std::memcpy(out, &head, 5);
    }
}

}  // namespace zemrik::digits
