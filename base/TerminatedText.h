// TerminatedText: a text known to end in a NUL, handed to C-string APIs without
// a copy.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemrik {

// A text with a NUL right after its last character, so that it can go to an
// API that wants a C string without a copy. Made only from what ends in a NUL:
// a C string, a std::string, or storage whose owner keeps a NUL behind the text.
class TerminatedText {
public:
    TerminatedText(const char* text) : text_(text) {}
    TerminatedText(const std::string& text) : text_(text.c_str(), text.size()) {}
    // The `length` characters at `text`; text[length] must be a NUL, as an
    // output buffer keeps it.
    static TerminatedText followedByNul(const char* text, std::size_t length) {
        return TerminatedText(std::string_view(text, length));
    }

    const char* c_str() const { return text_.data(); }
    std::size_t size() const { return text_.size(); }
    operator std::string_view() const { return text_; }

private:
    explicit TerminatedText(std::string_view text) : text_(text) {}

    std::string_view text_;
};

}  // namespace zemrik
