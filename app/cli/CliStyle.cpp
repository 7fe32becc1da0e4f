#include "app/cli/CliStyle.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace zemrik::cli {
namespace {

// The command line's own languages, each in its usual layout: one indented
// line per row of items, a comma after every item (the last one too, where
// the language allows it) and the closing bracket on a line of its own.
// Where the indent is spaces, the space between items goes before each item
// rather than after its comma, so that no line ends in a blank; Go's tab
// indent keeps the dialog's ", ". The widths keep the walk's rule:
// elementWidth never more than an element and its separator print,
// lineBreakWidth the line break's length.
constexpr OutputStyle kRust[kStyleColumnCount] = {
    {0, 6, 5, ",", " 0x%02lX", "static TABLE: [u8; %d] = [\r\n   ", "\r\n   ", " 0x%02lX,\r\n];"},
    {0, 5, 5, ",", " %3lu", "static TABLE: [u8; %d] = [\r\n   ", "\r\n   ", " %3lu,\r\n];"},
    {0, 8, 5, ",", " 0x%04lX", "static TABLE: [u16; %d] = [\r\n   ", "\r\n   ", " 0x%04lX,\r\n];"},
    {0, 7, 5, ",", " %5lu", "static TABLE: [u16; %d] = [\r\n   ", "\r\n   ", " %5lu,\r\n];"},
    {0, 12, 5, ",", " 0x%08lX", "static TABLE: [u32; %d] = [\r\n   ", "\r\n   ", " 0x%08lX,\r\n];"},
    {0, 12, 5, ",", " %10lu", "static TABLE: [u32; %d] = [\r\n   ", "\r\n   ", " %10lu,\r\n];"},
};

constexpr OutputStyle kGo[kStyleColumnCount] = {
    {0, 6, 3, ", ", "0x%02lX", "var table = [%d]uint8{\r\n\t", "\r\n\t", "0x%02lX,\r\n}"},
    {0, 5, 3, ", ", "%3lu", "var table = [%d]uint8{\r\n\t", "\r\n\t", "%3lu,\r\n}"},
    {0, 8, 3, ", ", "0x%04lX", "var table = [%d]uint16{\r\n\t", "\r\n\t", "0x%04lX,\r\n}"},
    {0, 7, 3, ", ", "%5lu", "var table = [%d]uint16{\r\n\t", "\r\n\t", "%5lu,\r\n}"},
    {0, 12, 3, ", ", "0x%08lX", "var table = [%d]uint32{\r\n\t", "\r\n\t", "0x%08lX,\r\n}"},
    {0, 12, 3, ", ", "%10lu", "var table = [%d]uint32{\r\n\t", "\r\n\t", "%10lu,\r\n}"},
};

// A list has no element type: every column shares the header.
constexpr OutputStyle kPython[kStyleColumnCount] = {
    {0, 6, 5, ",", " 0x%02lX", "table = [\r\n   ", "\r\n   ", " 0x%02lX,\r\n]"},
    {0, 5, 5, ",", " %3lu", "table = [\r\n   ", "\r\n   ", " %3lu,\r\n]"},
    {0, 8, 5, ",", " 0x%04lX", "table = [\r\n   ", "\r\n   ", " 0x%04lX,\r\n]"},
    {0, 7, 5, ",", " %5lu", "table = [\r\n   ", "\r\n   ", " %5lu,\r\n]"},
    {0, 12, 5, ",", " 0x%08lX", "table = [\r\n   ", "\r\n   ", " 0x%08lX,\r\n]"},
    {0, 12, 5, ",", " %10lu", "table = [\r\n   ", "\r\n   ", " %10lu,\r\n]"},
};

constexpr OutputStyle kCSharp[kStyleColumnCount] = {
    {0, 6, 5, ",", " 0x%02lX", "static readonly byte[] table = {\r\n   ", "\r\n   ", " 0x%02lX,\r\n};"},
    {0, 5, 5, ",", " %3lu", "static readonly byte[] table = {\r\n   ", "\r\n   ", " %3lu,\r\n};"},
    {0, 8, 5, ",", " 0x%04lX", "static readonly ushort[] table = {\r\n   ", "\r\n   ", " 0x%04lX,\r\n};"},
    {0, 7, 5, ",", " %5lu", "static readonly ushort[] table = {\r\n   ", "\r\n   ", " %5lu,\r\n};"},
    {0, 12, 5, ",", " 0x%08lX", "static readonly uint[] table = {\r\n   ", "\r\n   ", " 0x%08lX,\r\n};"},
    {0, 12, 5, ",", " %10lu", "static readonly uint[] table = {\r\n   ", "\r\n   ", " %10lu,\r\n};"},
};

// The GNU assembler's data directives, walked as the dialog's assembler is:
// the separator at a line's end is dropped. `.short` and `.long` are 2 and 4
// bytes on the x86 targets, in the target's byte order.
constexpr OutputStyle kGas[kStyleColumnCount] = {
    {0, 6, 9, ", ", "0x%02lX", "table:\r\n\t.byte ", "\r\n\t.byte ", "0x%02lX"},
    {0, 5, 9, ", ", "%3lu", "table:\r\n\t.byte ", "\r\n\t.byte ", "%3lu"},
    {0, 8, 10, ", ", "0x%04lX", "table:\r\n\t.short ", "\r\n\t.short ", "0x%04lX"},
    {0, 7, 10, ", ", "%5lu", "table:\r\n\t.short ", "\r\n\t.short ", "%5lu"},
    {0, 12, 9, ", ", "0x%08lX", "table:\r\n\t.long ", "\r\n\t.long ", "0x%08lX"},
    {0, 12, 9, ", ", "%10lu", "table:\r\n\t.long ", "\r\n\t.long ", "%10lu"},
};

constexpr std::array<const OutputStyle*, 5> kOwnRows{kRust, kGo, kPython, kCSharp, kGas};

bool isOwnLanguage(CliLanguage language) { return language >= CliLanguage::Rust; }

struct LanguageRefusal {
    CliLanguage language;
    std::string_view reason;
};

constexpr std::string_view kDeclaresNothing = "Data Str declares nothing";
constexpr std::string_view kAssemblerSections = "an assembler's table is as read-only as the section it is put in";

// Where a read-only table can't be declared. C gets its const; Delphi's typed
// constant, Rust's static and C#'s static readonly are read-only already.
constexpr LanguageRefusal kConstRefusals[] = {
    {CliLanguage::DataStr, kDeclaresNothing},         {CliLanguage::Asm, kAssemblerSections},
    {CliLanguage::Gas, kAssemblerSections},           {CliLanguage::Go, "Go has no constant arrays"},
    {CliLanguage::Python, "Python has no constants"},
};

std::optional<std::string_view> refusalFor(std::span<const LanguageRefusal> refusals, CliLanguage language) {
    for (const LanguageRefusal& refusal : refusals) {
        if (refusal.language == language) return refusal.reason;
    }
    return std::nullopt;
}

// The constant --length puts after the declaration: before, the name, its
// suffix, between, the count, after.
struct LengthForm {
    CliLanguage language;
    std::string_view before;
    std::string_view nameSuffix;
    std::string_view between;
    std::string_view after;
};

constexpr LengthForm kLengthForms[] = {
    {CliLanguage::C, "static const unsigned int ", "_len", " = ", ";"},
    {CliLanguage::Asm, "", "_len", "\tequ ", ""},
    {CliLanguage::Delphi, "CONST ", "_len", " = ", ";"},
    {CliLanguage::Rust, "const ", "_LEN", ": usize = ", ";"},
    {CliLanguage::Go, "const ", "_len", " = ", ""},
    {CliLanguage::Python, "", "_len", " = ", ""},
    {CliLanguage::CSharp, "const int ", "_len", " = ", ";"},
    {CliLanguage::Gas, "\t.set ", "_len", ", ", ""},
};

// The line that follows the declaration's last one, CR LF first.
std::string lengthLine(CliLanguage language, std::string_view name, std::uint32_t count) {
    for (const LengthForm& form : kLengthForms) {
        if (form.language != language) continue;
        return "\r\n" + std::string(form.before) + std::string(name) + std::string(form.nameSuffix) +
               std::string(form.between) + std::to_string(count) + std::string(form.after);
    }
    return {};
}

struct FixedType {
    CliLanguage language;
    ElementSize size;
    std::string_view classic;
    std::string_view fixed;
};

// The languages whose default types are not of one width everywhere (C's
// unsigned long is 8 bytes on 64-bit Unix) or not of the values' range
// (Delphi's longint is signed). The others declare fixed widths already.
constexpr FixedType kFixedTypes[] = {
    {CliLanguage::C, ElementSize::Byte, "unsigned char", "uint8_t"},
    {CliLanguage::C, ElementSize::Word, "unsigned short", "uint16_t"},
    {CliLanguage::C, ElementSize::Dword, "unsigned long", "uint32_t"},
    {CliLanguage::Delphi, ElementSize::Byte, "byte", "Byte"},
    {CliLanguage::Delphi, ElementSize::Word, "WORD", "Word"},
    {CliLanguage::Delphi, ElementSize::Dword, "longint", "LongWord"},
};

bool isIdentifierCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Replaces the first occurrence of `word` that stands as a word of its own.
void replaceWord(std::string& text, std::string_view word, std::string_view replacement) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        const bool startsWord = at == 0 || !isIdentifierCharacter(text[at - 1]);
        const bool endsWord = end == text.size() || !isIdentifierCharacter(text[end]);
        if (startsWord && endsWord) {
            text.replace(at, word.size(), replacement);
            return;
        }
    }
}

