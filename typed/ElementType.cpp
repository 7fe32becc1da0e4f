#include "typed/ElementType.h"

#include <array>

namespace zemrik::typed {
namespace {

struct TypeName {
    std::string_view name;
    ElementType type;
};

constexpr std::array<std::string_view, kElementTypeCount> kTypeNames = {"u8",  "u16", "u32", "u64", "i8",
                                                                        "i16", "i32", "i64", "f32", "f64"};

constexpr TypeName kAliases[] = {
    {"bytes", ElementType::U8},
    {"words", ElementType::U16},
    {"dwords", ElementType::U32},
    {"qwords", ElementType::U64},
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        const char c = a[k] >= 'A' && a[k] <= 'Z' ? static_cast<char>(a[k] - 'A' + 'a') : a[k];
        if (c != b[k]) return false;
    }
    return true;
}

}  // namespace

std::optional<ElementType> parseElementType(std::string_view name) {
    for (std::size_t k = 0; k < kTypeNames.size(); ++k) {
        if (equalIgnoringCase(name, kTypeNames[k])) return static_cast<ElementType>(k);
    }
    for (const TypeName& alias : kAliases) {
        if (equalIgnoringCase(name, alias.name)) return alias.type;
    }
    return std::nullopt;
}

std::string_view typeName(ElementType type) { return kTypeNames[indexOf(type)]; }

}  // namespace zemrik::typed
