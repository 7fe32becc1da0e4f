// The input is an image. The debug info reader must refuse what it can't
// read, never crash, and give every variable it indexes a shape or a reason;
// a shape's inner bounds are all known and its size fits in 64 bits.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "debuginfo/DebugInfo.h"
#include "fuzz/FuzzSupport.h"

namespace {

using zemrik::fuzz::check;
namespace debuginfo = zemrik::debuginfo;

// Enough variables to ask for, however many a file declares.
constexpr std::size_t kQueries = 64;

void checkShape(const debuginfo::TableShape& shape) {
    (void)debuginfo::cSpelling(shape);
    unsigned __int128 size = debuginfo::elementSize(shape);
    for (std::size_t k = 0; k < shape.dims.size(); ++k) {
        check(k == 0 || shape.dims[k].has_value(), "an inner bound left open");
        size *= shape.dims[k].value_or(1);
        check(size <= UINT64_MAX, "a shape whose size does not fit in 64 bits");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> image(data, data + size);
    auto info = debuginfo::DebugInfo::open(image);
    if (!info) return 0;
    std::size_t asked = 0;
    for (const auto name : info->variableNames()) {
        if (asked++ == kQueries) break;
        if (auto shape = info->shapeOf(name)) checkShape(*shape);
    }
    return 0;
}
