#include "app/cli/DebugTypes.h"

#include <algorithm>
#include <variant>

#include "debuginfo/DebugInfo.h"
#include "debuginfo/SeparateDebugFile.h"

namespace zemrik::cli {
namespace detail {
struct DebugTypesState {
    std::optional<debuginfo::DebugInfo> info;
    // Why debug info the image holds can't be read: every variable's type is
    // refused with it rather than guessed from the symbol alone.
    std::optional<std::string> unreadable;
};
}  // namespace detail

namespace {

using TypeOrRefusal = Expected<VariableType, std::string>;

// The record as --record would give it: the bytes between members, and
// after the last, become padding fields; an array member's bounds, one count.
Expected<typed::RecordSpec, std::string> recordSpecOf(const debuginfo::Record& record, std::string_view variable) {
    typed::RecordSpec spec;
    std::uint64_t at = 0;
    const auto pad = [&](std::uint64_t to) {
        if (to > at) spec.fields.push_back({"_", typed::ElementType::U8, static_cast<std::uint32_t>(to - at)});
        at = std::max(at, to);
    };
    for (const debuginfo::Field& field : record.fields) {
        pad(field.offset);
        std::uint64_t count = 1;
        for (const std::uint64_t bound : field.dims) count *= bound;
        if (count > UINT32_MAX) {
            return failure(std::string(variable) + ": member " + field.name + " holds more than 2^32-1 items");
        }
        // A member may be named _, which a record spec reads as padding.
        const std::string name = field.name == "_" ? "__" : field.name;
        spec.fields.push_back({name, field.type, static_cast<std::uint32_t>(count)});
        at = field.offset + spec.fields.back().byteSize();
    }
    pad(record.size);
    if (spec.fields.size() > typed::kMostRecordFields) {
        return failure(std::string(variable) + ": " + record.cName + " has " + std::to_string(spec.fields.size()) +
                       " members and padding runs, more than the " + std::to_string(typed::kMostRecordFields) +
                       " fields a record prints");
    }
    return spec;
}

TypeOrRefusal typeFrom(debuginfo::TableShape shape, std::string_view variable,
                       std::optional<std::uint64_t> symbolSize) {
    VariableType type;
    type.elementSize = debuginfo::elementSize(shape);
    if (const auto* record = std::get_if<debuginfo::Record>(&shape.element)) {
        auto spec = recordSpecOf(*record, variable);
        if (!spec) return failure(spec.error());
        type.element.record = std::move(*spec);
        constexpr std::string_view kTag = "struct ";
        const std::string_view name = record->cName;
        type.element.recordName = name.starts_with(kTag) ? name.substr(kTag.size()) : name;
    } else {
        type.element.type = std::get<typed::ElementType>(shape.element);
    }
    // An open bound (extern T t[]) is what the symbol's bytes hold.
    if (!shape.dims.empty() && !shape.dims.front() && symbolSize && type.elementSize != 0) {
        std::uint64_t row = type.elementSize;
        for (std::size_t k = 1; k < shape.dims.size(); ++k) row *= *shape.dims[k];
        if (row != 0 && *symbolSize % row == 0) shape.dims.front() = *symbolSize / row;
    }
    type.bounds = shape.dims;
    type.address = shape.address;
    type.cSpelling = debuginfo::cSpelling(shape);
    return type;
}

}  // namespace

DebugTypes::DebugTypes(std::unique_ptr<detail::DebugTypesState> state) : state_(std::move(state)) {}
DebugTypes::DebugTypes(DebugTypes&&) noexcept = default;
DebugTypes& DebugTypes::operator=(DebugTypes&&) noexcept = default;
DebugTypes::~DebugTypes() = default;

Expected<DebugTypes, std::string> DebugTypes::read(std::span<const std::uint8_t> image, const DebugFileOptions& where) {
    auto state = std::make_unique<detail::DebugTypesState>();
    debuginfo::DebugFileChoice choice;
    choice.debugFile = where.debugFile;
    if (where.debugDirectory) choice.debugDirectory = *where.debugDirectory;
    // Debug info of a kind not read (an object's, waiting for relocations) is
    // as good as none: --symbol then works from the symbols alone. A debug
    // file of another build is not used.
    auto info = debuginfo::openDebugInfo(where.imagePath, image, choice);
    if (info) state->info = std::move(*info);
    if (!info && info.error().kind == debuginfo::RefusalKind::DebugFileRefused) return failure(info.error().reason);
    if (!info && info.error().kind == debuginfo::RefusalKind::Malformed) state->unreadable = info.error().reason;
    return DebugTypes(std::move(state));
}

bool DebugTypes::present() const { return state_->info.has_value(); }

std::optional<std::string> DebugTypes::unreadable() const { return state_->unreadable; }

std::optional<TypeOrRefusal> DebugTypes::typeOf(std::string_view variable,
                                                std::optional<std::uint64_t> symbolSize) const {
    if (state_->unreadable) {
        return TypeOrRefusal::failure(std::string(variable) + ": the debug info can't be read (" + *state_->unreadable +
                                      ")");
    }
    if (!state_->info) return std::nullopt;
    auto shape = state_->info->shapeOf(variable);
    if (shape) return typeFrom(std::move(*shape), variable, symbolSize);
    if (shape.error().kind == debuginfo::RefusalKind::NotFound) return std::nullopt;
    return TypeOrRefusal::failure(shape.error().reason);
}

bool readsDebugInfo() { return true; }

}  // namespace zemrik::cli
