#include "app/cli/CliRunHost.h"

#include "app/cli/Console.h"

namespace zemrik::cli {

void CliRunHost::setProgressText(const std::string& text) {
    if (!streams_.errorsIsTerminal || (progressOnScreen_ && text == shownProgress_)) return;
    // Spaces cover what is left of a longer previous text.
    const std::size_t leftOver = shownProgress_.size() > text.size() ? shownProgress_.size() - text.size() : 0;
    std::fprintf(streams_.errors, "\r%s%*s", text.c_str(), static_cast<int>(leftOver), "");
    std::fflush(streams_.errors);
    shownProgress_ = text;
    progressOnScreen_ = true;
}

void CliRunHost::clearProgress() {
    if (!progressOnScreen_) return;
    std::fprintf(streams_.errors, "\r%*s\r", static_cast<int>(shownProgress_.size()), "");
    std::fflush(streams_.errors);
    progressOnScreen_ = false;
}

void CliRunHost::setOutputText(TerminatedText text) {
    clearProgress();
    // The table is in result.txt; standard output stays empty.
    std::fprintf(streams_.errors, "%s\n", text.c_str());
}

void CliRunHost::showMessage(const std::string& text, const std::string&, MessageIcon) {
    clearProgress();
    std::fprintf(streams_.errors, "%s\n", text.c_str());
}

void CliRunHost::showFileMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                 const FileFailure& failure) {
    showMessage(text, caption, icon);
    printReasonLine(streams_.errors, failure);
}

}  // namespace zemrik::cli
