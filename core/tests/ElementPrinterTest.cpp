#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/ElementPrinter.h"
#include "core/OutputStyle.h"

namespace zemrik {
namespace {

ElementSize sizeOfColumn(int column) {
    return column < 2 ? ElementSize::Byte : column < 4 ? ElementSize::Word : ElementSize::Dword;
}

std::uint32_t largest(ElementSize size) {
    return size == ElementSize::Byte ? 0xFF : size == ElementSize::Word ? 0xFFFF : 0xFFFFFFFF;
}

// The walks reserve maxLength() per element: it must cover every value, and
// the printer must print exactly what the format prints, storing nothing
// beyond its documented overwrite.
TEST(ElementPrinter, PrintsAsTheFormatWithinItsReservation) {
    for (int slot = 0; slot < 24; ++slot) {
        const OutputStyle& row = *styleTable[static_cast<std::size_t>(slot)];
        const auto format = CompiledFormat::compile(std::string(row.elementFormat) + row.separator);
        ASSERT_TRUE(format);
        const ElementSize size = sizeOfColumn(slot % 6);
        const ElementPrinter printer(*format, size);
        std::size_t longest = 0;
        for (std::uint32_t value : {0u, 1u, 9u, 10u, 99u, 100u, 255u, 0x100u, 0xFFFFu, 0x10000u, 0xFFFFFFFFu}) {
            if (value > largest(size)) continue;
            char out[64];
            std::memset(out, '#', sizeof out);
            const std::size_t length = printer.write(out, value);
            EXPECT_EQ(std::string(out, length), format->format(value)) << slot << " " << value;
            const std::size_t touched = std::max(length, ElementPrinter::kOverwrite);
            for (std::size_t i = touched; i < sizeof out; ++i) ASSERT_EQ(out[i], '#') << slot;
            longest = std::max(longest, length);
        }
        EXPECT_EQ(printer.maxLength(), longest) << slot;
    }
}

}  // namespace
}  // namespace zemrik
