#include "core/OutputEstimate.h"

#include <gtest/gtest.h>

namespace zemrik {
namespace {

TEST(EstimateOutputSize, ExamplesAndLimits) {
    struct Case {
        Language language;
        ElementSize size;
        std::uint32_t tableSize;
        std::uint8_t perLine;
        std::optional<std::uint32_t> estimate;
    };
    const Case cases[] = {
        {Language::C, ElementSize::Byte, 64, 8, 508},
        {Language::C, ElementSize::Word, 64, 8, 624},
        {Language::DataStr, ElementSize::Byte, 5, 2, 2 * 2 + 10 + 100},
        {Language::C, ElementSize::Byte, 64, 0, std::nullopt},
        {Language::Asm, ElementSize::Dword, 0x15555550, 255, std::nullopt},  // x 12 passes 2^32
        {Language::DataStr, ElementSize::Byte, 0x7FFFFF00, 255, std::nullopt},
        {Language::DataStr, ElementSize::Byte, 0x7F000000, 255, 0x7F000000u / 255 * 2 + 0xFE000000u + 100},
    };
    for (const Case& c : cases) {
        const OutputStyle& style = styleRow(c.language, styleColumn(c.size, Notation::Hex));
        EXPECT_EQ(estimateOutputSize(c.tableSize, c.size, c.perLine, style), c.estimate) << c.tableSize;
    }
}

}  // namespace
}  // namespace zemrik
