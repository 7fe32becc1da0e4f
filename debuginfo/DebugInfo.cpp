#include "debuginfo/DebugInfo.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <gelf.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "debuginfo/ElfContainer.h"
#include "image/DebugSections.h"

namespace zemrik::debuginfo {

namespace detail {

struct DebugInfoState {
    std::vector<char> image;  // libelf may write to it: ours, not the caller's
    Elf* elf = nullptr;
    Dwarf* dwarf = nullptr;
    std::map<std::string, std::vector<Dwarf_Off>, std::less<>> variables;

    DebugInfoState() = default;
    DebugInfoState(const DebugInfoState&) = delete;
    DebugInfoState& operator=(const DebugInfoState&) = delete;
    ~DebugInfoState() {
        if (dwarf != nullptr) dwarf_end(dwarf);
        if (elf != nullptr) elf_end(elf);
    }
};

}  // namespace detail

namespace {

template <class T>
using Result = Expected<T, Refusal>;

// More hops than any real typedef and qualifier chain has: a longer one loops.
constexpr int kMaxTypeHops = 64;
// Deeper nesting of structures than any real table has, and a bound on the
// recursion a hostile file could ask for.
constexpr int kMaxNesting = 16;

Refusal refusal(RefusalKind kind, std::string reason) { return Refusal{kind, std::move(reason)}; }

Refusal malformed(std::string_view what) {
    return refusal(RefusalKind::Malformed, std::string(what) + ": " + dwarf_errmsg(-1));
}

std::string joined(const std::string& prefix, std::string_view name) {
    if (prefix.empty()) return std::string(name);
    if (name.empty()) return prefix;
    return prefix + "_" + std::string(name);
}

bool hasAttr(Dwarf_Die* die, unsigned name) { return dwarf_hasattr_integrate(die, name) != 0; }

std::optional<std::uint64_t> udata(Dwarf_Die* die, unsigned name) {
    Dwarf_Attribute attr;
    Dwarf_Word value = 0;
    if (dwarf_attr_integrate(die, name, &attr) == nullptr || dwarf_formudata(&attr, &value) != 0) return std::nullopt;
    return value;
}

// A record with more members than this, nested ones counted, is refused: it
// bounds the work a structure that nests itself many times over could ask for.
constexpr std::uint32_t kMaxMembers = 65536;

// One variable's type walk: the variable named in every reason, the typedef
// an untagged structure is known by, and the members still allowed.
struct TypeWalk {
    std::string_view variable;
    std::string typedefName;  // the last typedef passed since the last array
    std::uint32_t membersLeft = kMaxMembers;

