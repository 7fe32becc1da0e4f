#include "app/cli/FieldDefaults.h"

#include <cstdio>

#include "run/FieldConversion.h"

namespace zemrik::cli {
namespace {

std::string hexText(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(value));
    return text;
}

bool addressDefaults(const CliOptions& options) { return options.address.empty() && !options.rva; }

}  // namespace

std::uint32_t selectedElementWidth(const CliOptions& options) { return typed::byteWidth(options.items); }

std::uint32_t printedElementWidth(const CliOptions& options) {
    return options.language == CliLanguage::DataStr ? 1 : selectedElementWidth(options);
}

std::string addressField(const CliOptions& options) { return addressDefaults(options) ? "0" : options.address; }

bool tableSizeDefaults(const CliOptions& options, SizeDefault rule) {
    return rule == SizeDefault::ToEndOfFile && options.tableSize.empty() && !options.rva;
}

std::string tableSizeField(const CliOptions& options, SizeDefault rule, std::uint32_t fileSize) {
    if (!tableSizeDefaults(options, rule)) return options.tableSize;
    // The address is a strict hex number of at most 8 digits once parsed.
    const std::uint32_t address = convertHexField(addressField(options)).value_or(0);
    return hexText(address < fileSize ? fileSize - address : 0);
}

std::string itemsPerLineField(const CliOptions& options) {
    if (!options.itemsPerLine.empty()) return options.itemsPerLine;
    if (options.record) return "1";
    if (options.byteForm == forms::ByteForm::StringLiteral) return std::to_string(kDefaultLiteralLineBytes);
    std::uint32_t perLine = kDefaultLineBytes / printedElementWidth(options);
    // A line holds no more than a run of the innermost extent, and whole lines fill it.
    if (!options.dims.empty()) {
        while (options.dims.back() % perLine != 0) --perLine;
    }
    return std::to_string(perLine);
}

}  // namespace zemrik::cli
