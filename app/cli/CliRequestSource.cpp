#include "app/cli/CliRequestSource.h"

#include <string_view>

#include "app/cli/Console.h"

namespace zemrik::cli {
namespace {

struct OptionHint {
    std::string_view message;
    std::string_view hint;
};

// The refusals whose text names a field of the dialog, or none at all, with
// the option that sets it. A zero can only be the size: -n refuses 0 itself.
constexpr std::string_view kMissingSize = "You MUST enter the size of the table !";

constexpr OptionHint kOptionHints[] = {
    {kMissingSize, "give the table's size in bytes with -s/--size HEX"},
    {"You MUST enter the offset of the table !",
     "give the table's address with -a/--address HEX, --va HEX or --symbol NAME"},
    {"You MUST enter the number of items per line !", "give the number of items on a line with -n/--per-line DEC"},
    {"A zero somewhere :)", "the table's size (-s/--size) is 0"},
};

}  // namespace

platform::SystemResult<platform::File> CliRequestSource::openInputFile() {
    if (input_) {
        // Handed over once: a run owns its input file.
        platform::File input = std::move(*input_);
        input_.reset();
        return input;
    }
    return RequestSource::openInputFile();
}

int CliRequestSource::languageSelection() { return static_cast<int>(requestLanguage(options_.language)); }

std::string CliRequestSource::fieldText(NumberField field) {
    switch (field) {
    case NumberField::TableSize: return options_.tableSize;
    case NumberField::Address: return options_.address;
    case NumberField::ItemsPerLine: return options_.itemsPerLine;
    }
    return {};
}

bool CliRequestSource::isChecked(CheckBox box) {
    switch (box) {
    case CheckBox::DumpToFile: return options_.dumpToFile;
    case CheckBox::Decimal: return options_.decimal;
    case CheckBox::Rva: return options_.rva;
    }
    return false;
}

// The File box only ever changes to report that the file could not be used.
void CliRequestSource::setFileBoxText(const std::string& text, const FileFailure& failure) {
    std::fprintf(errors_, "%s\n", text.c_str());
    printReasonLine(errors_, failure);
}

void CliRequestSource::showMessage(const std::string& text, const std::string&, MessageIcon) {
    std::fprintf(errors_, "%s\n", text.c_str());
    for (const OptionHint& hint : kOptionHints) {
        if (hint.message != text) continue;
        // The image that gave the address says why it gave no size.
        const bool sizeHint = text == kMissingSize && !options_.missingSizeHint.empty();
        const std::string_view line = sizeHint ? std::string_view(options_.missingSizeHint) : hint.hint;
        std::fprintf(errors_, "zemrik-cli: %.*s\n", static_cast<int>(line.size()), line.data());
    }
}

}  // namespace zemrik::cli
