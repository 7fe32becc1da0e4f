// The words each language reserves, which --name can't give the table's
// declaration nor --record a field, and the names only a field can't take.
#pragma once

#include <optional>
#include <string_view>

#include "app/cli/CliStyle.h"

namespace zemrik::cli {

// When `name` is a word `language` reserves, and so can't name the table's
// declaration there: the language as a message names it. C's row is pasted
// into C and C++ alike, so it refuses the words of both; Delphi's words are
// reserved in any case. Nothing for the assembler, whose labels are checked
// only by the assembler, nor for Data Str, which declares nothing.
std::optional<std::string_view> languageReserving(CliLanguage language, std::string_view name);

// The same for a --record field's name, which some languages' records
// reserve more of (Java's Object methods, JavaScript's __proto__).
std::optional<std::string_view> fieldReserving(CliLanguage language, std::string_view name);

}  // namespace zemrik::cli
