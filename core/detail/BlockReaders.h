// The walks' readers: they take a table's bytes from a ByteSource in large
// blocks, forward or last to first, and hand them out in slices. Internal to core/.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/ByteSource.h"

namespace zemrik::detail {

// Large enough that reading costs nothing next to printing, small enough to
// stay in cache; a multiple of every element size.
constexpr std::size_t kBlockSize = 64 * 1024;

// Table bytes lying together in a reader's block, as one call hands them out.
struct BlockSlice {
    const std::uint8_t* bytes = nullptr;
    std::uint32_t count = 0;  // 0: the source ran short
};

// Hands out a piece's elements read forward in large blocks.
class ForwardReader {
public:
    ForwardReader(ByteSource& source, std::uint64_t bytes, std::size_t elementBytes)
        : source_(source), remaining_(bytes), elementBytes_(elementBytes), block_(kBlockSize) {}

    // Up to `wanted` (at least 1) whole elements that lie together in memory.
    BlockSlice next(std::uint32_t wanted) {
        if (position_ == filled_ && !refill()) return {};
        const auto available = static_cast<std::uint32_t>((filled_ - position_) / elementBytes_);
        const std::uint32_t count = std::min(wanted, available);
        const std::uint8_t* at = block_.data() + position_;
        position_ += count * elementBytes_;
        return {at, count};
    }

private:
    bool refill() {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, kBlockSize));
        if (wanted < elementBytes_ || source_.read(block_.data(), wanted) != wanted) return false;
        remaining_ -= wanted;
        filled_ = wanted;
        position_ = 0;
        return true;
    }

    ByteSource& source_;
    std::uint64_t remaining_;
    std::size_t elementBytes_;
    std::vector<std::uint8_t> block_;
    std::size_t filled_ = 0;
    std::size_t position_ = 0;
};

// Hands out a table's bytes from `firstIndex` down, reading blocks backwards
// so that byte n is always read before byte n - 1.
class BackwardReader {
public:
    BackwardReader(ByteSource& source, std::uint32_t offset, std::uint32_t firstIndex)
        : source_(source), offset_(offset), next_(firstIndex), block_(kBlockSize) {}

    // Up to `wanted` (at least 1) bytes in print order, the first at `bytes`,
    // the others below it.
    BlockSlice next(std::uint32_t wanted) {
        if (blockLength_ == 0 && !loadBlockEndingAt(next_)) return {};
        const std::uint32_t count = std::min(wanted, next_ - blockStart_ + 1);
        const std::uint8_t* at = block_.data() + (next_ - blockStart_);
        blockLength_ = next_ - blockStart_ + 1 - count;
        next_ -= count;  // wraps only after the table's byte 0, the last one asked for
        return {at, count};
    }

private:
    bool loadBlockEndingAt(std::uint32_t n) {
        const std::uint32_t start = n + 1 > kBlockSize ? static_cast<std::uint32_t>(n + 1 - kBlockSize) : 0u;
        const std::size_t length = std::size_t{n} + 1 - start;
        // offset + n lies inside a 32-bit file, so offset + start cannot wrap.
        if (!source_.seek(offset_ + start) || source_.read(block_.data(), length) != length) return false;
        blockStart_ = start;
        blockLength_ = static_cast<std::uint32_t>(length);
        return true;
    }

    ByteSource& source_;
    std::uint32_t offset_;
    std::uint32_t next_;             // table index of the next byte to hand out
    std::uint32_t blockStart_ = 0;   // table index of block_[0]
    std::uint32_t blockLength_ = 0;  // bytes of the block not handed out yet
    std::vector<std::uint8_t> block_;
};

}  // namespace zemrik::detail
