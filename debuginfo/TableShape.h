// TableShape: what a variable's debug info says its table is (element or
// record layout, dimensions), the reason when it can't say, and the C
// spelling of that type for listings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "typed/ElementType.h"

namespace zemrik::debuginfo {

// Why no shape came back. NoDebugInfo and NotFound let the caller fall back
// to what it does without debug info; the others name what was refused.
// DebugFileRefused: the separate debug file given or found can't be read or
// comes from another build.
enum class RefusalKind : std::uint8_t { NoDebugInfo, NotFound, Unsupported, Malformed, DebugFileRefused };

struct Refusal {
    RefusalKind kind;
    std::string reason;
};

// One printable field of a record. A nested structure's fields are flattened
// into their parent with joined names ("outer_inner").
struct Field {
    std::string name;
    std::uint64_t offset = 0;  // from the record's first byte
    typed::ElementType type = typed::ElementType::U8;
    std::vector<std::uint64_t> dims;  // an array member's bounds, outermost first
    bool operator==(const Field&) const = default;
};

struct Record {
    std::string cName;          // "struct op", or the typedef's name of an untagged one
    std::uint64_t size = 0;     // the stride between records, padding included
    std::vector<Field> fields;  // in offset order; bytes no field covers are padding
    bool operator==(const Record&) const = default;
};

struct TableShape {
    std::string name;  // the variable's own
    std::variant<typed::ElementType, Record> element;
    // The array's bounds, outermost first; empty for a single value. Only the
    // outermost may be open (an `extern T t[]` or a flexible bound): the
    // caller fills it from the symbol's size.
    std::vector<std::optional<std::uint64_t>> dims;
    // Where it is loaded, as its DW_OP_addr location gives it (a PE's image
    // base + RVA); nothing for one only declared or placed through .debug_addr.
    std::optional<std::uint64_t> address;
    bool operator==(const TableShape&) const = default;
};

// The type in C ("uint32_t[8][256]", "struct op[64]", "int16_t[]").
std::string cSpelling(const TableShape& shape);

// The bytes one element (value or record) takes.
std::uint64_t elementSize(const TableShape& shape);

}  // namespace zemrik::debuginfo
