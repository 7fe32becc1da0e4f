#include "app/cli/ReservedWords.h"

#include <algorithm>
#include <span>

#include "app/cli/AsciiCase.h"

namespace zemrik::cli {
namespace {

// C23's keywords and C++20's, which include the alternative operator names.
constexpr std::string_view kCWords =
    "_Alignas _Alignof _Atomic _BitInt _Bool _Complex _Decimal128 _Decimal32 _Decimal64 _Generic "
    "_Imaginary _Noreturn _Static_assert _Thread_local alignas alignof and and_eq asm auto bitand bitor "
    "bool break case catch char char16_t char32_t char8_t class co_await co_return co_yield compl concept "
    "const const_cast consteval constexpr constinit continue decltype default delete do double "
    "dynamic_cast else enum explicit export extern false float for friend goto if inline int long mutable "
    "namespace new noexcept not not_eq nullptr operator or or_eq private protected public register "
    "reinterpret_cast requires restrict return short signed sizeof static static_assert static_cast "
    "struct switch template this thread_local throw true try typedef typeid typename typeof typeof_unqual "
    "union unsigned using virtual void volatile wchar_t while xor xor_eq";

// Delphi's reserved words, compared without case.
constexpr std::string_view kDelphiWords =
    "and array as asm begin case class const constructor destructor dispinterface div do downto else end "
    "except exports file finalization finally for function goto if implementation in inherited "
    "initialization inline interface is label library mod nil not object of or out packed procedure "
    "program property raise record repeat resourcestring set shl shr string then threadvar to try type "
    "unit until uses var while with xor";

// Rust's strict and reserved keywords of every edition up to 2024.
constexpr std::string_view kRustWords =
    "Self abstract as async await become box break const continue crate do dyn else enum extern false "
    "final fn for gen if impl in let loop macro match mod move mut override priv pub ref return self "
    "static struct super trait true try type typeof unsafe unsized use virtual where while yield";

constexpr std::string_view kGoWords =
    "break case chan const continue default defer else fallthrough for func go goto if import interface "
    "map package range return select struct switch type var";

constexpr std::string_view kPythonWords =
    "False None True and as assert async await break class continue def del elif else except finally for "
    "from global if import in is lambda nonlocal not or pass raise return try while with yield";

// C#'s keywords; its contextual ones (var, async, record) may name a field.
constexpr std::string_view kCSharpWords =
    "abstract as base bool break byte case catch char checked class const continue decimal default "
    "delegate do double else enum event explicit extern false finally fixed float for foreach goto if "
    "implicit in int interface internal is lock long namespace new null object operator out override "
    "params private protected public readonly ref return sbyte sealed short sizeof stackalloc static "
    "string struct switch this throw true try typeof uint ulong unchecked unsafe ushort using virtual "
    "void volatile while";

// Java's keywords and literals, "_" among them; its contextual words (var,
// record, yield) may name a field.
constexpr std::string_view kJavaWords =
    "_ abstract assert boolean break byte case catch char class const continue default do double else enum "
    "extends false final finally float for goto if implements import instanceof int interface long native "
    "new null package private protected public return short static strictfp super switch synchronized this "
    "throw throws transient true try void volatile while";

// JavaScript's reserved words in strict code (a module's), with the two
// names strict code can't bind.
constexpr std::string_view kJavaScriptWords =
    "arguments await break case catch class const continue debugger default delete do else enum eval export "
    "extends false finally for function if implements import in instanceof interface let new null package "
    "private protected public return static super switch this throw true try typeof var void while with "
    "yield";

enum class Comparison { Exact, IgnoringCase };

struct ReservedWords {
    CliLanguage language;
    std::string_view shownAs;
    Comparison comparison;
    std::string_view words;  // separated by single spaces
};

constexpr ReservedWords kReserved[] = {
    {CliLanguage::C, "C or C++", Comparison::Exact, kCWords},
    {CliLanguage::Delphi, "Delphi", Comparison::IgnoringCase, kDelphiWords},
    {CliLanguage::Rust, "Rust", Comparison::Exact, kRustWords},
    {CliLanguage::Go, "Go", Comparison::Exact, kGoWords},
    {CliLanguage::Python, "Python", Comparison::Exact, kPythonWords},
    {CliLanguage::CSharp, "C#", Comparison::Exact, kCSharpWords},
    {CliLanguage::Java, "Java", Comparison::Exact, kJavaWords},
    {CliLanguage::JavaScript, "JavaScript", Comparison::Exact, kJavaScriptWords},
};

// Names a record's field can't take beyond the language's words: a Java
// record's components can't be named like Object's methods, and in a
// JavaScript object literal __proto__ sets the prototype, no field.
constexpr ReservedWords kFieldReserved[] = {
    {CliLanguage::Java, "a Java record", Comparison::Exact,
     "clone finalize getClass hashCode notify notifyAll toString wait"},
    {CliLanguage::JavaScript, "a JavaScript object", Comparison::Exact, "__proto__"},
};

bool sameWord(std::string_view word, std::string_view name, Comparison comparison) {
    return comparison == Comparison::Exact ? word == name : equalIgnoringCase(word, name);
}

std::optional<std::string_view> reservingIn(std::span<const ReservedWords> table, CliLanguage language,
                                            std::string_view name) {
    for (const ReservedWords& reserved : table) {
        if (reserved.language != language) continue;
        for (std::size_t start = 0; start < reserved.words.size();) {
            const std::size_t end = std::min(reserved.words.find(' ', start), reserved.words.size());
            if (sameWord(reserved.words.substr(start, end - start), name, reserved.comparison)) return reserved.shownAs;
            start = end + 1;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string_view> languageReserving(CliLanguage language, std::string_view name) {
    return reservingIn(kReserved, language, name);
}

std::optional<std::string_view> fieldReserving(CliLanguage language, std::string_view name) {
    if (const auto reserving = languageReserving(language, name)) return reserving;
    return reservingIn(kFieldReserved, language, name);
}

}  // namespace zemrik::cli
