// The shapes a typed table can take beyond a flat list of elements: records
// (--record FIELDS) and dimensions (--dims AxB[xC...]), parsed from their
// command-line texts and checked against the table they describe.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Expected.h"
#include "typed/ElementType.h"

namespace zemrik::typed {

// The most fields a record takes.
inline constexpr std::size_t kMostRecordFields = 64;

// One field: NAME:TYPE or NAME:TYPE[COUNT]. A field named "_" is padding:
// read, not printed.
struct RecordField {
    std::string name;
    ElementType type = ElementType::U8;
    std::uint32_t count = 1;

    bool isPadding() const { return name == "_"; }
    bool isArray() const { return count > 1; }
    std::uint64_t byteSize() const { return std::uint64_t{byteWidth(type)} * count; }
};

struct RecordSpec {
    std::vector<RecordField> fields;

    // The record's bytes, padding included: at most 64 fields of at most
    // 2^32 - 1 items of 8 bytes, so it fits 64 bits.
    std::uint64_t byteSize() const;
    // Fields printed, padding left out.
    std::size_t printedFields() const;
};

// Whether a language reserves a name, and so can't take it as a field's:
// the language as a message names it, or nothing. The front end supplies it.
using ReservedNameCheck = std::function<std::optional<std::string_view>(std::string_view name)>;

// --record's FIELDS. The reason names the field (1-based) and its text.
[[nodiscard]] Expected<RecordSpec, std::string> parseRecordSpec(std::string_view text,
                                                                const ReservedNameCheck& reserved = {});

// --dims's AxB[xC...]: every extent from 1 on, outermost first.
[[nodiscard]] Expected<std::vector<std::uint32_t>, std::string> parseDims(std::string_view text);

// Whether a table of `tableSize` bytes can be read as `record`'s records (or
// `type`'s elements without one) laid out as `dims` (empty: one dimension).
[[nodiscard]] Expected<void, std::string> checkShape(const std::optional<RecordSpec>& record,
                                                     const std::vector<std::uint32_t>& dims, ElementType type,
                                                     std::uint32_t tableSize);

}  // namespace zemrik::typed