    // "VARIABLE: member WHERE is WHAT", or "VARIABLE is WHAT" for the variable itself.
    Refusal refused(RefusalKind kind, const std::string& where, std::string_view what) const {
        std::string reason(variable);
        if (!where.empty()) reason += ": member " + where;
        reason += " is ";
        reason += what;
        return refusal(kind, std::move(reason));
    }
    Refusal unsupported(const std::string& where, std::string_view what) const {
        return refused(RefusalKind::Unsupported, where, what);
    }
    Refusal pastRecord(const std::string& where, std::uint64_t recordSize) const {
        return refused(RefusalKind::Malformed, where,
                       "past the end of its record of " + std::to_string(recordSize) + " bytes");
    }
};

// The DIE's DW_AT_type with typedefs and qualifiers followed.
Result<Dwarf_Die> peeledType(Dwarf_Die* die, TypeWalk& walk, const std::string& where) {
    Dwarf_Attribute attr;
    Dwarf_Die type;
    if (dwarf_attr_integrate(die, DW_AT_type, &attr) == nullptr) {
        return Result<Dwarf_Die>::failure(walk.unsupported(where, "of no type (void)"));
    }
    if (dwarf_formref_die(&attr, &type) == nullptr) return Result<Dwarf_Die>::failure(malformed("a type reference"));
    for (int hop = 0; hop < kMaxTypeHops; ++hop) {
        const int tag = dwarf_tag(&type);
        if (tag != DW_TAG_typedef && tag != DW_TAG_const_type && tag != DW_TAG_volatile_type &&
            tag != DW_TAG_restrict_type && tag != DW_TAG_atomic_type) {
            return type;
        }
        if (tag == DW_TAG_typedef && dwarf_diename(&type) != nullptr) walk.typedefName = dwarf_diename(&type);
        if (dwarf_attr_integrate(&type, DW_AT_type, &attr) == nullptr) {
            return Result<Dwarf_Die>::failure(walk.unsupported(where, "of no type (void)"));
        }
        if (dwarf_formref_die(&attr, &type) == nullptr)
            return Result<Dwarf_Die>::failure(malformed("a type reference"));
    }
    return Result<Dwarf_Die>::failure(
        refusal(RefusalKind::Malformed, std::string(walk.variable) + ": its type chain loops"));
}

using Bounds = std::vector<std::optional<std::uint64_t>>;

// An array type's bounds, appended outermost first.
Result<bool> appendBounds(Dwarf_Die* array, Bounds& bounds, TypeWalk& walk, const std::string& where) {
    Dwarf_Die child;
    if (dwarf_child(array, &child) != 0)
        return Result<bool>::failure(walk.unsupported(where, "an array without bounds"));
    do {
        if (dwarf_tag(&child) != DW_TAG_subrange_type) {
            return Result<bool>::failure(walk.unsupported(where, "an array indexed by an enumeration"));
        }
        const bool hasCount = hasAttr(&child, DW_AT_count);
        const bool hasUpper = hasAttr(&child, DW_AT_upper_bound);
        if (!hasCount && !hasUpper) {
            bounds.emplace_back();
            continue;
        }
        const auto lower = hasAttr(&child, DW_AT_lower_bound) ? udata(&child, DW_AT_lower_bound) : std::uint64_t{0};
        const auto given = udata(&child, hasCount ? DW_AT_count : DW_AT_upper_bound);
        if (!given || lower != std::uint64_t{0}) {
            return Result<bool>::failure(walk.unsupported(where, "an array of variable length or nonzero lower bound"));
        }
        if (!hasCount && *given == UINT64_MAX) {
            // Its count would wrap to 0 (a zero-length array written as
            // running to -1 is refused here too).
            return Result<bool>::failure(walk.unsupported(where, "an array whose upper bound is 2^64-1"));
        }
        bounds.emplace_back(hasCount ? *given : *given + 1);
    } while (dwarf_siblingof(&child, &child) == 0);
    return true;
}

// Arrays of arrays (through typedefs too) as one list of bounds; the DIE
// returned is the innermost element type.
Result<Dwarf_Die> elementType(Dwarf_Die* die, Bounds& bounds, TypeWalk& walk, const std::string& where) {
    auto type = peeledType(die, walk, where);
    for (int hop = 0; type && dwarf_tag(&*type) == DW_TAG_array_type; ++hop) {
        if (hop == kMaxTypeHops) {
            return Result<Dwarf_Die>::failure(
                refusal(RefusalKind::Malformed, std::string(walk.variable) + ": its type chain loops"));
        }
        if (auto added = appendBounds(&*type, bounds, walk, where); !added)
            return Result<Dwarf_Die>::failure(added.error());
        Dwarf_Die array = *type;
        walk.typedefName.clear();  // it named the array, not its elements
        type = peeledType(&array, walk, where);
    }
    return type;
}

std::optional<typed::ElementType> integerOfSize(std::uint64_t size, typed::ValueKind kind) {
    using typed::ElementType;
    constexpr ElementType kUnsigned[] = {ElementType::U8, ElementType::U16, ElementType::U32, ElementType::U64};
    constexpr ElementType kSigned[] = {ElementType::I8, ElementType::I16, ElementType::I32, ElementType::I64};
    const auto& row = kind == typed::ValueKind::Signed ? kSigned : kUnsigned;
    switch (size) {
    case 1: return row[0];
    case 2: return row[1];
    case 4: return row[2];
    case 8: return row[3];
    default: return std::nullopt;
    }
}

Result<typed::ElementType> baseElement(Dwarf_Die* base, TypeWalk& walk, const std::string& where) {
    const auto encoding = udata(base, DW_AT_encoding);
    const auto size = udata(base, DW_AT_byte_size);
    std::optional<typed::ElementType> type;
    if (encoding && size) {
        switch (*encoding) {
        case DW_ATE_signed:
        case DW_ATE_signed_char: type = integerOfSize(*size, typed::ValueKind::Signed); break;
        case DW_ATE_unsigned:
        case DW_ATE_unsigned_char:
        case DW_ATE_boolean:
        case DW_ATE_UTF: type = integerOfSize(*size, typed::ValueKind::Unsigned); break;
        case DW_ATE_float:
            if (*size == 4) type = typed::ElementType::F32;
            if (*size == 8) type = typed::ElementType::F64;
            break;
        default: break;
        }
    }
    if (type) return *type;
    const char* name = dwarf_diename(base);
    return Result<typed::ElementType>::failure(
        walk.unsupported(where, "of type " + std::string(name != nullptr ? name : "?") + " (" +
                                    std::to_string(size.value_or(0)) + " bytes), which has no element type"));
}

// An enumeration without its underlying type (older DWARF): signed when an
// enumerator is negative.
Result<typed::ElementType> enumElement(Dwarf_Die* enumeration, TypeWalk& walk, const std::string& where) {
    bool negative = false;
    Dwarf_Die child;
    if (dwarf_child(enumeration, &child) == 0) {
        do {
            Dwarf_Attribute attr;
            Dwarf_Sword value = 0;
            if (dwarf_attr(&child, DW_AT_const_value, &attr) != nullptr && dwarf_formsdata(&attr, &value) == 0 &&
                value < 0) {
                negative = true;
            }
        } while (dwarf_siblingof(&child, &child) == 0);
    }
    const auto size = udata(enumeration, DW_AT_byte_size);
    const auto type =
        size ? integerOfSize(*size, negative ? typed::ValueKind::Signed : typed::ValueKind::Unsigned) : std::nullopt;
    if (type) return *type;
    return Result<typed::ElementType>::failure(walk.unsupported(where, "an enumeration of no integer size"));
}

// A value's element type, or nullopt when the DIE is not a scalar.
Result<std::optional<typed::ElementType>> scalarElement(Dwarf_Die* type, TypeWalk& walk, const std::string& where) {
    using Scalar = Result<std::optional<typed::ElementType>>;
    const auto lift = [](Result<typed::ElementType> element) {
        if (!element) return Scalar::failure(element.error());
        return Scalar(std::optional(*element));
    };
    switch (dwarf_tag(type)) {
    case DW_TAG_base_type: return lift(baseElement(type, walk, where));
    case DW_TAG_enumeration_type: {
        if (!hasAttr(type, DW_AT_type)) return lift(enumElement(type, walk, where));
        auto underlying = peeledType(type, walk, where);
        if (!underlying) return Scalar::failure(underlying.error());
        if (dwarf_tag(&*underlying) != DW_TAG_base_type) return Scalar::failure(malformed("an enumeration's type"));
        return lift(baseElement(&*underlying, walk, where));
    }
    case DW_TAG_pointer_type: {
        auto size = udata(type, DW_AT_byte_size);
        if (!size) {
            Dwarf_Die cu;
            std::uint8_t addressSize = 0;
            if (dwarf_diecu(type, &cu, &addressSize, nullptr) != nullptr) size = addressSize;
        }
        if (const auto element = size ? integerOfSize(*size, typed::ValueKind::Unsigned) : std::nullopt) {
            return Scalar(element);
        }
        return Scalar::failure(walk.unsupported(where, "a pointer of no integer size"));
    }
    default: return Scalar(std::nullopt);
    }
}

// Whether the size of `count` items of `size` bytes fits in 64 bits, and that size.
std::optional<std::uint64_t> sizeOf(std::uint64_t size, const std::vector<std::uint64_t>& dims) {
    for (const auto bound : dims) {
        if (bound != 0 && size > UINT64_MAX / bound) return std::nullopt;
        size *= bound;
    }
    return size;
}

std::string_view kindName(int tag) {
    switch (tag) {
    case DW_TAG_union_type: return "a union";
    case DW_TAG_subroutine_type: return "a function";
    case DW_TAG_reference_type:
    case DW_TAG_rvalue_reference_type: return "a reference";
    case DW_TAG_ptr_to_member_type: return "a pointer to member";
    default: return "of a type that has no table form";
    }
}

Result<bool> flattenMembers(Dwarf_Die* structure, std::uint64_t base, const std::string& prefix,
                            std::vector<Field>& fields, TypeWalk& walk, int depth);

// One member of a structure: a field, or a nested structure's fields.
Result<bool> addMember(Dwarf_Die* member, std::uint64_t base, std::uint64_t recordSize, const std::string& prefix,
                       std::vector<Field>& fields, TypeWalk& walk, int depth) {
    const char* ownName = dwarf_diename(member);
    const std::string name = joined(prefix, ownName != nullptr ? ownName : "");
    if (walk.membersLeft == 0)
        return Result<bool>::failure(walk.unsupported(name, "beyond the 65536 members a record may have"));
    --walk.membersLeft;
    if (hasAttr(member, DW_AT_bit_size) || hasAttr(member, DW_AT_data_bit_offset) ||
        hasAttr(member, DW_AT_bit_offset)) {
        return Result<bool>::failure(walk.unsupported(name, "a bit-field"));
    }
    std::uint64_t offset = 0;
    if (Dwarf_Attribute attr; dwarf_attr(member, DW_AT_data_member_location, &attr) != nullptr) {
        Dwarf_Word value = 0;
        Dwarf_Op* ops = nullptr;
        std::size_t count = 0;
        if (dwarf_formudata(&attr, &value) == 0) {
            offset = value;
        } else if (dwarf_getlocation(&attr, &ops, &count) == 0 && count == 1 && ops[0].atom == DW_OP_plus_uconst) {
            offset = ops[0].number;
        } else {
            return Result<bool>::failure(walk.unsupported(name, "at a computed offset"));
        }
    }
    Bounds bounds;
    auto type = elementType(member, bounds, walk, name);
    if (!type) return Result<bool>::failure(type.error());
    std::vector<std::uint64_t> dims;
    for (const auto& bound : bounds) {
        if (!bound) return Result<bool>::failure(walk.unsupported(name, "a flexible array"));
        dims.push_back(*bound);
    }
    const int tag = dwarf_tag(&*type);
    if (offset > recordSize) return Result<bool>::failure(walk.pastRecord(name, recordSize));
    if (tag == DW_TAG_structure_type || tag == DW_TAG_class_type) {
        if (!dims.empty()) return Result<bool>::failure(walk.unsupported(name, "an array of structures"));
        if (udata(&*type, DW_AT_byte_size).value_or(0) > recordSize - offset) {
            return Result<bool>::failure(walk.pastRecord(name, recordSize));
        }
        return flattenMembers(&*type, base + offset, name, fields, walk, depth + 1);
    }
    auto scalar = scalarElement(&*type, walk, name);
    if (!scalar) return Result<bool>::failure(scalar.error());
    if (!*scalar) return Result<bool>::failure(walk.unsupported(name, kindName(tag)));
    const auto size = sizeOf(typed::byteWidth(**scalar), dims);
    if (!size || *size > recordSize - offset) return Result<bool>::failure(walk.pastRecord(name, recordSize));
    fields.push_back(Field{name, base + offset, **scalar, std::move(dims)});
    return true;
}

Result<bool> flattenMembers(Dwarf_Die* structure, std::uint64_t base, const std::string& prefix,
                            std::vector<Field>& fields, TypeWalk& walk, int depth) {
    if (depth > kMaxNesting) {
        return Result<bool>::failure(walk.unsupported(prefix, "nested more than 16 structures deep"));
    }
    const auto size = udata(structure, DW_AT_byte_size);
    if (hasAttr(structure, DW_AT_declaration) || !size) {
        return Result<bool>::failure(walk.unsupported(prefix, "a structure only declared, of unknown size"));
    }
    if (*size == 0) return Result<bool>::failure(walk.unsupported(prefix, "a structure of size 0"));
    Dwarf_Die child;
    if (dwarf_child(structure, &child) != 0) return true;
    do {
        const int tag = dwarf_tag(&child);
        if (tag == DW_TAG_inheritance) return Result<bool>::failure(walk.unsupported(prefix, "a derived class"));
        // Static members (C++) live elsewhere; functions and nested types take no room.
        if (tag != DW_TAG_member || hasAttr(&child, DW_AT_external) || hasAttr(&child, DW_AT_declaration)) continue;
        if (auto added = addMember(&child, base, *size, prefix, fields, walk, depth); !added) return added;
    } while (dwarf_siblingof(&child, &child) == 0);
    return true;
}

Result<Record> recordOf(Dwarf_Die* structure, TypeWalk& walk) {
    Record record;
    const char* tag = dwarf_diename(structure);
    record.cName = tag != nullptr ? std::string("struct ") + tag : walk.typedefName;
    if (record.cName.empty()) record.cName = "struct {...}";
    if (auto flat = flattenMembers(structure, 0, "", record.fields, walk, 0); !flat) {
        return Result<Record>::failure(flat.error());
    }
    record.size = *udata(structure, DW_AT_byte_size);
    std::stable_sort(record.fields.begin(), record.fields.end(),
                     [](const Field& a, const Field& b) { return a.offset < b.offset; });
    return record;
}

// A variable at a fixed address has a location of one address operation;
// thread-locals, registers and computed places are not tables in the image.
// The address when DW_OP_addr gives it.
Result<std::optional<std::uint64_t>> checkLocation(Dwarf_Die* variable, std::string_view name) {
    using Place = Result<std::optional<std::uint64_t>>;
    Dwarf_Attribute attr;
    if (dwarf_attr(variable, DW_AT_location, &attr) == nullptr) return Place(std::nullopt);
    Dwarf_Op* ops = nullptr;
    std::size_t count = 0;
    if (dwarf_getlocation(&attr, &ops, &count) == 0 && count == 1) {
        if (ops[0].atom == DW_OP_addr) return Place(std::optional<std::uint64_t>(ops[0].number));
        if (ops[0].atom == DW_OP_addrx || ops[0].atom == DW_OP_GNU_addr_index) return Place(std::nullopt);
    }
    return Place::failure(
        refusal(RefusalKind::Unsupported,
                std::string(name) + " is not at a fixed address (thread-local, in a register or computed)"));
}

enum class DebugSections : std::uint8_t { Absent, Present, Relocated };

bool isDebugSection(std::string_view name) { return name.starts_with(".debug_") || name.starts_with(".zdebug_"); }

// Whether the image has DWARF's types, compressed or not, and whether they
// still wait for relocations (an object file's): libdw doesn't apply them,
// so its string and type offsets would all read as zero.
DebugSections debugSections(Elf* elf) {
    std::size_t names = 0;
    if (elf_getshdrstrndx(elf, &names) != 0) return DebugSections::Absent;
    bool present = false;
    bool relocated = false;
    for (Elf_Scn* section = elf_nextscn(elf, nullptr); section != nullptr; section = elf_nextscn(elf, section)) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) == nullptr) continue;
        const char* name = elf_strptr(elf, names, header.sh_name);
        if (name == nullptr) continue;
        const std::string_view text(name);
        present = present || text == ".debug_info" || text == ".zdebug_info";
        if (header.sh_type == SHT_RELA || header.sh_type == SHT_REL) {
            GElf_Shdr target;
            Elf_Scn* applied = elf_getscn(elf, header.sh_info);
            const char* targetName = applied != nullptr && gelf_getshdr(applied, &target) != nullptr
                                         ? elf_strptr(elf, names, target.sh_name)
                                         : nullptr;
            relocated = relocated || (targetName != nullptr && isDebugSection(targetName));
        }
    }
    if (!present) return DebugSections::Absent;
    return relocated ? DebugSections::Relocated : DebugSections::Present;
}

