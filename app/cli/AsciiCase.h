// ASCII-only case folding for option names and values, so that the locale
// never changes what a command line means.
#pragma once

#include <algorithm>
#include <string_view>

namespace zemrik::cli {

// Case for the ASCII letters only: option values and names are ASCII, and the
// locale must not change what a command line means.
constexpr char lowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerCase(x) == lowerCase(y); });
}

}  // namespace zemrik::cli
