#include "app/cli/CliTypedTable.h"

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
    if (!options.debugShape && itemsEntryOf(options.items) && flat && hasStyleRow(options.language)) return std::nullopt;
    TypedChoice choice;
    choice.row = &languageRow(options.language);
    typed::TypedOptions& typedOptions = choice.options;
    // A record's size is checked against the table's by the walk's own
    // check: bytes divide any size.
    typedOptions.type = options.record ? typed::ElementType::U8 : options.items;
    typedOptions.record = options.record ? &*options.record : nullptr;
    typedOptions.dims = options.dims;
    typedOptions.notation = options.decimal ? Notation::Decimal : Notation::Hex;
    typedOptions.name = options.name;
    typedOptions.naming = options.types == TypeNames::Fixed ? typed::TypeNaming::Fixed : typed::TypeNaming::Classic;
    typedOptions.readOnly =
        options.constness == Constness::Const ? typed::ReadOnly::Const : typed::ReadOnly::AsDeclared;
    typedOptions.countConstant =
        options.length == LengthConstant::After ? typed::CountConstant::After : typed::CountConstant::None;
    typedOptions.lineBreaks = options.lineEnd == LineEnd::Lf ? typed::LineBreaks::Lf : typed::LineBreaks::CrLf;
    // The debug info's shape, in the variable's own types: what the options
    // left open (ImageQueries.h).
    if (const auto& shape = options.debugShape) {
        typedOptions.type = shape->type;
        typedOptions.naming = typed::TypeNaming::Fixed;
        typedOptions.record = shape->record ? &*shape->record : nullptr;
        typedOptions.dims = shape->dims;
    }
    return choice;
}

}  // namespace zemrik::cli
