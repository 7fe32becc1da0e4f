#include "app/cli/CliTypedTable.h"

#include "forms/Embed.h"
#include "forms/StringLiteral.h"

namespace zemrik::cli {

std::optional<ElementSize> itemsEntryOf(typed::ElementType type) {
    switch (type) {
    case typed::ElementType::U8: return ElementSize::Byte;
    case typed::ElementType::U16: return ElementSize::Word;
    case typed::ElementType::U32: return ElementSize::Dword;
    default: return std::nullopt;
    }
}

std::optional<TypedChoice> typedChoiceOf(const CliOptions& options) {
    const bool flat = !options.record && options.dims.empty();
    if (options.byteForm == forms::ByteForm::Array && !options.debugShape && itemsEntryOf(options.items) && flat &&
        hasStyleRow(options.language))
        return std::nullopt;
    TypedChoice choice;
    choice.row = &languageRow(options.language);
    choice.form = options.byteForm;
    choice.embedPath = options.embedPath;
    typed::TypedOptions& typedOptions = choice.options;
    // A record's size is checked against the table's by the walk's own
    // check: bytes divide any size.
    typedOptions.type = options.record ? typed::ElementType::U8 : options.items;
    typedOptions.record = options.record ? &*options.record : nullptr;
    typedOptions.dims = options.dims;
    typedOptions.notation = options.decimal ? Notation::Decimal : Notation::Hex;
    typedOptions.declaration.name = options.name;
    typedOptions.declaration.naming =
        options.types == TypeNames::Fixed ? typed::TypeNaming::Fixed : typed::TypeNaming::Classic;
    typedOptions.declaration.readOnly =
        options.constness == Constness::Const ? typed::ReadOnly::Const : typed::ReadOnly::AsDeclared;
    typedOptions.declaration.countConstant =
        options.length == LengthConstant::After ? typed::CountConstant::After : typed::CountConstant::None;
    typedOptions.declaration.lineBreaks =
        options.lineEnd == LineEnd::Lf ? typed::LineBreaks::Lf : typed::LineBreaks::CrLf;
    // The debug info's shape, in the variable's own types: what the options
    // left open (ImageQueries.h).
    if (const auto& shape = options.debugShape) {
        typedOptions.type = shape->type;
        typedOptions.declaration.naming = typed::TypeNaming::Fixed;
        typedOptions.record = shape->record ? &*shape->record : nullptr;
        typedOptions.recordName = shape->recordName;
        typedOptions.recordDeclaration =
            shape->recordDeclared ? typed::RecordDeclaration::Omitted : typed::RecordDeclaration::Declared;
        typedOptions.dims = shape->dims;
    }
    return choice;
}

std::vector<std::string> byteFormErrors(const CliOptions& options, bool standardInput) {
    const std::string form(forms::optionName(options.byteForm));
    std::vector<std::string> errors;
    if (options.items != typed::ElementType::U8) {
        errors.push_back(form + " prints bytes: give -i bytes or u8, not " +
                         std::string(typed::typeName(options.items)));
    }
    const typed::LanguageRow& row = languageRow(options.language);
    const bool embed = options.byteForm == forms::ByteForm::Embed;
    const std::optional<std::string_view> refusal = embed ? forms::embedRefusal(row) : forms::stringLiteralRefusal(row);
    if (refusal) errors.push_back(form + ": " + std::string(*refusal));
    if (options.decimal) errors.push_back(form + " prints no numbers: --decimal doesn't apply");
    if (options.record) errors.push_back(form + " prints bytes: --record doesn't apply");
    if (!options.dims.empty()) errors.push_back(form + " prints one dimension: --dims doesn't apply");
    if (options.dumpToFile) errors.push_back("--dump-to-file writes the dialog's tables: give -o FILE for " + form);
    if (!embed) return errors;
    if (standardInput && options.embedPath.empty()) {
        errors.push_back("--embed: standard input has no path for the compiler to read: give --embed-path PATH");
    }
    if (!refusal && !options.embedPath.empty()) {
        if (const auto declaration = forms::embedDeclaration(row, {.path = options.embedPath}); !declaration) {
            errors.push_back("--embed-path: " + declaration.error());
        }
    }
    return errors;
}

}  // namespace zemrik::cli
