// PE images' debug sections built in code, as DebugInfo::open refuses them:
// long names that lead nowhere, and compressed sections whose header or
// stream lies. Real MinGW builds are read end to end by compile_output.py.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "debuginfo/DebugInfo.h"
#include "image/tests/ImageBuilders.h"

namespace zemrik::debuginfo {
namespace {

using test::Bytes;
using test::PeImageBuilder;

// "ZLIB", the size inflated as 8 big-endian bytes, then the stream.
Bytes compressedSection(std::uint64_t claimedSize, const Bytes& stream) {
    Bytes bytes{'Z', 'L', 'I', 'B'};
    for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(claimedSize >> shift));
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

Bytes deflated(const Bytes& data) {
    Bytes out(compressBound(data.size()));
    uLongf size = out.size();
    EXPECT_EQ(compress(out.data(), &size, data.data(), data.size()), Z_OK);
    out.resize(size);
    return out;
}

// A PE32 image whose one section, named `written`, holds `bytes` at 0x400
// in 0x200 bytes of raw data (the rest zero padding, as MinGW pads it);
// ".zdebug_info" is at offset 4 of the string table.
Bytes peWith(const std::string& written, const Bytes& bytes) {
    PeImageBuilder builder;
    builder.section({0x1000, 0x2000, 0x400, 0x200, written})
        .minimumSize(0x600)
        .coffSymbols({{".zdebug_info", 0, 0, 3}});
    Bytes image = builder.build();
    test::putBytes(image, 0x400, bytes);
    return image;
}

TEST(PeDebugInfo, RefusedWithItsReason) {
    const Bytes data(0x100, 0x5A);
    const Bytes stream = deflated(data);
    const struct {
        const char* name;
        Bytes image;
        RefusalKind kind;
        std::string reason;
    } kCases[] = {
        {"no debug sections", peWith(".text", data), RefusalKind::NoDebugInfo, "no debug info"},
        {"name past the table", peWith("/46", data), RefusalKind::Malformed,
         "its debug sections: a section's long name lies outside its COFF string table"},
        {"no ZLIB header", peWith("/4", data), RefusalKind::Malformed,
         "the debug section .zdebug_info has no ZLIB header"},
        // Deflate shrinks by 1032 at most: a larger claim over the 500 bytes
        // of raw data after the header is forged; one at the ratio is inflated.
        {"size at the ratio", peWith("/4", compressedSection(1032 * 500 + 1031, stream)), RefusalKind::Malformed,
         "does not inflate to the 517031 bytes its header gives"},
        {"size past the ratio", peWith("/4", compressedSection(1032 * 500 + 1032, stream)), RefusalKind::Malformed,
         "the debug section .zdebug_info claims 517032 bytes uncompressed"},
        {"size 2^64-1", peWith("/4", compressedSection(UINT64_MAX, stream)), RefusalKind::Malformed,
         "claims 18446744073709551615 bytes uncompressed"},
        {"stream longer than claimed", peWith("/4", compressedSection(0xFF, stream)), RefusalKind::Malformed,
         "the debug section .zdebug_info does not inflate to the 255 bytes its header gives"},
        {"stream shorter than claimed", peWith("/4", compressedSection(0x101, stream)), RefusalKind::Malformed,
         "does not inflate to the 257 bytes its header gives"},
        {"stream cut", peWith("/4", compressedSection(0x100, Bytes(stream.begin(), stream.begin() + 4))),
         RefusalKind::Malformed, "does not inflate to the 256 bytes"},
        // It inflates, padding and all, into bytes that are no DWARF.
        {"inflates to no DWARF", peWith("/4", compressedSection(0x100, stream)), RefusalKind::Malformed, ""},
    };
    for (const auto& [name, image, kind, reason] : kCases) {
        const auto info = DebugInfo::open(image);
        ASSERT_FALSE(info) << name;
        EXPECT_EQ(info.error().kind, kind) << name << ": " << info.error().reason;
        EXPECT_NE(info.error().reason.find(reason), std::string::npos) << name << ": " << info.error().reason;
    }
}

}  // namespace
}  // namespace zemrik::debuginfo