// The variables of a compilation unit or namespace, by name; a namespace's
// are qualified as C++ writes them ("ns::tbl", gdb's "(anonymous namespace)::").
Result<bool> indexScope(detail::DebugInfoState& state, Dwarf_Die* scope, const std::string& prefix, int depth) {
    Dwarf_Die child;
    const int children = dwarf_child(scope, &child);
    if (children < 0 || dwarf_tag(scope) == DW_TAG_invalid) return Result<bool>::failure(malformed("a scope"));
    if (children > 0) return true;
    int sibling = 0;
    do {
        const char* name = dwarf_diename(&child);
        const int tag = dwarf_tag(&child);
        if (tag == DW_TAG_variable && name != nullptr) {
            state.variables[prefix + name].push_back(dwarf_dieoffset(&child));
        } else if (tag == DW_TAG_namespace && depth < kMaxNesting) {
            const std::string inner = prefix + (name != nullptr ? name : "(anonymous namespace)") + "::";
            if (auto indexed = indexScope(state, &child, inner, depth + 1); !indexed) return indexed;
        }
    } while ((sibling = dwarf_siblingof(&child, &child)) == 0);
    if (sibling < 0) return Result<bool>::failure(malformed("a scope"));
    return true;
}

// The bytes .debug_info holds, decompressed as libdw reads them; 0 without one.
std::uint64_t unitSectionSize(Elf* elf) {
    std::size_t names = 0;
    if (elf_getshdrstrndx(elf, &names) != 0) return 0;
    for (Elf_Scn* section = elf_nextscn(elf, nullptr); section != nullptr; section = elf_nextscn(elf, section)) {
        GElf_Shdr header;
        const char* name = gelf_getshdr(section, &header) != nullptr ? elf_strptr(elf, names, header.sh_name) : nullptr;
        if (name == nullptr || (std::string_view(name) != ".debug_info" && std::string_view(name) != ".zdebug_info"))
            continue;
        const Elf_Data* data = elf_getdata(section, nullptr);
        return data != nullptr ? data->d_size : 0;
    }
    return 0;
}

