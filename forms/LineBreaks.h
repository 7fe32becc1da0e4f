// What the byte forms share with the typed walk: templates written with CR LF
// turned into the line breaks asked for, and a whole table's text collected.
#pragma once

#include <cstddef>
#include <string>

#include "core/TextOutput.h"
#include "typed/TypedWalk.h"

namespace zemrik::forms {

inline std::string withLineBreaks(std::string text, typed::LineBreaks breaks) {
    if (breaks == typed::LineBreaks::CrLf) return text;
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
        out += text[at];
    }
    return out;
}

// Collects a whole table's text.
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

}  // namespace zemrik::forms
