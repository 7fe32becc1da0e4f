#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "core/Format.h"
#include "core/OutputStyle.h"

namespace zemrik {
namespace {

// The conversion letter of a format's one conversion, 0 when it has none.
char conversionOf(const std::string& format) {
    for (std::size_t at = 0; at + 1 < format.size(); ++at) {
        if (format[at] != '%') continue;
        if (format[at + 1] == '%') {
            ++at;
            continue;
        }
        const std::size_t letter = format.find_first_not_of("0123456789l", at + 1);
        return letter == std::string::npos ? 0 : format[letter];
    }
    return 0;
}

// What the C library prints for a format taking one 32-bit argument.
std::string printfReference(const std::string& format, std::uint32_t argument) {
    char text[256];
    int length = 0;
    const bool isLong = format.find('l') != std::string::npos;
    if (conversionOf(format) == 'd') {
        length =
            std::snprintf(text, sizeof text, format.c_str(), static_cast<int>(static_cast<std::int32_t>(argument)));
    } else if (isLong) {
        length = std::snprintf(text, sizeof text, format.c_str(), static_cast<unsigned long>(argument));
    } else {
        length = std::snprintf(text, sizeof text, format.c_str(), static_cast<unsigned>(argument));
    }
    return std::string(text, static_cast<std::size_t>(length));
}

std::set<std::string> everyTableFormat() {
    std::set<std::string> formats;
    for (const OutputStyle* row : styleTable) {
        formats.insert(std::string(row->elementFormat) + row->separator);
        formats.insert(row->lastFormat);
        if (std::string(row->headerFormat).find('%') != std::string::npos) formats.insert(row->headerFormat);
    }
    formats.insert("%d%%");  // the progress label
    formats.insert("%lX");   // the file size box
    return formats;
}

std::vector<std::uint32_t> edgeAndRandomValues() {
    std::vector<std::uint32_t> values = {0,     1,      9,          10,         99,         100,
                                         255,   256,    999,        1000,       65535,      65536,
                                         99999, 100000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
    std::mt19937 random(20261208);
    for (int i = 0; i < 20000; ++i) values.push_back(static_cast<std::uint32_t>(random() >> (random() % 32)));
    return values;
}

TEST(CompiledFormat, MatchesPrintfForEveryTableFormat) {
    const auto values = edgeAndRandomValues();
    for (const std::string& text : everyTableFormat()) {
        const auto format = CompiledFormat::compile(text);
        ASSERT_TRUE(format) << text;
        for (std::uint32_t value : values) {
            const std::string printed = format->format(value);
            ASSERT_EQ(printed, printfReference(text, value)) << text << " with " << value;
            ASSERT_LE(printed.size(), format->maxLength()) << text;
        }
    }
}

TEST(CompiledFormat, MatchesPrintfForWidthsFlagsAndSigns) {
    const char* formats[] = {"%d", "%5d", "%05d",   "%012d",  "%u",    "%1u",  "%08lu",
                             "%X", "%1X", "%016lX", "%%%d%%", "[%3X]", "%64u", "%064d"};
    const std::uint32_t values[] = {0, 5, 0xFFFFFFFB, 0x80000000, 0x7FFFFFFF, 0xFFFFFFFF, 123456789};
    for (const char* text : formats) {
        const auto format = CompiledFormat::compile(text);
        ASSERT_TRUE(format) << text;
        for (std::uint32_t value : values) EXPECT_EQ(format->format(value), printfReference(text, value)) << text;
    }
}

TEST(CompiledFormat, WritesNothingPastWhatItReports) {
    const auto format = CompiledFormat::compile("0x%08lX };");
    char out[32];
    std::memset(out, '#', sizeof out);
    const std::size_t length = format->write(out, 0xABCDEF);
    EXPECT_EQ(std::string(out, length), "0x00ABCDEF };");
    for (std::size_t i = length; i < sizeof out; ++i) EXPECT_EQ(out[i], '#');
}

TEST(CompiledFormat, FormatsWithoutConversionPrintTheirText) {
    EXPECT_EQ(CompiledFormat::compile("table\tdb ")->format(1234), "table\tdb ");
    EXPECT_EQ(CompiledFormat::compile("")->format(7), "");
    EXPECT_EQ(CompiledFormat::compile("100%%")->format(7), "100%");
}

TEST(CompiledFormat, RefusesWhatItCannotPrint) {
    for (const char* text : {"%s", "%x", "%", "%5", "%l", "%d%d", "%-5d", "%999d", "%lld", "%c"})
        EXPECT_FALSE(CompiledFormat::compile(text)) << text;
}

}  // namespace
}  // namespace zemrik
