#include "app/cli/SymbolNames.h"

#include <gtest/gtest.h>

namespace zemrik::cli {
namespace {

struct GlobCase {
    const char* pattern;
    const char* text;
    bool matches;
};

class Globs : public ::testing::TestWithParam<GlobCase> {};

TEST_P(Globs, MatchAsTheShellDoes) {
    EXPECT_EQ(matchesGlob(GetParam().pattern, GetParam().text), GetParam().matches)
        << GetParam().pattern << " / " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    SymbolNames, Globs,
    ::testing::Values(GlobCase{"crc*", "crc32_table", true}, GlobCase{"crc*", "xcrc", false}, GlobCase{"*", "", true},
                      GlobCase{"?", "", false}, GlobCase{"a?c", "abc", true}, GlobCase{"a?c", "abbc", false},
                      GlobCase{"*_table", "crc_table_table", true}, GlobCase{"*a*b*c", "xxaxbxxc", true},
                      GlobCase{"*a*b*c", "cba", false}, GlobCase{"[a-c]x", "bx", true}, GlobCase{"[a-c]x", "dx", false},
                      GlobCase{"[!a-c]x", "dx", true}, GlobCase{"[^a-c]x", "ax", false}, GlobCase{"[]]", "]", true},
                      GlobCase{"[ab", "[ab", true}, GlobCase{"\\*", "*", true}, GlobCase{"\\*", "a", false},
                      GlobCase{"exact", "exact", true}, GlobCase{"exact", "exactly", false}));

TEST(SymbolNames, OnlyMangledNamesAreDemangled) {
    EXPECT_EQ(demangled("_ZN2ns3tblE"), "ns::tbl");
    EXPECT_EQ(demangled("__ZN2ns3tblE"), "ns::tbl");  // 32-bit PE's underscore
    // A C name the demangler would take for a type, and a broken mangled one, stay.
    EXPECT_EQ(demangled("f"), "f");
    EXPECT_EQ(demangled("_Zbroken"), "_Zbroken");
}

}  // namespace
}  // namespace zemrik::cli
