// ReplacementFile: a new file takes the place of another only when
// committed, and never outlives a failure.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/ReplacementFile.h"
#include "platform/tests/PlatformTest.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zemrik::platform {
namespace {

std::set<std::string> entriesOf(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
    return names;
}

TEST_F(PlatformTest, ReplacementTakesThePlaceOnlyWhenCommitted) {
    const std::string destination = write("table.h", {'o', 'l', 'd'});
    {
        auto dropped = ReplacementFile::createBeside(destination);
        ASSERT_TRUE(dropped);
        EXPECT_EQ(fs::path(dropped->path()).parent_path(), directory_);
        ASSERT_TRUE(dropped->file().write("half", 4));
        EXPECT_EQ(entriesOf(directory_).size(), 2u);
    }
    EXPECT_EQ(contents(destination), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(entriesOf(directory_), std::set<std::string>{"table.h"});

    auto replacement = ReplacementFile::createBeside(destination);
    ASSERT_TRUE(replacement);
    ASSERT_TRUE(replacement->file().write("whole", 5));
    EXPECT_EQ(contents(destination), (Bytes{'o', 'l', 'd'}));
    ASSERT_TRUE(replacement->commit());
    EXPECT_EQ(contents(destination), (Bytes{'w', 'h', 'o', 'l', 'e'}));
    EXPECT_EQ(entriesOf(directory_), std::set<std::string>{"table.h"});
}

TEST_F(PlatformTest, ReplacementThatCannotTakeThePlaceIsRemoved) {
    {
        auto replacement = ReplacementFile::createBeside(pathOf("table.h"));
        ASSERT_TRUE(replacement);
        ASSERT_TRUE(replacement->file().write("whole", 5));
        fs::create_directory(directory_ / "table.h");  // a directory where the file would go
        EXPECT_FALSE(replacement->commit());
    }
    EXPECT_EQ(entriesOf(directory_), std::set<std::string>{"table.h"});
    EXPECT_TRUE(fs::is_directory(directory_ / "table.h"));
    EXPECT_FALSE(ReplacementFile::createBeside(pathOf("missing/table.h")));
}

// Renaming over anything but a regular file would put a plain file in its
// place, so it is refused before anything is created.
TEST_F(PlatformTest, ReplacementRefusesWhatIsNotARegularFile) {
    fs::create_directory(directory_ / "directory");
    std::map<std::string, SystemError> refusals = {{"directory", SystemError::fromCode(kDirectoryRefused)}};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(pathOf("fifo").c_str(), 0600), 0);
    refusals.emplace("fifo", SystemError::ours(SystemError::Ours::NotRegularFile));
#endif
    std::set<std::string> names;
    for (const auto& [name, reason] : refusals) {
        names.insert(name);
        const auto replacement = ReplacementFile::createBeside(pathOf(name));
        ASSERT_FALSE(replacement) << name;
        EXPECT_EQ(replacement.error(), reason) << name;
    }
    EXPECT_EQ(entriesOf(directory_), names);
}

#ifndef _WIN32
TEST_F(PlatformTest, ReplacementKeepsTheDestinationsPermissions) {
    const std::string destination = write("table.h", {'o', 'l', 'd'});
    fs::permissions(destination, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto replacement = ReplacementFile::createBeside(destination);
    ASSERT_TRUE(replacement);
    ASSERT_TRUE(replacement->commit());
    EXPECT_EQ(fs::status(destination).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

}  // namespace
}  // namespace zemrik::platform
