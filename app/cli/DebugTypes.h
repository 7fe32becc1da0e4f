// What an image's debug info says of its variables, as zemrik-cli uses it:
// the shape --symbol prints a table in, and the type --list-symbols shows.
// Only builds that link libdw (native Linux) read it; the others see none.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Expected.h"
#include "typed/ElementType.h"
#include "typed/RecordSpec.h"

namespace zemrik::cli {

// A table's shape as the typed walk takes it: elements of `type`, or
// records, laid out in `dims` (empty: one dimension).
struct DebugShape {
    typed::ElementType type = typed::ElementType::U8;
    std::optional<typed::RecordSpec> record;  // padding as "_" fields
    std::string recordName;                   // the structure's own ("op" for struct op); empty: none
    // Whether a table printed before this one in the same output declared
    // the record type already.
    bool recordDeclared = false;
    std::vector<std::uint32_t> dims;  // two extents or more, outermost first
};

// A variable's type from the debug info.
struct VariableType {
    std::string cSpelling;  // "uint32_t[8][256]", an open bound filled from the symbol's size
    DebugShape element;     // its element or record; dims left empty
    std::uint64_t elementSize = 0;
    // Every bound, outermost first; only the outermost may be open.
    std::vector<std::optional<std::uint64_t>> bounds;
    // Its address in the image, when the debug info gives one: it finds a
    // variable whose symbol was stripped.
    std::optional<std::uint64_t> address;
};

// Where a stripped image's debug info is: --debug-file, or looked for beside
// the image and under --debug-dir.
struct DebugFileOptions {
    std::string imagePath;  // "-": standard input
    std::optional<std::string> debugFile;
    std::optional<std::string> debugDirectory;
};

namespace detail {
struct DebugTypesState;
}

class DebugTypes {
public:
    // The image's debug info; none when it holds none or this build can't
    // read it (then every lookup answers nothing).
    // A separate debug file of another build, or that can't be read, is
    // refused: the reason comes back.
    static Expected<DebugTypes, std::string> read(std::span<const std::uint8_t> image, const DebugFileOptions& where);

    DebugTypes(DebugTypes&&) noexcept;
    DebugTypes& operator=(DebugTypes&&) noexcept;
    ~DebugTypes();

    bool present() const;
    // Why the debug info the image holds can't be read; nothing when it can,
    // or when it holds none.
    std::optional<std::string> unreadable() const;
    // Nothing when the debug info has no such variable; a refusal naming the
    // member when its type is not one a table can print.
    std::optional<Expected<VariableType, std::string>> typeOf(std::string_view variable,
                                                              std::optional<std::uint64_t> symbolSize) const;

private:
    explicit DebugTypes(std::unique_ptr<detail::DebugTypesState> state);
    std::unique_ptr<detail::DebugTypesState> state_;
};

// Whether this build reads debug info at all.
bool readsDebugInfo();

}  // namespace zemrik::cli
