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

char* OutputBuffer::reserveAtEnd(std::size_t length) {
    const std::size_t end = this->length();
    // end <= capacity and length is one text's worth, so this cannot wrap.
    if (length >= std::numeric_limits<std::size_t>::max() - end) return nullptr;
    if (!ensureCapacity(end + length + 1)) return nullptr;
    return storage_ + end;
}

bool OutputBuffer::append(std::string_view text) {
    return appendWritten(text.size(), [text](char* destination) {
        std::memcpy(destination, text.data(), text.size());
        return text.size();
    });
}

void OutputBuffer::trimTwo() {
    const std::size_t end = length();
    const std::size_t removed = end < 2 ? end : 2;
    std::memset(storage_ + end - removed, 0, removed);
    appendCursor_ = appendCursor_ < 2 ? 0 : appendCursor_ - 2;
}

void OutputBuffer::advanceCursor(std::size_t characters) { appendCursor_ += characters; }

}  // namespace zemrik