// libdw cuts a unit that claims more bytes than its section holds at the
// section's end and reads on: such a section was cut short, and is refused.
Result<bool> checkUnitLengths(const detail::DebugInfoState& state) {
    const std::uint64_t size = unitSectionSize(state.elf);
    Dwarf_Off offset = 0;
    Dwarf_Off next = 0;
    std::size_t header = 0;
    const auto nextUnit = [&] {
        return dwarf_next_unit(state.dwarf, offset, &next, &header, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr);
    };
    while (nextUnit() == 0) {
        if (next <= offset || next > size) {
            return Result<bool>::failure(refusal(
                RefusalKind::Malformed, ".debug_info is cut short: its unit at offset " + std::to_string(offset) +
                                            " runs past its end at " + std::to_string(size)));
        }
        offset = next;
    }
    return true;
}

// Every file-scope variable of every compilation unit.
Result<bool> indexVariables(detail::DebugInfoState& state) {
    if (auto whole = checkUnitLengths(state); !whole) return whole;
    Dwarf_CU* cu = nullptr;
    Dwarf_Half version = 0;
    std::uint8_t unitType = 0;
    Dwarf_Die cuDie;
    int next = 0;
    int units = 0;
    while ((next = dwarf_get_units(state.dwarf, cu, &cu, &version, &unitType, &cuDie, nullptr)) == 0) {
        ++units;
        if (auto indexed = indexScope(state, &cuDie, "", 0); !indexed) return indexed;
    }
    if (next < 0 || units == 0) return Result<bool>::failure(malformed("the compilation units"));
    return true;
}

}  // namespace

