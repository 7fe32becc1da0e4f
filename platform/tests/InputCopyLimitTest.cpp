// A copy that keeps only the first bytes of its source reads no further, so
// that an endless stream still ends the copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/InputCopy.h"

namespace zemrik::platform {
namespace {

namespace fs = std::filesystem;

TEST(InputCopyLimit, KeepsTheFirstBytesAndLeavesTheRestUnread) {
    std::random_device random;
    const fs::path path = fs::temp_directory_path() / ("zemrik_copy_limit_" + std::to_string(random()));
    std::vector<char> bytes(3000);
    for (std::size_t index = 0; index < bytes.size(); ++index) bytes[index] = static_cast<char>(index * 7);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

    // At the source's length, and one byte short of it.
    for (const std::uint64_t limit : {std::uint64_t{3000}, std::uint64_t{2999}}) {
        SCOPED_TRACE(limit);
        auto source = File::openForReading(path.string());
        ASSERT_TRUE(source);
        auto copy = copyIntoAnonymousFile(*source, limit, PastLimit::Ignore);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy.value().size32(), limit);
        std::vector<char> kept(bytes.size());
        ASSERT_TRUE(copy.value().seek(0));
        ASSERT_EQ(copy.value().read(kept.data(), kept.size()), limit);
        EXPECT_TRUE(std::equal(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(limit), bytes.begin()));
        // The source goes on right after the bytes kept.
        char next = 0;
        EXPECT_EQ(source->read(&next, 1), limit < bytes.size() ? 1u : 0u);
        if (limit < bytes.size()) {
            EXPECT_EQ(next, bytes[static_cast<std::size_t>(limit)]);
        }
    }
    fs::remove(path);
}

}  // namespace
}  // namespace zemrik::platform
