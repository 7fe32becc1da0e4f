// How zemrik-cli prints: its languages (the dialog's four and its own), the
// choices that shape a declaration, and CliStyle, the style row they make.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Language.h"
#include "core/OutputStyle.h"
#include "typed/LanguageRow.h"

namespace zemrik::cli {

// zemrik-cli's languages: the dialog's four in the order of its list, then
// the ones only the command line prints.
enum class CliLanguage : std::uint8_t { C, Asm, Delphi, DataStr, Rust, Go, Python, CSharp, Gas, Java, JavaScript };

enum class LineEnd : std::uint8_t { CrLf, Lf };
// The line break of --lf, or CR LF.
constexpr std::string_view lineBreakOf(LineEnd lineEnd) { return lineEnd == LineEnd::Lf ? "\n" : "\r\n"; }
// The dialog's type names, or the ones of a fixed width (uint32_t, LongWord).
enum class TypeNames : std::uint8_t { Classic, Fixed };

// Whether the declaration is made read-only where it is not already (--const).
enum class Constness : std::uint8_t { AsPrinted, Const };
// Whether a constant holding the element count follows the declaration (--length).
enum class LengthConstant : std::uint8_t { None, After };

// The language's row of data: zemrik-cli's languages are the typed rows, in
// the same order.
const typed::LanguageRow& languageRow(CliLanguage language);

// The language the request's checks and the walk see: the command line's own
// languages are checked and walked as C is (no line-end trim), but the GNU
// assembler as the dialog's assembler, which drops the separator at a line's end.
Language requestLanguage(CliLanguage language);

// Whether the language prints bytes, words and dwords through a style row;
// the later ones print every table through their typed rows.
bool hasStyleRow(CliLanguage language);

// Why --const or --length can't be given for the language, or nothing when
// it can (--const may still change nothing: see constnessHasEffect).
std::optional<std::string_view> constRefusal(CliLanguage language);
std::optional<std::string_view> lengthRefusal(CliLanguage language);

// The declaration's name when --name is not given; nothing for Data Str,
// which declares nothing.
std::optional<std::string_view> defaultName(CliLanguage language);

struct StyleChoice {
    CliLanguage language = CliLanguage::Asm;
    StyleColumn column = StyleColumn::WordHex;
    LineEnd lineEnd = LineEnd::CrLf;
    TypeNames types = TypeNames::Classic;
    std::string name;  // empty: the language's own
    Constness constness = Constness::AsPrinted;
    LengthConstant length = LengthConstant::None;
    std::uint32_t elementCount = 0;  // what the length constant holds
};

// The row a run prints with: the style table's (or, for the command line's
// own languages, its own table's) with the choice's name, types and line ends
// put in. Owns the texts the row points to, so it neither copies nor moves.
class CliStyle {
public:
    explicit CliStyle(const StyleChoice& choice);
    CliStyle(const CliStyle&) = delete;
    CliStyle& operator=(const CliStyle&) = delete;

    const OutputStyle& row() const { return row_; }

private:
    std::string separator_;
    std::string elementFormat_;
    std::string headerFormat_;
    std::string lineBreak_;
    std::string lastFormat_;
    OutputStyle row_{};
};

}  // namespace zemrik::cli
