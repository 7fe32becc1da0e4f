// What --match and --demangle do to a symbol's name: a shell-style pattern
// match, and the C++ runtime's demangler.
#pragma once

#include <string>
#include <string_view>

namespace zemrik::cli {

// Whether `text` matches `pattern` as the shell matches file names: `*` any
// run of characters, `?` any one, `[abc]`, `[a-z]` and `[!a-z]` (or `[^a-z]`)
// one from a set, `\` takes the next character literally. A `[` without its
// `]` stands for itself.
[[nodiscard]] bool matchesGlob(std::string_view pattern, std::string_view text);

// The C++ name a mangled one stands for; the name itself when it is not a
// mangled name (a C symbol) or cannot be demangled.
[[nodiscard]] std::string demangled(const std::string& name);

}  // namespace zemrik::cli
