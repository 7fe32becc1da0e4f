#include "run/FieldConversion.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zemrik {
namespace {

struct ConversionCase {
    std::string text;
    std::optional<std::uint32_t> expected;
};

const std::vector<ConversionCase> kHexCases = {
    {"40", 0x40},
    {"0x40", 0x40},
    {"0X40", 0x40},
    {"1A2Cg", 0x1A2C},
    {"abcdef", 0xABCDEF},
    {"  +ff", 0xFF},
    {"\t\n\v\f\r 2C0", 0x2C0},
    {"-1", 0xFFFFFFFF},
    {"-0x10", 0xFFFFFFF0},
    {"+0x10", 0x10},
    {"FFFFFFFF", 0xFFFFFFFF},
    {"100000000", 0},  // nine digits keep the low 32 bits
    {"123456789", 0x23456789},
    {"0x123456789ABCDEF0", 0x9ABCDEF0},
    {"0", 0},
    {"00", 0},
    {"0 x1", 0},
    {"0xx1", std::nullopt},
    {"0x", std::nullopt},
    {"0X", std::nullopt},
    {"0xZ", std::nullopt},
    {"-0x", std::nullopt},
    {"   ", std::nullopt},
    {"", std::nullopt},
    {"-", std::nullopt},
    {"+", std::nullopt},
    {"+-1", std::nullopt},
    {"g", std::nullopt},
    {"x10", std::nullopt},
    {"- 1", std::nullopt},
    {std::string("\0"
                 "1",
                 2),
     std::nullopt},
};

const std::vector<ConversionCase> kDecimalCases = {
    {"257", 257},          {"  +8", 8},
    {"\t\n\v\f\r 12", 12}, {"4294967295", 0xFFFFFFFF},
    {"4294967296", 0},  // accumulates modulo 2^32
    {"4294967297", 1},     {"-1", 0xFFFFFFFF},
    {"-256", 0xFFFFFF00},  {"0x10", 0},  // reads the "0" and stops at the "x"
    {"12ab", 12},          {"0", 0},
    {"ff", std::nullopt},  {"", std::nullopt},
    {"  ", std::nullopt},  {"-", std::nullopt},
    {"+", std::nullopt},   {"--1", std::nullopt},
};

TEST(FieldConversionTest, HexFieldsFollowScanfHex) {
    for (const ConversionCase& c : kHexCases) {
        SCOPED_TRACE("text: \"" + c.text + "\"");
        EXPECT_EQ(convertHexField(c.text), c.expected);
    }
}

TEST(FieldConversionTest, DecimalFieldsFollowScanfUnsigned) {
    for (const ConversionCase& c : kDecimalCases) {
        SCOPED_TRACE("text: \"" + c.text + "\"");
        EXPECT_EQ(convertDecimalField(c.text), c.expected);
    }
}

}  // namespace
}  // namespace zemrik
