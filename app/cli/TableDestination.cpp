#include "app/cli/TableDestination.h"

namespace zemrik::cli {

bool TableDestination::finish() {
    if (!write(finalLineBreak_) || !complete()) {
        discard();
        return false;
    }
    finished_ = true;
    return true;
}

bool TableDestination::fail(platform::SystemError reason) {
    if (!failure_) failure_ = FileFailure{name(), reason};
    return false;
}

bool StandardOutputDestination::open() {
    auto output = platform::File::duplicateStandardOutput();
    if (!output) return fail(output.error());
    output_ = std::move(*output);
    // Only a table written past everything the file held can be taken out
    // again without losing what was there (`>` and `>>` alike).
    const auto place = output_.writePlace();
    if (place && *place && (*place)->offset >= (*place)->length) recallPoint_ = (*place)->offset;
    return true;
}

bool StandardOutputDestination::write(std::string_view text) {
    const auto written = output_.write(text.data(), text.size());
    return written ? true : fail(written.error());
}

void StandardOutputDestination::discard() {
    if (!recallPoint_) return;
    // Rewound too, so that whatever the shell writes next lands where the table began.
    static_cast<void>(output_.truncate(*recallPoint_) && output_.seek(*recallPoint_));
    recallPoint_.reset();
}

bool ReplacedFileDestination::open() {
    auto replacement = platform::ReplacementFile::createBeside(path_);
    if (!replacement) return fail(replacement.error());
    replacement_.emplace(std::move(*replacement));
    return true;
}

bool ReplacedFileDestination::write(std::string_view text) {
    const auto written = replacement_->file().write(text.data(), text.size());
    return written ? true : fail(written.error());
}

bool ReplacedFileDestination::complete() {
    const auto committed = replacement_->commit();
    replacement_.reset();
    return committed ? true : fail(committed.error());
}

}  // namespace zemrik::cli
