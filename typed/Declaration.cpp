#include "typed/Declaration.h"

namespace zemrik::typed {

std::string withLineBreaks(std::string text, LineBreaks breaks) {
    if (breaks == LineBreaks::CrLf) return text;
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
        out += text[at];
    }
    return out;
}

const std::array<std::string_view, kElementTypeCount>& typeNamesOf(const LanguageRow& row,
                                                                   const Declaration& declaration) {
    return declaration.naming == TypeNaming::Fixed ? row.fixedTypeNames : row.typeNames;
}

TemplateValues templateValues(const LanguageRow& row, const Declaration& declaration, std::string_view type,
                              std::string_view count, std::string_view last) {
    const std::string_view name = declaration.name.empty() ? row.defaultName : declaration.name;
    return {.name = name,
            .type = type,
            .constWord = declaration.readOnly == ReadOnly::Const ? row.constWord : std::string_view{},
            .count = count,
            .last = last,
            .allow = valueNameAllowance(row, name)};
}

}  // namespace zemrik::typed
