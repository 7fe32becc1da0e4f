// The interface a walk prints into: reserve room at the text's end, write,
// commit. OutputBuffer and PieceBuffer implement it; StringTextOutput
// collects a whole table's text.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace zemrik {

// Whether a commit moves an output's append cursor over the text it adds:
// element and line-break text does; the header and the last element, which
// the cursor never passes, do not.
enum class CursorMove { Follow, Stay };

// Where a walk prints: it reserves room at the end of the text, writes
// there, and commits what it wrote.
class TextOutput {
public:
    virtual ~TextOutput() = default;

    // Room for `length` characters where the text goes on, valid until the
    // next reserve; nullptr when there is none to be had.
    virtual char* reserve(std::size_t length) = 0;
    // The text now ends at `end`, inside the last reservation; what lies
    // between `end` and the reservation's end is scratch.
    virtual void commit(char* end, CursorMove move) = 0;
};

// Collects a whole table's text in a string.
class StringTextOutput : public TextOutput {
public:
    char* reserve(std::size_t length) override {
        text_.resize(length_ + length);
        return text_.data() + length_;
    }
    void commit(char* end, CursorMove) override {
        length_ = static_cast<std::size_t>(end - text_.data());
        text_.resize(length_);
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
    std::size_t length_ = 0;
};

}  // namespace zemrik
