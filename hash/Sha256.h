// SHA-256 (FIPS 180-4), fed in pieces of any size so that a file of any
// length hashes in bounded memory: --provenance names the file it read by it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace zemrik::hash {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256();

    // The message's next bytes.
    void update(std::span<const std::uint8_t> bytes);
    // The digest of everything given; the hasher starts over afterwards.
    [[nodiscard]] Sha256Digest finish();

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_{};
    std::array<std::uint8_t, 64> block_{};
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;  // bytes given so far
};

// The digest as 64 lower-case hex digits, as sha256sum prints it.
std::string hexDigest(const Sha256Digest& digest);

}  // namespace zemrik::hash
