#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/OutputBuffer.h"

namespace zemrik {
namespace {

constexpr char kGuard = '\x5A';

// Storage with guard bytes behind the capacity the buffer is told about.
struct GuardedStorage {
    explicit GuardedStorage(std::size_t capacity) : bytes(capacity + 16, kGuard), capacity(capacity) {
        std::memset(bytes.data(), 0, capacity);
    }
    bool guardIntact() const {
        for (std::size_t i = capacity; i < bytes.size(); ++i)
            if (bytes[i] != kGuard) return false;
        return true;
    }
    std::vector<char> bytes;
    std::size_t capacity;
};

TEST(OutputBuffer, AppendsAtTheEndFoundFromTheCursor) {
    GuardedStorage storage(32);
    OutputBuffer buffer(storage.bytes.data(), storage.capacity);
    EXPECT_TRUE(buffer.append("table\tdb "));
    EXPECT_TRUE(buffer.append("001h, "));
    buffer.advanceCursor(6);
    EXPECT_TRUE(buffer.append("002h"));
    EXPECT_EQ(buffer.text(), "table\tdb 001h, 002h");
    EXPECT_EQ(buffer.appendCursor(), 6u);
}

TEST(OutputBuffer, TrimTwoRemovesTheSeparatorAndLowersTheCursor) {
    GuardedStorage storage(32);
    OutputBuffer buffer(storage.bytes.data(), storage.capacity);
    buffer.append("db 001h, ");
    buffer.advanceCursor(5);
    buffer.trimTwo();
    EXPECT_EQ(buffer.text(), "db 001h");
    EXPECT_EQ(buffer.appendCursor(), 3u);
}

TEST(OutputBuffer, TrimTwoNeverTakesTheCursorBelowZero) {
    GuardedStorage storage(8);
    OutputBuffer buffer(storage.bytes.data(), storage.capacity);
    buffer.append("abc");
    buffer.advanceCursor(1);
    buffer.trimTwo();
    EXPECT_EQ(buffer.text(), "a");
    EXPECT_EQ(buffer.appendCursor(), 0u);
}

TEST(OutputBuffer, FillsExactlyToCapacityAndNoFurther) {
    GuardedStorage storage(8);
    OutputBuffer buffer(storage.bytes.data(), storage.capacity);
    EXPECT_TRUE(buffer.append("1234567"));  // seven characters and the NUL
    EXPECT_FALSE(buffer.append("8"));
    EXPECT_EQ(buffer.text(), "1234567");
    EXPECT_TRUE(storage.guardIntact());
}

class VectorGrowth : public BufferGrowth {
public:
    explicit VectorGrowth(std::size_t capacity) : storage(capacity, '\0') {}
    char* grow(std::size_t newCapacity) override {
        ++growths;
        if (refuse) return nullptr;
        storage.resize(newCapacity, '\0');
        return storage.data();
    }
    std::vector<char> storage;
    int growths = 0;
    bool refuse = false;
};

TEST(OutputBuffer, GrowsByDoublingWhenGiven) {
    VectorGrowth growth(4);
    OutputBuffer buffer(growth.storage.data(), 4, &growth);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(buffer.append("abcdefgh"));
    EXPECT_EQ(buffer.text().size(), 800u);
    EXPECT_LE(growth.growths, 9);
    EXPECT_GE(buffer.capacity(), 801u);
}

TEST(OutputBuffer, FailedGrowthKeepsTheText) {
    VectorGrowth growth(4);
    growth.refuse = true;
    OutputBuffer buffer(growth.storage.data(), 4, &growth);
    EXPECT_TRUE(buffer.append("abc"));
    EXPECT_FALSE(buffer.append("d"));
    EXPECT_EQ(buffer.text(), "abc");
    EXPECT_EQ(buffer.capacity(), 4u);
}

}  // namespace
}  // namespace zemrik
