// PieceBuffer: a bounded block of text that takes one piece of a streamed table
// at a time, the TextOutput of zemrik-cli's streamed output.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/TextOutput.h"

namespace zemrik {

// A bounded block of text on storage allocated once: a walk prints one piece
// of a table into it, the piece is written out, the block is cleared and
// takes the next piece. No NUL, no cursor: the end is kept, not searched.
class PieceBuffer : public TextOutput {
public:
    PieceBuffer(char* storage, std::size_t capacity) : storage_(storage), capacity_(capacity) {}

    char* reserve(std::size_t length) override { return length <= capacity_ - length_ ? storage_ + length_ : nullptr; }
    void commit(char* end, CursorMove) override { length_ = static_cast<std::size_t>(end - storage_); }

    std::string_view text() const { return {storage_, length_}; }
    std::size_t capacity() const { return capacity_; }
    void clear() { length_ = 0; }

private:
    char* storage_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

}  // namespace zemrik
