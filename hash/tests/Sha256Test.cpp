#include "hash/Sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace zemrik::hash {
namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string digestOf(std::string_view message) {
    Sha256 hasher;
    hasher.update(bytesOf(message));
    return hexDigest(hasher.finish());
}

struct Vector {
    std::string message;
    std::string_view digest;
};

// FIPS 180-4's examples, and messages whose padding ends just inside one
// block (55 bytes), needs a second (56), or fills whole blocks (63, 64).
const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
    {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
    {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    {std::string(65, 'a'), "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
};

TEST(Sha256Test, DigestsTheKnownMessages) {
    for (const Vector& vector : kVectors) {
        EXPECT_EQ(digestOf(vector.message), vector.digest) << vector.message.size() << " bytes";
    }
}

// A file is hashed in reads of whatever size the system gives: any split of
// the message gives the same digest.
TEST(Sha256Test, SplitAnywhereGivesTheSameDigest) {
    const std::string message(130, 'a');
    const std::string expected = digestOf(message);
    for (std::size_t cut = 0; cut <= message.size(); ++cut) {
        Sha256 hasher;
        hasher.update(bytesOf(std::string_view(message).substr(0, cut)));
        hasher.update(bytesOf(std::string_view(message).substr(cut)));
        EXPECT_EQ(hexDigest(hasher.finish()), expected) << "cut at " << cut;
    }
}

TEST(Sha256Test, StartsOverAfterFinishing) {
    Sha256 hasher;
    hasher.update(bytesOf("abc"));
    static_cast<void>(hasher.finish());
    EXPECT_EQ(hexDigest(hasher.finish()), kVectors[0].digest);
}

}  // namespace
}  // namespace zemrik::hash
