#include "app/cli/TableSequence.h"

namespace zemrik::cli {

StreamResult TableSequencePart::open() {
    if (index_ == 0) {
        if (auto opened = whole_.open(); !opened) return opened;
    }
    return whole_.write(preamble_);
}

StreamResult TableSequencePart::complete() {
    if (index_ + 1 == count_) return whole_.finish();
    std::string blankLine(lineBreak_);
    blankLine += lineBreak_;
    return whole_.write(blankLine);
}

}  // namespace zemrik::cli
