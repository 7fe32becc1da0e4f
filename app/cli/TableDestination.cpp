#include "app/cli/TableDestination.h"

namespace zemrik::cli {

StreamResult TableDestination::finish() {
    StreamResult finished = write(finalLineBreak_);
    if (finished) finished = complete();
    if (!finished) discard();
    return finished;
}

StreamResult StandardOutputDestination::open() {
    auto output = platform::File::duplicateStandardOutput();
    if (!output) return fail(output.error());
    output_ = std::move(*output);
    // Only a table written past everything the file held can be taken out
    // again without losing what was there (`>` and `>>` alike).
    const auto place = output_.writePlace();
    if (place && *place && (*place)->offset >= (*place)->length) recallPoint_ = (*place)->offset;
    return {};
}

StreamResult StandardOutputDestination::write(std::string_view text) {
    const auto written = output_.write(text.data(), text.size());
    return written ? StreamResult() : fail(written.error());
}

void StandardOutputDestination::discard() {
    if (!recallPoint_) return;
    // Rewound too, so that whatever the shell writes next lands where the table began.
    static_cast<void>(output_.truncate(*recallPoint_) && output_.seek(*recallPoint_));
    recallPoint_.reset();
}

StreamResult ReplacedFileDestination::open() {
    auto replacement = platform::ReplacementFile::createBeside(path_);
    if (!replacement) return fail(replacement.error());
    replacement_.emplace(std::move(*replacement));
    return {};
}

StreamResult ReplacedFileDestination::write(std::string_view text) {
    const auto written = replacement_->file().write(text.data(), text.size());
    return written ? StreamResult() : fail(written.error());
}

StreamResult ReplacedFileDestination::complete() {
    const auto committed = replacement_->commit();
    replacement_.reset();
    return committed ? StreamResult() : fail(committed.error());
}

}  // namespace zemrik::cli
