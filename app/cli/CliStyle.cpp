#include "app/cli/CliStyle.h"

#include "core/Format.h"
#include "typed/Declaration.h"
#include "typed/LanguageRow.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace zemrik::cli {
namespace {

bool isOwnLanguage(CliLanguage language) { return language >= CliLanguage::Rust; }

struct LanguageRefusal {
    CliLanguage language;
    std::string_view reason;
};

constexpr std::string_view kDeclaresNothing = "Data Str declares nothing";
constexpr std::string_view kJavaFinal = "Java's final fixes the array, not its elements";
constexpr std::string_view kJavaScriptConst = "JavaScript's const fixes the typed array, not its elements";
constexpr std::string_view kAssemblerSections = "an assembler's table is as read-only as the section it is put in";

// Where a read-only table can't be declared. C gets its const; Delphi's typed
// constant, Rust's static and C#'s static readonly are read-only already.
constexpr LanguageRefusal kConstRefusals[] = {
    {CliLanguage::DataStr, kDeclaresNothing},         {CliLanguage::Asm, kAssemblerSections},
    {CliLanguage::Gas, kAssemblerSections},           {CliLanguage::Go, "Go has no constant arrays"},
    {CliLanguage::Python, "Python has no constants"}, {CliLanguage::Java, kJavaFinal},
    {CliLanguage::JavaScript, kJavaScriptConst},
};

std::optional<std::string_view> refusalFor(std::span<const LanguageRefusal> refusals, CliLanguage language) {
    for (const LanguageRefusal& refusal : refusals) {
        if (refusal.language == language) return refusal.reason;
    }
    return std::nullopt;
}

// The line that follows the declaration's last one, CR LF first.
std::string lengthLine(CliLanguage language, std::string_view name, std::uint32_t count) {
    const std::string number = std::to_string(count);
    const typed::LanguageRow& row = languageRow(language);
    return typed::filledTemplate(row.lengthLine, typed::templateValues(row, {.name = name}, {}, number));
}

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

// A row's printf-style number: the one conversion the walks' formats take.
std::string numberFormat(const typed::LiteralForms& forms, typed::ElementType type, Notation notation) {
    if (notation == Notation::Decimal) {
        const std::uint8_t width = forms.decimalWidth[typed::indexOf(type)];
        // Appended, not prepended: GCC 12 warns falsely (-Wrestrict) about "%" + std::string once inlined.
        std::string format = "%";
        if (width != 0) format.append(std::to_string(width));
        return format.append("lu");
    }
    const std::size_t digits = std::size_t{typed::byteWidth(type)} * 2 + forms.hex.extraDigits;
    return std::string(forms.hex.prefix) + "%0" + std::to_string(digits) + "lX" + std::string(forms.hex.suffix);
}

ElementSize printedSize(StyleColumn column, CliLanguage language) {
    return language == CliLanguage::DataStr ? ElementSize::Byte : elementSizeOf(column);
}

Notation notationOf(StyleColumn column) {
    return static_cast<int>(column) % 2 != 0 ? Notation::Decimal : Notation::Hex;
}

}  // namespace

const typed::LanguageRow& languageRow(CliLanguage language) {
    return typed::languageRows()[static_cast<std::size_t>(language)];
}

Language requestLanguage(CliLanguage language) {
    if (language == CliLanguage::Gas) return Language::Asm;
    return isOwnLanguage(language) ? Language::C : static_cast<Language>(language);
}

bool hasStyleRow(CliLanguage language) { return language <= CliLanguage::Gas; }

std::optional<std::string_view> constRefusal(CliLanguage language) { return refusalFor(kConstRefusals, language); }

std::optional<std::string_view> lengthRefusal(CliLanguage language) {
    if (language == CliLanguage::DataStr) return kDeclaresNothing;
    return std::nullopt;
}

std::optional<std::string_view> defaultName(CliLanguage language) {
    const std::string_view name = languageRow(language).defaultName;
    if (name.empty()) return std::nullopt;
    return name;
}

CliStyle::CliStyle(const StyleChoice& choice) {
    const typed::LanguageRow& language = languageRow(choice.language);
    const typed::ElementType type = typed::unsignedOfSize(printedSize(choice.column, choice.language));
    const std::string_view classicType = language.typeNames[typed::indexOf(type)];
    const std::string_view fixedType = language.fixedTypeNames[typed::indexOf(type)];
    OutputStyle base{};
    if (isOwnLanguage(choice.language)) {
        // The command line's own languages print from their rows; "%d" takes the count.
        const std::string number =
            std::string(language.elementPrefix) + numberFormat(language.literals, type, notationOf(choice.column));
        const typed::TemplateValues values{.name = language.defaultName, .type = classicType, .count = "%d"};
        separator_ = language.separator;
        elementFormat_ = number;
        headerFormat_ = typed::filledTemplate(language.header, values);
        lineBreak_ = typed::filledTemplate(language.lineBreak, values);
        lastFormat_ = number + std::string(language.closing);
        // The least an element prints: its value 0, as every row pads.
        const auto element = CompiledFormat::compile(elementFormat_ + separator_);
        base.elementWidth = element ? static_cast<std::int32_t>(element->format(0).size()) : 0;
    } else {
        // The dialog's own rows, character for character.
        base = styleRow(requestLanguage(choice.language), choice.column);
        separator_ = base.separator;
        elementFormat_ = base.elementFormat;
        headerFormat_ = base.headerFormat;
        lineBreak_ = base.lineBreak;
        lastFormat_ = base.lastFormat;
    }

    if (choice.types == TypeNames::Fixed && classicType != fixedType)
        replaceWord(headerFormat_, classicType, fixedType);
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
