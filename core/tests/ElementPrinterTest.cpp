#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/ElementPrinter.h"
#include "core/OutputStyle.h"

namespace zemrik {
namespace {

std::uint32_t largest(ElementSize size) {
    return size == ElementSize::Byte ? 0xFF : size == ElementSize::Word ? 0xFFFF : 0xFFFFFFFF;
}

// Where the number of digits or of hex digits changes, and the ends.
std::vector<std::uint32_t> boundaryValues(ElementSize size) {
    std::vector<std::uint32_t> values{0, 1};
    for (std::uint64_t power = 10; power <= 0xFFFFFFFFu; power *= 10)
        values.insert(values.end(), {std::uint32_t(power - 1), std::uint32_t(power)});
    for (std::uint64_t power = 16; power <= 0xFFFFFFFFu; power *= 16)
        values.insert(values.end(), {std::uint32_t(power - 1), std::uint32_t(power)});
    values.push_back(0xFFFFFFFF);
    std::erase_if(values, [&](std::uint32_t value) { return value > largest(size); });
    return values;
}

// The walks reserve maxLength() per element: it must cover every value, and
// the printer must print exactly what the format prints, storing nothing
// beyond its documented overwrite, and report a fixed length only when
// every value prints at it.
void expectPrintsAsItsFormat(const CompiledFormat& format, ElementSize size, const std::string& what) {
    const ElementPrinter printer(format, size);
    std::size_t longest = 0;
    std::size_t shortest = SIZE_MAX;
    for (std::uint32_t value : boundaryValues(size)) {
        char out[96];
        std::memset(out, '#', sizeof out);
        const std::size_t length = printer.write(out, value);
        EXPECT_EQ(std::string(out, length), format.format(value)) << what << " " << value;
        const std::size_t touched = std::max(length, kElementOverwrite);
        for (std::size_t i = touched; i < sizeof out; ++i) ASSERT_EQ(out[i], '#') << what;
        longest = std::max(longest, length);
        shortest = std::min(shortest, length);
    }
    EXPECT_EQ(printer.maxLength(), longest) << what;
    EXPECT_EQ(printer.fixedLength(), shortest == longest ? longest : 0) << what;
}

TEST(ElementPrinter, PrintsEveryRowAsItsFormat) {
    for (int slot = 0; slot < 24; ++slot) {
        const OutputStyle& row = *styleTable[static_cast<std::size_t>(slot)];
        const auto format = CompiledFormat::compile(std::string(row.elementFormat) + row.separator);
        ASSERT_TRUE(format);
        expectPrintsAsItsFormat(*format, elementSizeOf(static_cast<StyleColumn>(slot % 6)),
                                "slot " + std::to_string(slot));
    }
}

// Formats no row uses yet, one for each way of printing: zero-filled and
// wider decimal fields, hex padded with spaces, a sign, a text too long to
// prepare.
TEST(ElementPrinter, PrintsOtherFormatsAsTheyPrint) {
    for (const char* text : {"%05lu, ", "%010lu", "%12lu", "%08lu", "%8lX, ", "%lX", "%d, ", "%30lu"}) {
        const auto format = CompiledFormat::compile(text);
        ASSERT_TRUE(format) << text;
        for (ElementSize size : {ElementSize::Byte, ElementSize::Word, ElementSize::Dword}) {
            expectPrintsAsItsFormat(*format, size, std::string(text) + " size " + std::to_string(byteCount(size)));
        }
    }
}

}  // namespace
}  // namespace zemrik
