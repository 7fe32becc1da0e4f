// A language as one row of data: the type names it declares each element type
// with, its literal forms, the declaration's texts and the walk's rules. The
// typed walk (TypedWalk.h) is generic over these rows; a new language is a
// new row.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "typed/ElementType.h"
#include "typed/Literal.h"

namespace zemrik::typed {

// Whether a line break takes the place of the separator before it (the
// assemblers' lines end without a comma) or follows it.
enum class LineEndRule : std::uint8_t { KeepsSeparator, DropsSeparator };

// What a table is printed as: its elements, or (Data Str) its bytes in hex,
// last to first when the elements are big-endian, so the whole table reads as
// one big-endian number.
enum class ElementRule : std::uint8_t { Elements, BytesReversedWhenBigEndian };

// Whether a row puts as many records on a line as asked, or one (the
// assemblers': a record is one macro call).
enum class RecordLines : std::uint8_t { AsAsked, OnePerLine };

// How a row prints records (--record): the record type, declared once before
// the table, and one initializer per record. Besides the row's keys, the
// declaration takes {record} (the type's name), {fields} (the field
// declarations), {arity} and {params} (a macro's argument count and its
// parameters, each `parameter` joined by ", "); a field's declaration takes
// {field}, {type} (the field type's name or directive), {count}, {last} and
// {args} (the macro arguments it takes, each `argument`). `argument` and
// `parameter` take {n}, from 1. An empty declaration: no records.
struct RecordForms {
    std::string_view recordName{};
    std::string_view declaration{};
    std::string_view fieldDeclaration{};
    std::string_view arrayFieldDeclaration{};  // a field of more than one item
    std::string_view declarationSeparator{};   // between two field declarations
    // A field of one item's {type} in its declaration, where it isn't the
    // row's type name (JavaScript's number and bigint; its arrays are typed).
    std::array<std::string_view, kElementTypeCount> scalarTypeNames{};
    // The header and closing of a table of records, where they aren't the row's.
    std::string_view header{};
    std::string_view closing{};
    // How a field of one item writes its value, where not as the row's
    // elements do (not owned: a row's constant).
    const LiteralForms* scalarLiterals = nullptr;
    std::string_view open{};        // {record}
    std::string_view fieldLabel{};  // before a field's value: {field}
    std::string_view fieldSeparator{};
    std::string_view close{};
    std::string_view arrayOpen{};  // {type}, {count}
    std::string_view arraySeparator{};
    std::string_view arrayClose{};
    std::string_view argument{};
    std::string_view parameter{};
    RecordLines lines = RecordLines::AsAsked;
};

// How a row prints --dims: `open` and `close` around each run of an inner
// extent, and the header's {count} (the extents joined by `countJoin`) and
// {last} (each extent less one, joined by `lastJoin`). `typeWrap`, when
// given, wraps {type} once per inner extent, innermost first, with that
// extent as {count}, and {count} is the outermost extent. `header`, when
// given, replaces the row's header, with {rank} a comma per extent past the
// first; `closing` the row's closing. `innermostOpen` and `innermostClose`,
// when given, stand around a run of the innermost extent of elements (not
// of records) instead, with {type} the elements' type name: JavaScript's
// typed arrays.
struct DimensionForms {
    std::string_view open{};
    std::string_view close{};
    std::string_view countJoin{};
    std::string_view lastJoin{};
    std::string_view typeWrap{};
    std::string_view header{};
    std::string_view closing{};
    std::string_view innermostOpen{};
    std::string_view innermostClose{};
};

// The words a language reserves, separated by single spaces, compared as
// `comparison` says; `shownAs` names the language in a refusal.
enum class WordCase : std::uint8_t { Exact, Ignored };
struct ReservedWords {
    std::string_view shownAs{};
    WordCase comparison = WordCase::Exact;
    std::string_view words{};
};

// Lines that let a name out of the compiler's naming style where it warns
// of one (Rust's lints; the other languages take any name), each a whole
// attribute line, as a template's {allow}: before a table and its count
// constant whose name holds a lower-case letter; before a record type whose
// name is not in upper camel case, and one whose fields' names are not in
// snake case.
struct NameAllowances {
    std::string_view lowerCaseValue{};
    std::string_view notCamelCaseType{};
    std::string_view notSnakeCaseField{};
};

// One language. The texts are templates: {name}, {type} (the element type's
// name: for the assemblers, the directive), {count}, {last} (the count less
// one), {const} (constWord under --const, else nothing) and {allow} (the
// name's allowance, see NameAllowances). Line breaks are CR LF; the walk
// turns them into LF where asked.
struct LanguageRow {
    std::string_view cliName{};  // -l's name
    std::array<std::string_view, kElementTypeCount> typeNames{};
    std::array<std::string_view, kElementTypeCount> fixedTypeNames{};  // --fixed-types
    std::string_view header{};
    std::string_view lineBreak{};
    std::string_view separator{};
    std::string_view elementPrefix{};  // before every element, the last one too
    std::string_view closing{};        // after the last element
    std::string_view lengthLine{};     // --length's constant, from its CR LF on
    std::string_view constWord{};      // empty: --const changes nothing, or is refused
    std::string_view defaultName{};    // empty: the language declares nothing
    LiteralForms literals{};
    LineEndRule lineEnd = LineEndRule::KeepsSeparator;
    ElementRule elements = ElementRule::Elements;
    RecordForms records{};
    DimensionForms dimensions{};
    // Why the row takes neither records nor dimensions; empty: it takes both.
    std::string_view shapeRefusal{};
    // What starts a comment that runs to the end of the line; empty: the
    // language has no comments.
    std::string_view lineComment{};
    // None for the assemblers, whose labels only the assembler checks, nor
    // for Data Str, which declares nothing.
    ReservedWords reserved{};
    // The names a record's field can't take beyond those: a Java record's
    // components can't be named like Object's methods, and in a JavaScript
    // object literal __proto__ sets the prototype, no field.
    ReservedWords fieldReserved{};
    NameAllowances nameAllowances{};
};

// What a row's templates are filled with. The counts are text, so that a
// printf-style row can hold "%d" where the typed walk holds the number.
struct TemplateValues {
    std::string_view name{};
    std::string_view type{};
    std::string_view constWord{};
    std::string_view count{};
    std::string_view last{};
    std::string_view allow{};
};

// The row's allowance (NameAllowances) for a table or constant named `name`,
// a record type named `name`, a field named `name`; empty where none applies.
std::string_view valueNameAllowance(const LanguageRow& row, std::string_view name);
std::string_view typeNameAllowance(const LanguageRow& row, std::string_view name);
std::string_view fieldNameAllowance(const LanguageRow& row, std::string_view name);

// The template with every {key} replaced; any other brace is the language's own.
std::string filledTemplate(std::string_view text, const TemplateValues& values);
using TemplateKey = std::pair<std::string_view, std::string_view>;
std::string filledTemplate(std::string_view text, std::span<const TemplateKey> keys);

// When `name` is a word the row's language reserves: that language as a
// refusal names it.
std::optional<std::string_view> reservingLanguage(const LanguageRow& row, std::string_view name);
// The same for a record field's name, which some rows reserve more of.
std::optional<std::string_view> reservingField(const LanguageRow& row, std::string_view name);

// Every language zemrik-cli prints: the dialog's four first, in the order of
// its list.
std::span<const LanguageRow> languageRows();

// The row of -l's name, or nullptr.
const LanguageRow* findLanguageRow(std::string_view cliName);

}  // namespace zemrik::typed