// Drops the CR of every CR LF; returns how many it dropped.
std::size_t toLineFeeds(std::string& text) {
    std::size_t dropped = 0;
    std::size_t kept = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
            ++dropped;
            continue;
        }
        text[kept++] = text[at];
    }
    text.resize(kept);
    return dropped;
}

const OutputStyle& baseRow(CliLanguage language, StyleColumn column) {
    if (isOwnLanguage(language)) return ownStyleRow(language, column);
    return styleRow(requestLanguage(language), column);
}

}  // namespace

Language requestLanguage(CliLanguage language) {
    if (language == CliLanguage::Gas) return Language::Asm;
    return isOwnLanguage(language) ? Language::C : static_cast<Language>(language);
}

std::optional<std::string_view> constRefusal(CliLanguage language) { return refusalFor(kConstRefusals, language); }

std::optional<std::string_view> lengthRefusal(CliLanguage language) {
    if (language == CliLanguage::DataStr) return kDeclaresNothing;
    return std::nullopt;
}

std::optional<std::string_view> defaultName(CliLanguage language) {
    switch (language) {
    case CliLanguage::DataStr: return std::nullopt;
    case CliLanguage::Rust: return "TABLE";  // Rust names statics in upper case
    default: return "table";
    }
}

const OutputStyle& ownStyleRow(CliLanguage language, StyleColumn column) {
    const auto index = static_cast<std::size_t>(language) - static_cast<std::size_t>(CliLanguage::Rust);
    return kOwnRows[index][static_cast<std::size_t>(column)];
}

