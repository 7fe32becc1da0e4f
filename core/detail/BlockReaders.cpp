#include "core/detail/BlockReaders.h"

namespace zemrik::detail {

bool ForwardReader::refill() {
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, kBlockSize));
    if (wanted < elementBytes_ || source_.read(block_.data(), wanted) != wanted) return false;
    remaining_ -= wanted;
    filled_ = wanted;
    position_ = 0;
    return true;
}

bool BackwardReader::loadBlockEndingAt(std::uint32_t n) {
    const std::uint32_t start = n + 1 > kBlockSize ? static_cast<std::uint32_t>(n + 1 - kBlockSize) : 0u;
    const std::size_t length = std::size_t{n} + 1 - start;
    // offset + n lies inside a 32-bit file, so offset + start cannot wrap.
    if (!source_.seek(offset_ + start) || source_.read(block_.data(), length) != length) return false;
    blockStart_ = start;
    blockLength_ = static_cast<std::uint32_t>(length);
    return true;
}

}  // namespace zemrik::detail
