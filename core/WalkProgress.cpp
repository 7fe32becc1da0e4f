// WalkProgress, declared in core/TableWalk.h: the percentages a walk reports.
#include <algorithm>

#include "core/TableWalk.h"

namespace zemrik {

WalkProgress::WalkProgress(ProgressSink& sink, const TableLayout& layout, std::uint32_t firstIndex)
    : sink_(sink), reversed_(walksReversed(layout)) {
    const std::uint32_t count = printedCount(layout);
    divisor_ = count == 2 ? 1u : static_cast<std::uint32_t>(count - 2);
    // The forward walk reports nothing after its last element, so a table of
    // one element reports nothing at all.
    silent_ = !reversed_ && count < 2;
    lastForwardStep_ = count < 2 ? 0 : count - 2;
    if (firstIndex == 0 || silent_) return;
    // Start behind what the pieces before this one have reported.
    const std::uint64_t shown = stepOf(firstIndex - 1) * 100 / divisor_;
    nextChange_ = ((shown + 1) * divisor_ + 99) / 100;
}

std::uint64_t WalkProgress::stepOf(std::uint32_t index) const {
    if (reversed_) return index == 0 ? 0 : index - 1;
    return std::min<std::uint64_t>(index, lastForwardStep_);
}

void WalkProgress::printedThrough(std::uint32_t index) {
    if (silent_) return;
    const std::uint64_t step = stepOf(index);
    while (nextChange_ <= step) {
        const std::uint64_t percent = nextChange_ * 100 / divisor_;
        sink_.reportProgress(static_cast<std::uint32_t>(percent));
        nextChange_ = ((percent + 1) * divisor_ + 99) / 100;
    }
}

}  // namespace zemrik
