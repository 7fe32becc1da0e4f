#include "app/cli/SymbolNames.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace zemrik::cli {
namespace {

// The set at the start of `pattern` (just past its `[`): whether `c` is in
// it, and how long the set is up to and with its `]`; nothing when no `]` closes it.
struct SetMatch {
    bool matches;
    std::size_t length;
};

std::optional<SetMatch> matchSet(std::string_view pattern, char c) {
    std::size_t at = 0;
    const bool negated = at < pattern.size() && (pattern[at] == '!' || pattern[at] == '^');
    if (negated) ++at;
    bool found = false;
    // A `]` right after the opening (or its negation) is a member.
    for (bool first = true; at < pattern.size(); first = false) {
        if (pattern[at] == ']' && !first) return SetMatch{found != negated, at + 1};
        const char low = pattern[at];
        if (at + 2 < pattern.size() && pattern[at + 1] == '-' && pattern[at + 2] != ']') {
            found = found || (low <= c && c <= pattern[at + 2]);
            at += 3;
        } else {
            found = found || low == c;
            ++at;
        }
    }
    return std::nullopt;
}

// The length of the pattern element at the start of `pattern` when it
// matches `c`, or nothing when it doesn't; `*` is handled by the caller.
std::optional<std::size_t> matchOne(std::string_view pattern, char c) {
    if (pattern[0] == '?') return 1;
    if (pattern[0] == '[') {
        if (const auto set = matchSet(pattern.substr(1), c)) {
            return set->matches ? std::optional<std::size_t>(set->length + 1) : std::nullopt;
        }
    }
    if (pattern[0] == '\\' && pattern.size() > 1) return pattern[1] == c ? std::optional<std::size_t>(2) : std::nullopt;
    return pattern[0] == c ? std::optional<std::size_t>(1) : std::nullopt;
}

}  // namespace

bool matchesGlob(std::string_view pattern, std::string_view text) {
    // One backtrack point is enough: a later `*` can stretch over all that an
    // earlier one would have taken.
    std::size_t p = 0;
    std::size_t t = 0;
    std::optional<std::size_t> starPattern;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starText = t;
            continue;
        }
        if (p < pattern.size()) {
            if (const auto length = matchOne(pattern.substr(p), text[t])) {
                p += *length;
                ++t;
                continue;
            }
        }
        if (!starPattern) return false;
        p = *starPattern;
        t = ++starText;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string demangled(const std::string& name) {
    // Only "_Z" opens a mangled name (the 32-bit PE toolchains prefix an
    // underscore); the demangler would take a plain "f" for the type float.
    const std::size_t start = name.starts_with("_Z") ? 0 : name.starts_with("__Z") ? 1 : std::string::npos;
    if (start == std::string::npos) return name;
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> text(
        abi::__cxa_demangle(name.c_str() + start, nullptr, nullptr, &status), &std::free);
    return status == 0 && text ? std::string(text.get()) : name;
}

}  // namespace zemrik::cli