DebugInfo::DebugInfo(std::unique_ptr<detail::DebugInfoState> state) : state_(std::move(state)) {}
DebugInfo::DebugInfo(DebugInfo&&) noexcept = default;
DebugInfo& DebugInfo::operator=(DebugInfo&&) noexcept = default;
DebugInfo::~DebugInfo() = default;

Expected<DebugInfo, Refusal> DebugInfo::open(std::span<const std::uint8_t> image) {
    using Opened = Expected<DebugInfo, Refusal>;
    elf_version(EV_CURRENT);
    auto state = std::make_unique<detail::DebugInfoState>();
    if (auto pe = image::readPeDebugSections(image)) {
        auto container = elfOfPeDebugSections(image, *pe);
        if (!container) return Opened::failure(container.error());
        state->image = std::move(*container);
    } else if (pe.error() != image::ImageDefect::NotAnImage) {
        return Opened::failure(
            refusal(RefusalKind::Malformed, "its debug sections: " + std::string(image::defectMessage(pe.error()))));
    } else {
        // As chars from the start: one block copy, not a conversion byte by byte.
        const auto* bytes = reinterpret_cast<const char*>(image.data());
        state->image.assign(bytes, bytes + image.size());
    }
    state->elf = elf_memory(state->image.data(), state->image.size());
    if (state->elf == nullptr || elf_kind(state->elf) != ELF_K_ELF) {
        return Opened::failure(refusal(RefusalKind::NoDebugInfo, "not an ELF or PE image"));
    }
    switch (debugSections(state->elf)) {
    case DebugSections::Absent: return Opened::failure(refusal(RefusalKind::NoDebugInfo, "no debug info"));
    case DebugSections::Relocated:
        return Opened::failure(refusal(RefusalKind::Unsupported,
                                       "the debug info of an object file is not read: it "
                                       "needs its relocations applied (link the object)"));
    case DebugSections::Present: break;
    }
    state->dwarf = dwarf_begin_elf(state->elf, DWARF_C_READ, nullptr);
    if (state->dwarf == nullptr) return Opened::failure(malformed("the debug info"));
    if (auto indexed = indexVariables(*state); !indexed) return Opened::failure(indexed.error());
    return DebugInfo(std::move(state));
}

