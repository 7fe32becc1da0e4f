#include "debuginfo/TableShape.h"

#include "typed/LanguageRow.h"

namespace zemrik::debuginfo {

std::string cSpelling(const TableShape& shape) {
    std::string text;
    if (const auto* record = std::get_if<Record>(&shape.element)) {
        text = record->cName;
    } else {
        text = typed::findLanguageRow("c")->fixedTypeNames[typed::indexOf(std::get<typed::ElementType>(shape.element))];
    }
    for (const auto& bound : shape.dims) {
        text += '[';
        if (bound) text += std::to_string(*bound);
        text += ']';
    }
    return text;
}

std::uint64_t elementSize(const TableShape& shape) {
    if (const auto* record = std::get_if<Record>(&shape.element)) return record->size;
    return typed::byteWidth(std::get<typed::ElementType>(shape.element));
}

}  // namespace zemrik::debuginfo
