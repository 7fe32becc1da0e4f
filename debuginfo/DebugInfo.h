// DebugInfo: an ELF or PE image's DWARF (4 or 5, compressed sections
// included), read in memory through libdw, answering which table shape a
// variable has.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "base/Expected.h"
#include "debuginfo/TableShape.h"

namespace zemrik::debuginfo {

namespace detail {
struct DebugInfoState;
}

class DebugInfo {
public:
    // Copies the image (the library may write to the memory it is given; a
    // PE's debug sections are copied into an ELF, see ElfContainer.h) and
    // indexes the variables every compilation unit declares at file or
    // namespace scope (the latter qualified: "ns::tbl").
    [[nodiscard]] static Expected<DebugInfo, Refusal> open(std::span<const std::uint8_t> image);

    DebugInfo(DebugInfo&&) noexcept;
    DebugInfo& operator=(DebugInfo&&) noexcept;
    ~DebugInfo();

    // The indexed variables' names, in name order; valid while this lives.
    std::vector<std::string_view> variableNames() const;

    // The shape of the variable of that name: its definition's when a unit
    // only declares it.
    [[nodiscard]] Expected<TableShape, Refusal> shapeOf(std::string_view variable) const;

private:
    explicit DebugInfo(std::unique_ptr<detail::DebugInfoState> state);
    std::unique_ptr<detail::DebugInfoState> state_;
};

// open() and shapeOf() in one call, for a single variable.
[[nodiscard]] Expected<TableShape, Refusal> readTableShape(std::span<const std::uint8_t> image,
                                                           std::string_view variable);

}  // namespace zemrik::debuginfo
