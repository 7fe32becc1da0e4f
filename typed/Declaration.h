// Declaration: how a table's declaration is spelled (its name, type names,
// const word, count constant and line breaks), whichever form prints its
// items: the typed walk, the string literal or the embed form.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "typed/ElementType.h"
#include "typed/LanguageRow.h"

namespace zemrik::typed {

// The dialog's type names, or the ones of a fixed width (uint32_t, LongWord).
enum class TypeNaming : std::uint8_t { Classic, Fixed };
enum class LineBreaks : std::uint8_t { CrLf, Lf };
// A template's text, written with CR LF, with the line breaks asked for.
std::string withLineBreaks(std::string text, LineBreaks breaks);
// Whether the declaration is made read-only where the row can (--const).
enum class ReadOnly : std::uint8_t { AsDeclared, Const };
// Whether a constant holding the element count follows (--length).
enum class CountConstant : std::uint8_t { None, After };

struct Declaration {
    std::string_view name{};  // empty: the row's own
    TypeNaming naming = TypeNaming::Classic;
    ReadOnly readOnly = ReadOnly::AsDeclared;
    CountConstant countConstant = CountConstant::None;
    LineBreaks lineBreaks = LineBreaks::CrLf;
};

// The row's type names the declaration asks for.
const std::array<std::string_view, kElementTypeCount>& typeNamesOf(const LanguageRow& row,
                                                                   const Declaration& declaration);

// A template's {name} (the declaration's, or the row's own), {const} (the
// row's word when read-only), {allow} (the name's allowance) and the {type},
// {count} and {last} given, which the caller keeps alive as long as the values.
TemplateValues templateValues(const LanguageRow& row, const Declaration& declaration, std::string_view type,
                              std::string_view count, std::string_view last = {});

}  // namespace zemrik::typed
