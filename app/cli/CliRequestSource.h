#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "app/cli/CommandLine.h"
#include "platform/File.h"
#include "run/RequestSource.h"

namespace zemrik::cli {

// Serves the request's checks from the command line. What the dialog would
// show in the File box or a message box goes to `errors`, one line each, and
// where that line names no option, a second line names it; the Filesize box
// has no counterpart.
class CliRequestSource : public RequestSource {
public:
    // `input`, when given, is the input already open (standard input read
    // into memory); `style` is the row to print with.
    CliRequestSource(const CliOptions& options, std::FILE* errors, std::optional<platform::File> input,
                     const OutputStyle& style)
        : options_(options), errors_(errors), input_(std::move(input)), style_(style) {}

    std::string loadedPath() override { return options_.path; }
    platform::SystemResult<platform::File> openInputFile() override;
    int itemsSelection() override { return options_.itemsSelection; }
    int languageSelection() override;
    std::string fieldText(NumberField field) override;
    bool isChecked(CheckBox box) override;
    const OutputStyle* ownStyle() override { return &style_; }

    void setFileBoxText(const std::string& text, const FileFailure& failure) override;
    void setFileSizeBoxText(const std::string&) override {}
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

private:
    const CliOptions& options_;
    std::FILE* errors_;
    std::optional<platform::File> input_;
    const OutputStyle& style_;
};

}  // namespace zemrik::cli
