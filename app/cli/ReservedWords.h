// The words each language reserves, which --name can't give the table's
// declaration nor --record a field, and the rule that makes any variable's
// name one a language can declare.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/cli/CliStyle.h"
#include "typed/RecordSpec.h"

namespace zemrik::cli {

// When `name` is a word `language` reserves (its row's words, LanguageRow.h),
// and so can't name the table's declaration there: the language as a
// message names it.
std::optional<std::string_view> languageReserving(CliLanguage language, std::string_view name);

// The same for a --record field's name, which some languages' records
// reserve more of (Java's Object methods, JavaScript's __proto__).
std::optional<std::string_view> fieldReserving(CliLanguage language, std::string_view name);

// The longest name a declaration takes.
inline constexpr std::size_t kLongestDeclarationName = 64;

// A name `language` can declare, made from a variable's name by one rule,
// in this order: each run of characters other than ASCII letters, digits and
// _ becomes one _ ("ns::tbl" is ns_tbl); a name that starts with a digit, or
// is empty, gets a _ before it; a name longer than 64 characters keeps its
// first 55 and ends in _ and the 8 hex digits of the whole original name's
// FNV-1a hash; a reserved word gets a _ after it. A valid name stays as it is.
std::string declarableName(CliLanguage language, std::string_view name);

// A record's fields from debug info, renamed where `language` can't declare
// them as they are: a word its records reserve gets a _ after it, and so does
// a name an earlier field already holds (a nested member flattened to "a_b"
// beside a member "a_b"), until it is neither nor another field's own name.
// Returns each renamed field's old and new name, in field order.
std::vector<std::pair<std::string, std::string>> declareFieldsIn(CliLanguage language, typed::RecordSpec& record);

}  // namespace zemrik::cli
