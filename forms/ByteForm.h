// Which form a byte table takes: the typed walk's array, one string literal,
// or a declaration the compiler fills from the file itself.
#pragma once

#include <cstdint>
#include <string_view>

namespace zemrik::forms {

enum class ByteForm : std::uint8_t { Array, StringLiteral, Embed };

// The option that asks for the form, as messages name it.
constexpr std::string_view optionName(ByteForm form) {
    switch (form) {
    case ByteForm::StringLiteral: return "--string-literal";
    case ByteForm::Embed: return "--embed";
    case ByteForm::Array: break;
    }
    return "";
}

}  // namespace zemrik::forms
