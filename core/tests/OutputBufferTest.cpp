#include <gtest/gtest.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "core/OutputBuffer.h"
#include "core/PieceBuffer.h"

namespace zemrik {
namespace {

constexpr char kGuard = '\x5A';

// Storage with guard bytes behind the capacity the buffer is told about.
struct GuardedStorage {
    explicit GuardedStorage(std::size_t told) : bytes(told + 16, kGuard), capacity(told) {
        std::memset(bytes.data(), 0, told);
    }
    bool guardIntact() const {
        for (std::size_t i = capacity; i < bytes.size(); ++i)
            if (bytes[i] != kGuard) return false;
        return true;
    }
    std::vector<char> bytes;
    std::size_t capacity;
};

// Reserves room for `text`, writes it there and commits it.
bool append(TextOutput& buffer, std::string_view text, CursorMove move = CursorMove::Follow) {
    char* at = buffer.reserve(text.size());
    if (at == nullptr) return false;
    std::memcpy(at, text.data(), text.size());
    buffer.commit(at + text.size(), move);
    return true;
}

TEST(OutputBuffer, AppendsAtTheEndFoundFromTheCursor) {
    GuardedStorage storage(32);
    OutputBuffer buffer(storage.bytes.data(), storage.capacity);
    EXPECT_TRUE(append(buffer, "table\tdb ", CursorMove::Stay));
    EXPECT_TRUE(append(buffer, "001h, "));
    EXPECT_TRUE(append(buffer, "002h", CursorMove::Stay));
    EXPECT_EQ(buffer.text(), "table\tdb 001h, 002h");
    EXPECT_EQ(buffer.appendCursor(), 6u);
}

TEST(OutputBuffer, CommitEndsTheTextAndZeroesTheScratch) {
    GuardedStorage storage(32);
    OutputBuffer buffer(storage.bytes.data(), storage.capacity);
    char* at = buffer.reserve(16);
    ASSERT_NE(at, nullptr);
    std::memcpy(at, "abcdefghijklmnop", 16);
    buffer.commit(at + 3, CursorMove::Follow);
    EXPECT_EQ(buffer.text(), "abc");
    for (std::size_t i = 3; i < storage.capacity; ++i) ASSERT_EQ(storage.bytes[i], '\0') << i;
}

TEST(OutputBuffer, FillsExactlyToCapacityAndNoFurther) {
    GuardedStorage storage(8);
    OutputBuffer buffer(storage.bytes.data(), storage.capacity);
    EXPECT_TRUE(append(buffer, "1234567"));  // seven characters and the NUL
    EXPECT_EQ(buffer.reserve(1), nullptr);
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
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(append(buffer, "abcdefgh"));
    EXPECT_EQ(buffer.text().size(), 800u);
    EXPECT_LE(growth.growths, 9);
    EXPECT_GE(buffer.capacity(), 801u);
}

TEST(OutputBuffer, FailedGrowthKeepsTheText) {
    VectorGrowth growth(4);
    growth.refuse = true;
    OutputBuffer buffer(growth.storage.data(), 4, &growth);
    EXPECT_TRUE(append(buffer, "abc"));
    EXPECT_FALSE(append(buffer, "d"));
    EXPECT_EQ(buffer.text(), "abc");
    EXPECT_EQ(buffer.capacity(), 4u);
}

TEST(PieceBuffer, HoldsUpToItsCapacityAndStartsOverWhenCleared) {
    GuardedStorage storage(8);
    PieceBuffer buffer(storage.bytes.data(), storage.capacity);
    EXPECT_TRUE(append(buffer, "12345678"));
    EXPECT_EQ(buffer.reserve(1), nullptr);
    EXPECT_EQ(buffer.text(), "12345678");
    buffer.clear();
    EXPECT_TRUE(append(buffer, "abc"));
    EXPECT_EQ(buffer.text(), "abc");
    EXPECT_TRUE(storage.guardIntact());
}

}  // namespace
}  // namespace zemrik
