// OutputBuffer: the run's whole text in one growing, NUL-terminated buffer, the
// TextOutput of the dialog and of --dump-to-file.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/TextOutput.h"

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

// The run's whole text in one buffer: zero-filled storage holding a
// NUL-terminated text that only grows at its end. Each reservation looks for
// the end of the text from appendCursor, which the walks keep close behind
// the end, so no reservation rescans what was printed before.
class OutputBuffer : public TextOutput {
public:
    // `storage` must be zero-filled. Without `growth` the capacity is fixed and
    // a reservation that does not fit fails.
    OutputBuffer(char* storage, std::size_t capacity, BufferGrowth* growth = nullptr);

    // Room for `length` characters and the NUL behind them, growing the
    // storage if it may.
    char* reserve(std::size_t length) override;
    // Terminates the text at `end`, keeps the storage zero past it and moves
    // the cursor over the committed text unless told to stay.
    void commit(char* end, CursorMove move) override;

    std::size_t appendCursor() const { return appendCursor_; }
    std::size_t capacity() const { return capacity_; }
    const char* data() const { return storage_; }
    // Finds the end from the cursor, as a reservation does.
    std::size_t length() const;
    std::string_view text() const { return {storage_, length()}; }

private:
    bool ensureCapacity(std::size_t needed);

    char* storage_;
    std::size_t capacity_;
    BufferGrowth* growth_;
    std::size_t appendCursor_ = 0;
    std::size_t reservedFrom_ = 0;  // where the last reservation starts
    std::size_t reservedEnd_ = 0;   // just past its NUL
};

}  // namespace zemrik
