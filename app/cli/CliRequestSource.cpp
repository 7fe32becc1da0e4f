#include "app/cli/CliRequestSource.h"

namespace zemrik::cli {

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
    case CheckBox::BigEndian: return options_.bigEndian;
    }
    return false;
}

// The File box only ever changes to report that the file could not be used.
void CliRequestSource::setFileBoxText(const std::string& text) { std::fprintf(errors_, "%s\n", text.c_str()); }

void CliRequestSource::showMessage(const std::string& text, const std::string&, MessageIcon) {
    std::fprintf(errors_, "%s\n", text.c_str());
}

}  // namespace zemrik::cli
