// Names that lead to one file: identity through any path or link, and a
// replacement made through a symbolic link or over a hard-linked file.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/File.h"
#include "platform/ReplacementFile.h"
#include "platform/tests/PlatformTest.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace zemrik::platform {
namespace {

class PlatformLinks : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        fs::create_directories(directory_ / "sub");
        writeText("table.h", "old");
    }
};

TEST_F(PlatformLinks, EveryNameOfAFileHasItsIdentity) {
    writeText("other.h", "old");
    fs::create_hard_link(directory_ / "table.h", directory_ / "hard.h");
#ifndef _WIN32
    fs::create_symlink("table.h", directory_ / "link.h");
    fs::create_symlink("../link.h", directory_ / "sub" / "chain.h");
#endif
    auto file = File::openForReading(pathOf("table.h"));
    ASSERT_TRUE(file);
    const auto identity = file->identity();
    ASSERT_TRUE(identity);
    struct Case {
        std::string path;
        bool same;
    };
    for (const Case& c : {Case{pathOf("table.h"), true}, Case{(directory_ / "sub" / ".." / "table.h").string(), true},
                          Case{pathOf("hard.h"), true},
#ifndef _WIN32
                          Case{pathOf("link.h"), true}, Case{pathOf("sub/chain.h"), true},
#endif
                          Case{pathOf("other.h"), false}}) {
        SCOPED_TRACE(c.path);
        const auto other = File::identityAt(c.path);
        ASSERT_TRUE(other);
        EXPECT_EQ(*other == *identity, c.same);
    }
    EXPECT_FALSE(File::identityAt(pathOf("missing.h")));
}

// A rename makes a new file under the name given: the other names of the
// old one keep what it held.
TEST_F(PlatformLinks, ReplacingAHardLinkedFileLeavesTheOtherNamesAlone) {
    fs::create_hard_link(directory_ / "table.h", directory_ / "hard.h");
    auto replacement = ReplacementFile::createBeside(pathOf("table.h"));
    ASSERT_TRUE(replacement);
    ASSERT_TRUE(replacement->file().write("new", 3));
    ASSERT_TRUE(replacement->commit());
    EXPECT_EQ(read("table.h"), "new");
    EXPECT_EQ(read("hard.h"), "old");
}

#ifndef _WIN32
struct LinkCase {
    const char* name;
    const char* target;  // of the link "sub/link.h"; absolute when it starts with "@/"
    std::optional<SystemError> refusal;
};

// The file the link leads to, however many links away, is replaced in its
// own directory; the link and its directory stay as they were.
TEST_F(PlatformLinks, ReplacementThroughASymbolicLinkKeepsTheLink) {
    fs::create_symlink("table.h", directory_ / "chain.h");
    const LinkCase cases[] = {
        {"relative", "../table.h", std::nullopt},
        {"absolute", "@/table.h", std::nullopt},
        {"two links", "../chain.h", std::nullopt},
        {"to no file", "../missing.h", SystemError::ours(SystemError::Ours::DanglingLink)},
        {"into no directory", "../missing/table.h", SystemError::ours(SystemError::Ours::DanglingLink)},
        {"to itself", "link.h", SystemError::fromCode(ELOOP)},
        {"to a directory", "..", SystemError::fromCode(EISDIR)},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeText("table.h", "old");
        const std::string target = c.target;
        const fs::path link = directory_ / "sub" / "link.h";
        fs::remove(link);
        fs::create_symlink(target.starts_with("@/") ? (directory_ / target.substr(2)).string() : target, link);
        {
            auto replacement = ReplacementFile::createBeside(link.string());
            if (c.refusal) {
                ASSERT_FALSE(replacement);
                EXPECT_EQ(replacement.error(), *c.refusal);
            } else {
                ASSERT_TRUE(replacement);
                EXPECT_TRUE(fs::equivalent(fs::path(replacement->path()).parent_path(), directory_));
                ASSERT_TRUE(replacement->file().write("new", 3));
                ASSERT_TRUE(replacement->commit());
            }
        }
        EXPECT_EQ(read("table.h"), c.refusal ? "old" : "new");
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(std::distance(fs::directory_iterator(directory_), fs::directory_iterator()), 3);  // sub, chain, table
        EXPECT_EQ(std::distance(fs::directory_iterator(directory_ / "sub"), fs::directory_iterator()), 1);
    }
}
#endif

}  // namespace
}  // namespace zemrik::platform
