#pragma once

#include <cstdio>
#include <string>

#include "app/cli/CommandLine.h"
#include "run/RequestSource.h"

namespace zemrik::cli {

// Serves the request's checks from the command line. What the dialog would
// show in the File box or a message box goes to `errors`, one line each; the
// Filesize box has no counterpart.
class CliRequestSource : public RequestSource {
public:
    CliRequestSource(const CliOptions& options, std::FILE* errors) : options_(options), errors_(errors) {}

    std::string loadedPath() override { return options_.path; }
    int itemsSelection() override { return options_.itemsSelection; }
    int languageSelection() override { return options_.languageSelection; }
    std::string fieldText(NumberField field) override;
    bool isChecked(CheckBox box) override;

    void setFileBoxText(const std::string& text) override;
    void setFileSizeBoxText(const std::string&) override {}
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

private:
    const CliOptions& options_;
    std::FILE* errors_;
};

}  // namespace zemrik::cli