CliStyle::CliStyle(const StyleChoice& choice) {
    const OutputStyle& base = baseRow(choice.language, choice.column);
    separator_ = base.separator;
    elementFormat_ = base.elementFormat;
    headerFormat_ = base.headerFormat;
    lineBreak_ = base.lineBreak;
    lastFormat_ = base.lastFormat;

    if (choice.types == TypeNames::Fixed) {
        for (const FixedType& type : kFixedTypes) {
            if (type.language == choice.language && type.size == elementSizeOf(choice.column)) {
                replaceWord(headerFormat_, type.classic, type.fixed);
            }
        }
    }
    if (choice.constness == Constness::Const && choice.language == CliLanguage::C) {
        replaceWord(headerFormat_, "static", "static const");
    }
    // The name is a C identifier, so it can hold no conversion of its own;
    // nor can the count, digits only.
    const std::optional<std::string_view> ownName = defaultName(choice.language);
    if (!choice.name.empty() && ownName) replaceWord(headerFormat_, *ownName, choice.name);
    if (choice.length == LengthConstant::After && ownName) {
        lastFormat_ += lengthLine(choice.language, choice.name.empty() ? *ownName : choice.name, choice.elementCount);
    }

    std::size_t elementCharactersDropped = 0;
    if (choice.lineEnd == LineEnd::Lf) {
        elementCharactersDropped = toLineFeeds(separator_) + toLineFeeds(elementFormat_);
        toLineFeeds(headerFormat_);
        toLineFeeds(lineBreak_);
        toLineFeeds(lastFormat_);
    }

    row_ = base;
    row_.elementWidth = base.elementWidth - static_cast<std::int32_t>(elementCharactersDropped);
    row_.lineBreakWidth = static_cast<std::int32_t>(lineBreak_.size());
    row_.separator = separator_.c_str();
    row_.elementFormat = elementFormat_.c_str();
    row_.headerFormat = headerFormat_.c_str();
    row_.lineBreak = lineBreak_.c_str();
    row_.lastFormat = lastFormat_.c_str();
}

}  // namespace zemrik::cli
