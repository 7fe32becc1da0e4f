// Builds without libdw (Windows, WebAssembly, cross builds) read no debug
// info: --symbol works from the image's symbols alone.
#include "app/cli/DebugTypes.h"

namespace zemrik::cli {
namespace detail {
struct DebugTypesState {};
}  // namespace detail

DebugTypes::DebugTypes(std::unique_ptr<detail::DebugTypesState> state) : state_(std::move(state)) {}
DebugTypes::DebugTypes(DebugTypes&&) noexcept = default;
DebugTypes& DebugTypes::operator=(DebugTypes&&) noexcept = default;
DebugTypes::~DebugTypes() = default;

Expected<DebugTypes, std::string> DebugTypes::read(std::span<const std::uint8_t>, const DebugFileOptions&) {
    return DebugTypes(std::make_unique<detail::DebugTypesState>());
}

bool DebugTypes::present() const { return false; }

std::optional<std::string> DebugTypes::unreadable() const { return std::nullopt; }

std::optional<Expected<VariableType, std::string>> DebugTypes::typeOf(std::string_view,
                                                                      std::optional<std::uint64_t>) const {
    return std::nullopt;
}

bool readsDebugInfo() { return false; }

}  // namespace zemrik::cli
