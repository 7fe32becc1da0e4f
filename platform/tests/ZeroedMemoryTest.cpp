// ZeroedMemory: zero-filled, writable memory from the system.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/ZeroedMemory.h"
#include "platform/tests/PlatformTest.h"

namespace zemrik::platform {
namespace {

TEST_F(PlatformTest, ZeroedMemoryIsZeroAndWritable) {
    for (const std::size_t size : {1u, 4096u, 4097u, 1u << 20}) {
        SCOPED_TRACE(size);
        auto memory = ZeroedMemory::allocate(size);
        ASSERT_TRUE(memory);
        ASSERT_EQ(memory->size(), size);
        EXPECT_EQ(std::string(memory->data(), size), std::string(size, '\0'));
        memory->data()[0] = 'a';
        memory->data()[size - 1] = 'z';
        EXPECT_EQ(memory->data()[size - 1], 'z');
    }
    EXPECT_FALSE(ZeroedMemory::allocate(0));
}

}  // namespace
}  // namespace zemrik::platform
