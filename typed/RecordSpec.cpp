#include "typed/RecordSpec.h"

#include <algorithm>

namespace zemrik::typed {
namespace {

using Reason = std::string;

bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A whole number of up to 10 digits, none before the text's end but digits.
std::optional<std::uint64_t> parseCount(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

std::string fieldSpot(std::size_t index, std::string_view text) {
    return "--record field " + std::to_string(index + 1) + " \"" + std::string(text) + "\": ";
}

Expected<RecordField, Reason> parseField(std::string_view text, std::size_t index) {
    const std::string spot = fieldSpot(index, text);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return Expected<RecordField, Reason>::failure(spot + "no \":TYPE\"");
    RecordField field;
    field.name = std::string(text.substr(0, colon));
    if (field.name.empty()) return Expected<RecordField, Reason>::failure(spot + "empty name");
    const bool nameIsIdentifier =
        isNameStart(field.name[0]) &&
        std::all_of(field.name.begin(), field.name.end(), [](char c) { return isNameStart(c) || isDigit(c); });
    if (!nameIsIdentifier) {
        return Expected<RecordField, Reason>::failure(spot + "the name \"" + field.name +
                                                      "\" is not a letter or _ followed by letters, digits or _");
    }
    std::string_view type = text.substr(colon + 1);
    if (const std::size_t open = type.find('['); open != std::string_view::npos) {
        if (type.back() != ']') return Expected<RecordField, Reason>::failure(spot + "text after the count's \"]\"");
        const std::string_view digits = type.substr(open + 1, type.size() - open - 2);
        const auto count = parseCount(digits);
        if (!count) {
            return Expected<RecordField, Reason>::failure(spot + "the count \"" + std::string(digits) +
                                                          "\" is not a whole number below 2^32");
        }
        if (*count == 0 || *count > UINT32_MAX) {
            return Expected<RecordField, Reason>::failure(spot + "the count " + std::to_string(*count) +
                                                          " is not from 1 to 4294967295");
        }
        field.count = static_cast<std::uint32_t>(*count);
        type = type.substr(0, open);
    }
    const auto parsed = parseElementType(type);
    if (!parsed) {
        return Expected<RecordField, Reason>::failure(spot + "unknown type \"" + std::string(type) +
                                                      "\" (u8 u16 u32 u64 i8 i16 i32 i64 f32 f64)");
    }
    field.type = *parsed;
    return field;
}

}  // namespace

std::uint64_t RecordSpec::byteSize() const {
    std::uint64_t size = 0;
    for (const RecordField& field : fields) size += field.byteSize();
    return size;
}

std::size_t RecordSpec::printedFields() const {
    return static_cast<std::size_t>(
        std::count_if(fields.begin(), fields.end(), [](const RecordField& field) { return !field.isPadding(); }));
}

Expected<RecordSpec, std::string> parseRecordSpec(std::string_view text, const ReservedNameCheck& reserved) {
    using Result = Expected<RecordSpec, std::string>;
    RecordSpec spec;
    std::size_t index = 0;
    for (std::size_t at = 0;; ++index) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view fieldText = text.substr(at, comma - at);
        if (index == kMostRecordFields) {
            return Result::failure(fieldSpot(index, fieldText) + "more than " + std::to_string(kMostRecordFields) +
                                   " fields");
        }
        auto field = parseField(fieldText, index);
        if (!field) return Result::failure(field.error());
        if (!field->isPadding()) {
            for (const RecordField& earlier : spec.fields) {
                if (earlier.name == field->name) {
                    return Result::failure(fieldSpot(index, fieldText) + "the name \"" + field->name +
                                           "\" is taken by an earlier field");
                }
            }
            if (reserved) {
                if (const auto language = reserved(field->name)) {
                    return Result::failure(fieldSpot(index, fieldText) + "\"" + field->name + "\" is a word " +
                                           std::string(*language) + " reserves");
                }
            }
        }
        spec.fields.push_back(std::move(*field));
        if (comma == text.size()) break;
        at = comma + 1;
    }
    if (spec.printedFields() == 0) return Result::failure("--record: every field is padding (\"_\")");
    return spec;
}

Expected<std::vector<std::uint32_t>, std::string> parseDims(std::string_view text) {
    using Result = Expected<std::vector<std::uint32_t>, std::string>;
    std::vector<std::uint32_t> dims;
    for (std::size_t at = 0;;) {
        const std::size_t cross = std::min(text.find_first_of("xX", at), text.size());
        const std::string_view extent = text.substr(at, cross - at);
        const auto value = parseCount(extent);
        const std::string spot =
            "--dims extent " + std::to_string(dims.size() + 1) + " \"" + std::string(extent) + "\": ";
        if (!value) return Result::failure(spot + "not a whole number below 2^32");
        if (*value == 0 || *value > UINT32_MAX) return Result::failure(spot + "not from 1 to 4294967295");
        dims.push_back(static_cast<std::uint32_t>(*value));
        if (cross == text.size()) break;
        at = cross + 1;
    }
    if (dims.size() < 2) return Result::failure("--dims \"" + std::string(text) + "\": at least two extents, AxB");
    return dims;
}

Expected<void, std::string> checkShape(const std::optional<RecordSpec>& record, const std::vector<std::uint32_t>& dims,
                                       ElementType type, std::uint32_t tableSize) {
    using Result = Expected<void, std::string>;
    const std::uint64_t itemSize = record ? record->byteSize() : byteWidth(type);
    const char* const items = record ? " records" : " elements";
    if (record && itemSize > tableSize) {
        return Result::failure("--record: a record of " + std::to_string(itemSize) +
                               " bytes is larger than the table's " + std::to_string(tableSize));
    }
    if (tableSize % itemSize != 0) {
        return Result::failure("the table's " + std::to_string(tableSize) + " bytes are not divisible into" + items +
                               " of " + std::to_string(itemSize) + " bytes");
    }
    if (dims.empty()) return {};
    const std::uint64_t count = tableSize / itemSize;
    std::uint64_t product = 1;
    for (const std::uint32_t extent : dims) {
        product *= extent;
        if (product > count) break;  // stays below 2^64: count < 2^32
    }
    if (product != count) {
        return Result::failure("--dims: the extents' product " +
                               (product > count ? "exceeds" : std::to_string(product) + " is not") + " the table's " +
                               std::to_string(count) + items);
    }
    return {};
}

}  // namespace zemrik::typed
