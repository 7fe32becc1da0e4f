#pragma once

#include <cstddef>
#include <string_view>

namespace zemrik {

// Gives an output buffer more room when a text outgrows its estimate.
class BufferGrowth {
public:
    virtual ~BufferGrowth() = default;
    // Returns storage of at least `newCapacity` bytes that holds the old
    // contents, zero-filled beyond them, or nullptr when none can be had.
    // The old storage is no longer used after a successful call.
    virtual char* grow(std::size_t newCapacity) = 0;
};

// The run's text buffer: zero-filled storage holding a NUL-terminated text
// that only grows at its end (but for trimTwo). Appends look for the end of
// the text from appendCursor, which the walks keep close behind the end, so
// no append rescans what was printed before.
class OutputBuffer {
public:
    // `storage` must be zero-filled. Without `growth` the capacity is fixed and
    // an append that does not fit fails, writing nothing.
    OutputBuffer(char* storage, std::size_t capacity, BufferGrowth* growth = nullptr);

    bool append(std::string_view text);

    // Appends up to `maxLength` characters printed by `write(char* destination)`,
    // which returns how many it wrote, without a temporary copy.
    template <class Write>
    bool appendWritten(std::size_t maxLength, Write&& write) {
        char* const destination = reserveAtEnd(maxLength);
        if (destination == nullptr) return false;
        const std::size_t written = write(destination);
        destination[written] = '\0';
        return true;
    }

    // Removes the last two characters and lowers the cursor by 2 (not below 0).
    void trimTwo();
    void advanceCursor(std::size_t characters);

    std::size_t appendCursor() const { return appendCursor_; }
    std::size_t capacity() const { return capacity_; }
    const char* data() const { return storage_; }
    // Finds the end from the cursor, as an append does.
    std::size_t length() const;
    std::string_view text() const { return {storage_, length()}; }

private:
    // The end of the text with room for `length` more characters and a NUL
    // behind them, growing the storage if it may; nullptr when there is none.
    char* reserveAtEnd(std::size_t length);
    bool ensureCapacity(std::size_t needed);

    char* storage_;
    std::size_t capacity_;
    BufferGrowth* growth_;
    std::size_t appendCursor_ = 0;
};

}  // namespace zemrik
