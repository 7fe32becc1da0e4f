// readDebugLinks over ELF images built in code: the fields found in each
// class and byte order, and the boundaries of .gnu_debuglink and notes.
#include "image/DebugLinks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "image/tests/ImageBuilders.h"
#include "testing/CaseName.h"

namespace zemrik::image {
namespace {

using test::Bytes;
using test::ElfImageBuilder;
namespace e = elf;

const Bytes kBuildId{0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, 0x05};

// One note, its name and descriptor padded to `unit` bytes.
Bytes note(const ElfImageBuilder& builder, const std::string& name, std::uint32_t type, const Bytes& desc,
           unsigned unit = 4) {
    const auto padded = [unit](std::size_t length) { return (length + unit - 1) / unit * unit; };
    const std::size_t descAt = padded(12 + name.size());
    Bytes bytes(descAt + padded(desc.size()), 0);
    builder.put(bytes, 0, name.size(), 4);
    builder.put(bytes, 4, desc.size(), 4);
    builder.put(bytes, 8, type, 4);
    std::copy(name.begin(), name.end(), bytes.begin() + 12);
    std::copy(desc.begin(), desc.end(), bytes.begin() + static_cast<std::ptrdiff_t>(descAt));
    return bytes;
}

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// .gnu_debuglink's bytes: the name, its NUL, padding to 4, the CRC.
Bytes debugLink(const ElfImageBuilder& builder, const std::string& name, std::uint32_t crc) {
    Bytes bytes = bytesOf(name);
    bytes.resize((name.size() + 1 + 3) / 4 * 4, 0);
    builder.put(bytes, bytes.size(), crc, 4);
    return bytes;
}

class DebugLinksInEveryClass : public ::testing::TestWithParam<std::pair<unsigned, ByteOrder>> {};

TEST_P(DebugLinksInEveryClass, LinkBuildIdAndOwnDebugInfo) {
    ElfImageBuilder builder(GetParam().first, GetParam().second);
    const std::string gnu("GNU\0", 4);
    // A note of another kind comes first, as .note.ABI-tag does.
    Bytes notes = note(builder, gnu, 1, Bytes(16, 0));
    const Bytes buildIdNote = note(builder, gnu, e::kNtGnuBuildId, kBuildId);
    notes.insert(notes.end(), buildIdNote.begin(), buildIdNote.end());
    builder.section({".note", e::kShtNote, e::kShfAlloc, 0x1000, notes});
    builder.section({".gnu_debuglink", 1, 0, 0, debugLink(builder, "prog.debug", 0x89ABCDEF)});
    builder.section({".debug_info", 1, 0, 0, Bytes(8, 1)});
    const auto links = readDebugLinks(builder.build());
    ASSERT_TRUE(links) << defectMessage(links.error());
    EXPECT_EQ(*links, (DebugLinks{true, DebugLink{"prog.debug", 0x89ABCDEF}, kBuildId}));
}

INSTANTIATE_TEST_SUITE_P(DebugLinksTest, DebugLinksInEveryClass,
                         ::testing::Values(std::pair{32u, ByteOrder::LittleEndian},
                                           std::pair{32u, ByteOrder::BigEndian},
                                           std::pair{64u, ByteOrder::LittleEndian},
                                           std::pair{64u, ByteOrder::BigEndian}));

struct LinkCase {
    const char* name;
    std::function<Bytes()> image;
    Expected<DebugLinks, ImageDefect> expected;
};

void PrintTo(const LinkCase& value, std::ostream* out) { *out << value.name; }

ElfImageBuilder elf64() { return ElfImageBuilder(64, ByteOrder::LittleEndian); }

// An image with one section holding `data`.
std::function<Bytes()> withSection(std::string name, std::uint32_t type, Bytes data) {
    return [=] {
        ElfImageBuilder builder = elf64();
        builder.section({name, type, 0, 0, data});
        return builder.build();
    };
}

Bytes gnuBuildIdNote(const Bytes& desc, unsigned unit = 4) {
    return note(elf64(), std::string("GNU\0", 4), e::kNtGnuBuildId, desc, unit);
}

// The note with its descriptor size field set to `size`.
Bytes withDescSize(Bytes bytes, std::uint64_t size) {
    test::putField(bytes, 4, size, 4);
    return bytes;
}

Bytes cut(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}

DebugLinks linkOnly(std::string name, std::uint32_t crc) { return DebugLinks{false, DebugLink{name, crc}, {}}; }
DebugLinks buildIdOnly(Bytes id) { return DebugLinks{false, std::nullopt, std::move(id)}; }

class DebugLinksBoundaries : public ::testing::TestWithParam<LinkCase> {};

TEST_P(DebugLinksBoundaries, ReadOrRefused) {
    const auto links = readDebugLinks(GetParam().image());
    const auto& expected = GetParam().expected;
    ASSERT_EQ(links.hasValue(), expected.hasValue()) << (links ? "read" : defectMessage(links.error()));
    if (expected) {
        EXPECT_EQ(*links, *expected);
    } else {
        EXPECT_EQ(links.error(), expected.error());
    }
}

const Bytes kTwelveBytes(12, 0x11);

INSTANTIATE_TEST_SUITE_P(
    DebugLinksTest, DebugLinksBoundaries,
    ::testing::Values(
        // "abc" and its NUL fill 4 bytes: the CRC follows at once, no padding.
        LinkCase{"LinkAtItsLength", withSection(".gnu_debuglink", 1, Bytes{'a', 'b', 'c', 0, 4, 3, 2, 1}),
                 linkOnly("abc", 0x01020304)},
        LinkCase{"LinkCrcCutByOne", withSection(".gnu_debuglink", 1, Bytes{'a', 'b', 'c', 0, 4, 3, 2}),
                 failure(ImageDefect::DebugLinkCut)},
        // "ab" and its NUL take 3 bytes, padded to 4 before the CRC.
        LinkCase{"LinkPadded", withSection(".gnu_debuglink", 1, Bytes{'a', 'b', 0, 0, 4, 3, 2, 1}),
                 linkOnly("ab", 0x01020304)},
        LinkCase{"LinkPaddingCut", withSection(".gnu_debuglink", 1, Bytes{'a', 'b', 0, 4, 3, 2, 1}),
                 failure(ImageDefect::DebugLinkCut)},
        LinkCase{"LinkNameUnterminated", withSection(".gnu_debuglink", 1, Bytes{'a', 'b', 'c', 'd'}),
                 failure(ImageDefect::DebugLinkCut)},
        LinkCase{"LinkEmpty", withSection(".gnu_debuglink", 1, Bytes{}), failure(ImageDefect::DebugLinkCut)},
        LinkCase{"LinkPastTheFile",
                 [] {
                     ElfImageBuilder builder = elf64();
                     const std::uint32_t index = builder.section({".gnu_debuglink", 1, 0, 0, Bytes(8, 'a')});
                     Bytes bytes = builder.build();
                     builder.put(bytes, builder.sectionHeader(index) + builder.layout().shSize, UINT64_MAX - 4, 8);
                     return bytes;
                 },
                 failure(ImageDefect::DebugLinkCut)},
        LinkCase{"NoteAtItsLength", withSection(".note", e::kShtNote, gnuBuildIdNote(kTwelveBytes)),
                 buildIdOnly(kTwelveBytes)},
        LinkCase{"NoteDescOnePast", withSection(".note", e::kShtNote, withDescSize(gnuBuildIdNote(kTwelveBytes), 13)),
                 failure(ImageDefect::NoteCut)},
        LinkCase{"NoteDescSizeMax",
                 withSection(".note", e::kShtNote, withDescSize(gnuBuildIdNote(kTwelveBytes), UINT32_MAX)),
                 failure(ImageDefect::NoteCut)},
        LinkCase{"NoteNameSizeMax",
                 [] {
                     Bytes bytes = gnuBuildIdNote(kTwelveBytes);
                     test::putField(bytes, 0, UINT32_MAX, 4);
                     return withSection(".note", e::kShtNote, bytes)();
                 },
                 failure(ImageDefect::NoteCut)},
        LinkCase{"NoteHeaderCut", withSection(".note", e::kShtNote, cut(gnuBuildIdNote(kTwelveBytes), 11)),
                 failure(ImageDefect::NoteCut)},
        // Notes in a section aligned to 8 (.note.gnu.property) start their
        // descriptor 16 bytes in, after "GNU\0".
        LinkCase{
            "NoteAlignedTo8",
            [] {
                ElfImageBuilder builder = elf64();
                const std::uint32_t index = builder.section({".note", e::kShtNote, 0, 0, gnuBuildIdNote(kBuildId, 8)});
                Bytes bytes = builder.build();
                builder.put(bytes, builder.sectionHeader(index) + builder.layout().shAddralign, 8, 8);
                return bytes;
            },
            buildIdOnly(kBuildId)},
        LinkCase{"NoteOfAnotherOwner",
                 withSection(".note", e::kShtNote, note(elf64(), std::string("XYZ\0", 4), e::kNtGnuBuildId, kBuildId)),
                 DebugLinks{}},
        // A debug file keeps the loaded sections' headers without their bytes.
        LinkCase{"DebugInfoWithoutBytes", withSection(".debug_info", e::kShtNobits, Bytes(16)), DebugLinks{}},
        LinkCase{"SegmentNote",
                 [] {
                     ElfImageBuilder builder = elf64();
                     const Bytes notes = gnuBuildIdNote(kBuildId);
                     builder.withoutSectionHeaders().segment({e::kPtNote, 0, 0x100, 0, notes.size(), notes.size()});
                     Bytes bytes = builder.build();
                     test::putBytes(bytes, 0x100, notes);
                     return bytes;
                 },
                 buildIdOnly(kBuildId)},
        LinkCase{"SegmentNotePastTheFile",
                 [] {
                     ElfImageBuilder builder = elf64();
                     const Bytes notes = gnuBuildIdNote(kBuildId);
                     builder.withoutSectionHeaders().segment({e::kPtNote, 0, 0x100, 0, notes.size(), notes.size()});
                     Bytes bytes = builder.build();
                     test::putBytes(bytes, 0x100, cut(notes, notes.size() - 1));
                     return bytes;
                 },
                 failure(ImageDefect::NoteCut)},
        LinkCase{"NotElf",
                 [] {
                     return Bytes{'M', 'Z', 0, 0};
                 },
                 DebugLinks{}}),
    test::CaseName());

}  // namespace
}  // namespace zemrik::image
