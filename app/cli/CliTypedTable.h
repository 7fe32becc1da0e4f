// Which of zemrik-cli's tables the typed walk prints (64-bit, signed and
// floating-point elements, records, dimensions, and every table of the
// languages without a style row), and the typed walk's options made from the
// command line's, in one place.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "core/Language.h"
#include "run/RequestSource.h"
#include "typed/ElementType.h"

namespace zemrik::cli {

// The Items list's entry that prints `type`: bytes, words or dwords for u8,
// u16 and u32, which keep the dialog's walk; nothing for the other types.
std::optional<ElementSize> itemsEntryOf(typed::ElementType type);

// The typed table the options ask for, its size, items per line and byte
// order left to the run, which checks them; nothing when the dialog's walk
// prints it. A shape from debug info always prints through the typed walk.
std::optional<TypedChoice> typedChoiceOf(const CliOptions& options);

// The usage errors of the byte form the options ask for (--string-literal,
// --embed): elements wider than a byte, a language without the form, options
// that don't apply, standard input to embed, a path the language can't write.
std::vector<std::string> byteFormErrors(const CliOptions& options, bool standardInput);

}  // namespace zemrik::cli
