// The embed form (--embed): a declaration whose bytes the compiler or
// assembler takes from the file itself at build time (C23's #embed, NASM's
// incbin, the GNU assembler's .incbin), so the table is never printed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Expected.h"
#include "typed/Declaration.h"
#include "typed/LanguageRow.h"

namespace zemrik::forms {

struct EmbedOptions {
    std::string_view path{};  // as the compiler is to open it
    std::uint64_t offset = 0;
    std::uint32_t tableSize = 0;
    typed::Declaration declaration{};
};

// Why the language can't take a stretch of a file at build time, or nothing.
std::optional<std::string_view> embedRefusal(const typed::LanguageRow& language);

// The declaration, or why the path can't be written in the language.
// The language must have the form (embedRefusal gives nothing).
[[nodiscard]] Expected<std::string, std::string> embedDeclaration(const typed::LanguageRow& language,
                                                                  const EmbedOptions& options);

}  // namespace zemrik::forms