std::vector<std::string_view> DebugInfo::variableNames() const {
    std::vector<std::string_view> names;
    names.reserve(state_->variables.size());
    for (const auto& entry : state_->variables) names.push_back(entry.first);
    return names;
}

Expected<TableShape, Refusal> DebugInfo::shapeOf(std::string_view variable) const {
    using Shape = Expected<TableShape, Refusal>;
    const auto found = state_->variables.find(variable);
    if (found == state_->variables.end()) {
        return Shape::failure(
            refusal(RefusalKind::NotFound, "no variable " + std::string(variable) + " in the debug info"));
    }
    // The definition, with its place and complete type, before any declaration.
    Dwarf_Die die;
    bool chosen = false;
    for (const Dwarf_Off offset : found->second) {
        Dwarf_Die candidate;
        if (dwarf_offdie(state_->dwarf, offset, &candidate) == nullptr) continue;
        if (!chosen || (hasAttr(&candidate, DW_AT_location) && !hasAttr(&die, DW_AT_location))) die = candidate;
        chosen = true;
    }
    if (!chosen) return Shape::failure(malformed(variable));
    auto placed = checkLocation(&die, variable);
    if (!placed) return Shape::failure(placed.error());

    TableShape shape{std::string(variable), typed::ElementType::U8, {}, *placed};
    TypeWalk walk{variable, {}, kMaxMembers};
    auto type = elementType(&die, shape.dims, walk, "");
    if (!type) return Shape::failure(type.error());
    for (std::size_t k = 1; k < shape.dims.size(); ++k) {
        if (!shape.dims[k]) return Shape::failure(walk.unsupported("", "an array with an open inner bound"));
    }
    const int tag = dwarf_tag(&*type);
    if (tag == DW_TAG_structure_type || tag == DW_TAG_class_type) {
        auto record = recordOf(&*type, walk);
        if (!record) return Shape::failure(record.error());
        shape.element = std::move(*record);
    } else {
        auto scalar = scalarElement(&*type, walk, "");
        if (!scalar) return Shape::failure(scalar.error());
        if (!*scalar) return Shape::failure(walk.unsupported("", kindName(tag)));
        shape.element = **scalar;
    }
    std::vector<std::uint64_t> known;
    for (const auto& bound : shape.dims) known.push_back(bound.value_or(1));
    if (!sizeOf(elementSize(shape), known)) {
        return Shape::failure(
            refusal(RefusalKind::Malformed, std::string(variable) + ": its size does not fit in 64 bits"));
    }
    return shape;
}

Expected<TableShape, Refusal> readTableShape(std::span<const std::uint8_t> image, std::string_view variable) {
    auto info = DebugInfo::open(image);
    if (!info) return Expected<TableShape, Refusal>::failure(info.error());
    return info->shapeOf(variable);
}

}  // namespace zemrik::debuginfo
