// CliRequestSource: the command line serving the request's checks in place of
// the dialog's fields, and turning the dialog's refusals into lines on stderr.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "app/cli/CliStyle.h"
#include "app/cli/CommandLine.h"
#include "app/cli/FieldDefaults.h"
#include "image/ExecutableImage.h"
#include "platform/File.h"
#include "run/RequestSource.h"

namespace zemrik::cli {

// Serves the request's checks from the command line, the fields left out
// filled with their defaults. What the dialog would show in the File box or a
// message box goes to `errors`, one line each, and where that line names no
// option, a second line says what to change; the Filesize box has no
// counterpart.
class CliRequestSource : public RequestSource {
public:
    // `input`, when given, is the input already open (standard input read
    // into memory); `style` is how to print, the element count for --length
    // still to come from the size.
    CliRequestSource(const CliOptions& options, std::FILE* errors, std::optional<platform::File> input,
                     const StyleChoice& style, SizeDefault sizeDefault = SizeDefault::ToEndOfFile)
        : options_(options),
          errors_(errors),
          input_(std::move(input)),
          styleChoice_(style),
          sizeDefault_(sizeDefault) {}

    std::string loadedPath() override { return options_.path; }
    platform::SystemResult<platform::File> openInputFile() override;
    int itemsSelection() override;
    int languageSelection() override;
    std::string fieldText(NumberField field) override;
    bool isChecked(CheckBox box) override;
    const OutputStyle* ownStyle() override;
    std::optional<TypedChoice> typedChoice() override;

    void setFileBoxText(const std::string& text, const FileFailure& failure) override;
    void setFileSizeBoxText(const std::string&) override {}
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

    // What the hints of the refusals that name no option need to know of the
    // image, taken while the input is open: only with --rva.
    struct ImageFacts {
        std::optional<std::uint32_t> offset;  // the address translated
        std::optional<image::ImageFormat> format;
        std::optional<std::uint64_t> imageBase;
    };

private:
    std::optional<std::string> hintFor(const std::string& message) const;

    const CliOptions& options_;
    std::FILE* errors_;
    std::optional<platform::File> input_;
    StyleChoice styleChoice_;
    SizeDefault sizeDefault_;
    std::optional<CliStyle> style_;
    std::optional<std::uint32_t> fileSize_;
    std::string tableSizeText_;  // as the request read it
    ImageFacts image_;
};

}  // namespace zemrik::cli
