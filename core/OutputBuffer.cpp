#include "core/OutputBuffer.h"

#include <cstring>
#include <limits>

namespace zemrik {

OutputBuffer::OutputBuffer(char* storage, std::size_t capacity, BufferGrowth* growth)
    : storage_(storage), capacity_(capacity), growth_(growth) {}

std::size_t OutputBuffer::length() const {
    if (appendCursor_ >= capacity_) return capacity_;
    const void* nul = std::memchr(storage_ + appendCursor_, '\0', capacity_ - appendCursor_);
    return nul == nullptr ? capacity_ : static_cast<std::size_t>(static_cast<const char*>(nul) - storage_);
}

bool OutputBuffer::ensureCapacity(std::size_t needed) {
    if (needed <= capacity_) return true;
    if (growth_ == nullptr) return false;
    // Doubling keeps the number of growths, and so their copying, logarithmic.
    const std::size_t doubled = capacity_ > std::numeric_limits<std::size_t>::max() / 2
                                    ? std::numeric_limits<std::size_t>::max()
                                    : capacity_ * 2;
    const std::size_t newCapacity = needed > doubled ? needed : doubled;
    char* grown = growth_->grow(newCapacity);
    if (grown == nullptr) return false;
    storage_ = grown;
    capacity_ = newCapacity;
    return true;
}

char* OutputBuffer::reserve(std::size_t length) {
    const std::size_t end = this->length();
    // end <= capacity and length is a reservation's worth, so this cannot wrap.
    if (length >= std::numeric_limits<std::size_t>::max() - end) return nullptr;
    if (!ensureCapacity(end + length + 1)) return nullptr;
    reservedFrom_ = end;
    reservedEnd_ = end + length + 1;
    return storage_ + end;
}

void OutputBuffer::commit(char* end, CursorMove move) {
    const auto newEnd = static_cast<std::size_t>(end - storage_);
    // Writers may have left scratch behind the text; the next search for
    // the end must meet a NUL right there.
    std::memset(end, 0, reservedEnd_ - newEnd);
    if (move == CursorMove::Follow) appendCursor_ += newEnd - reservedFrom_;
}

}  // namespace zemrik
