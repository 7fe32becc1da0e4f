// SystemError: the system's codes and our own reasons described.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/File.h"
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

TEST(SystemErrorTest, DescribesTheSystemsCodesAndOurReasons) {
    const std::string notFound = SystemError::fromCode(kFileNotFound).describe();
#ifdef _WIN32
    EXPECT_FALSE(notFound.empty());
    EXPECT_EQ(notFound.find_last_of("\r\n"), std::string::npos) << notFound;
#else
    EXPECT_EQ(notFound, std::strerror(ENOENT));
#endif
    EXPECT_EQ(SystemError::ours(SystemError::Ours::NotRegularFile).describe(), "Not a regular file");
    EXPECT_EQ(SystemError::ours(SystemError::Ours::InUse).describe(), "File is in use");
    EXPECT_EQ(SystemError::ours(SystemError::Ours::FileShrank).describe(), "File shrank during the run");
    EXPECT_EQ(SystemError::ours(SystemError::Ours::SymbolicLink).describe(), "Is a symbolic link");
}

}  // namespace
}  // namespace zemrik::platform
