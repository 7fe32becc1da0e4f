#include "forms/Embed.h"

namespace zemrik::forms {
namespace {

// How the path is written: as a header name (no escapes there, so a quote or
// a line break can't be written), as a NASM string (double quotes, or single
// ones around a path holding a double), or as a string with C's escapes.
enum class PathQuoting : std::uint8_t { HeaderName, NasmString, EscapedString };

// The templates are the typed rows' with {path} (quoted) and {offset}.
struct EmbedRow {
    std::string_view cliName;
    std::string_view wholeFile;   // the stretch starts at the file's first byte
    std::string_view withOffset;  // anywhere
    PathQuoting quoting;
};

// Clang names its offset parameter clang::offset, GCC gnu::offset; a compiler
// refuses a parameter it doesn't know, so each gets its own line.
constexpr EmbedRow kRows[] = {
    {"c", "static {const}{type} {name}[] = {\r\n#embed {path} limit({count})\r\n};",
     "static {const}{type} {name}[] = {\r\n#if defined(__clang__)\r\n#embed {path} clang::offset({offset}) "
     "limit({count})\r\n#else\r\n#embed {path} gnu::offset({offset}) limit({count})\r\n#endif\r\n};",
     PathQuoting::HeaderName},
    {"asm", "{name}\tincbin {path}, 0, {count}", "{name}\tincbin {path}, {offset}, {count}", PathQuoting::NasmString},
    {"gas", "{name}:\r\n\t.incbin {path}, 0, {count}", "{name}:\r\n\t.incbin {path}, {offset}, {count}",
     PathQuoting::EscapedString},
};

struct Refusal {
    std::string_view cliName;
    std::string_view reason;
};

constexpr Refusal kRefusals[] = {
    {"delphi", "Delphi can't take a file's bytes at build time"},
    {"datastr", "Data Str declares nothing"},
    {"rust", "Rust's include_bytes! takes a whole file, not a stretch of one"},
    {"go", "Go's embed takes whole files from the package's own folder"},
    {"python", "Python reads files when it runs, not when it is built"},
    {"csharp", "C# can't take a file's bytes at build time"},
    {"java", "Java can't take a file's bytes at build time"},
    {"javascript", "JavaScript reads files when it runs, not when it is built"},
};

const EmbedRow* findRow(std::string_view cliName) {
    for (const EmbedRow& row : kRows) {
        if (row.cliName == cliName) return &row;
    }
    return nullptr;
}

std::string enclosed(std::string_view text, char quote) {
    std::string out(1, quote);
    out.append(text);
    out += quote;
    return out;
}

bool breaksLine(char c) { return c == '\r' || c == '\n'; }

Expected<std::string, std::string> quoted(std::string_view path, PathQuoting quoting) {
    using Result = Expected<std::string, std::string>;
    for (char c : path) {
        if (breaksLine(c) && quoting != PathQuoting::EscapedString) {
            return Result::failure("the path holds a line break, which the language can't write");
        }
    }
    const bool holdsDouble = path.find('"') != std::string_view::npos;
    switch (quoting) {
    case PathQuoting::HeaderName:
        if (holdsDouble) return Result::failure("the path holds a '\"', which #embed can't write");
        return enclosed(path, '"');
    case PathQuoting::NasmString:
        if (!holdsDouble) return enclosed(path, '"');
        if (path.find('\'') != std::string_view::npos) {
            return Result::failure("the path holds both quotes, which incbin can't write");
        }
        return enclosed(path, '\'');
    case PathQuoting::EscapedString: break;
    }
    std::string text = "\"";
    for (char c : path) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (c == '"' || c == '\\') text += '\\';
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
            continue;
        }
        // Three digits always: an octal digit may follow.
        text += '\\';
        text += static_cast<char>('0' + (byte >> 6));
        text += static_cast<char>('0' + ((byte >> 3) & 7));
        text += static_cast<char>('0' + (byte & 7));
    }
    return text + "\"";
}

// Each {key} replaced with the value, which is not searched again: a path
// may hold braces of its own.
std::string replaced(std::string text, std::string_view key, std::string_view value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
}

}  // namespace

std::optional<std::string_view> embedRefusal(const typed::LanguageRow& language) {
    if (findRow(language.cliName) != nullptr) return std::nullopt;
    for (const Refusal& refusal : kRefusals) {
        if (refusal.cliName == language.cliName) return refusal.reason;
    }
    return "the language can't take a file's bytes at build time";
}

Expected<std::string, std::string> embedDeclaration(const typed::LanguageRow& language, const EmbedOptions& options) {
    const EmbedRow& row = *findRow(language.cliName);
    auto path = quoted(options.path, row.quoting);
    if (!path) return path;
    const typed::Declaration& declaration = options.declaration;
    const std::string count = std::to_string(options.tableSize);
    const auto with =
        typed::templateValues(language, declaration,
                              typed::typeNamesOf(language, declaration)[typed::indexOf(typed::ElementType::U8)], count);
    std::string text(options.offset == 0 ? row.wholeFile : row.withOffset);
    if (declaration.countConstant == typed::CountConstant::After) text += language.lengthLine;
    text = replaced(typed::filledTemplate(text, with), "{offset}", std::to_string(options.offset));
    return typed::withLineBreaks(replaced(std::move(text), "{path}", *path), declaration.lineBreaks);
}

}  // namespace zemrik::forms
