#include "app/cli/ImageQueries.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/FileMapping.h"
#include "run/FieldConversion.h"

namespace zemrik::cli {
namespace {

using image::ExecutableImage;
using image::ImageSymbol;
using image::OffsetProblem;
using image::OffsetRefusal;

using ImageOrRefusal = Expected<ExecutableImage, Refusal>;
using OptionsOrRefusal = Expected<CliOptions, Refusal>;

// Hex as the tool takes it: upper case, no prefix, no leading zeros.
std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Left-aligned columns two spaces apart; the last one is not padded.
std::string alignedColumns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            text += row[column];
            if (column + 1 < row.size()) text.append(widths[column] - row[column].size() + 2, ' ');
        }
        text += '\n';
    }
    return text;
}

// The symbols of that name from the first source that has any: ELF .symtab
// before .dynsym, PE exports before COFF symbols.
std::vector<const ImageSymbol*> symbolsNamed(const ExecutableImage& image, const std::string& name) {
    std::vector<const ImageSymbol*> found;
    for (const ImageSymbol& symbol : image.symbols) {
        if (symbol.name != name) continue;
        if (!found.empty() && symbol.source > found.front()->source) continue;
        if (!found.empty() && symbol.source < found.front()->source) found.clear();
        found.push_back(&symbol);
    }
    return found;
}

struct TableAddress {
    std::uint64_t address;
    std::optional<std::uint64_t> size;
};

Expected<TableAddress, Refusal> findSymbol(const ExecutableImage& image, const std::string& name,
                                           const std::string& path) {
    const std::vector<const ImageSymbol*> found = symbolsNamed(image, name);
    if (found.empty()) {
        return Expected<TableAddress, Refusal>::failure("no symbol " + quoted(name) + " in " + path +
                                                        "; --list-symbols lists them");
    }
    const bool oneAddress = std::all_of(found.begin(), found.end(), [&](const ImageSymbol* symbol) {
        return symbol->address == found.front()->address;
    });
    if (!oneAddress) {
        std::string message = "symbol " + quoted(name) + " names several addresses; give one with --va:";
        for (const ImageSymbol* symbol : found) message += "\n  " + hex(symbol->address) + "  " + symbol->section;
        return Expected<TableAddress, Refusal>::failure(message);
    }
    return TableAddress{found.front()->address, found.front()->size};
}

}  // namespace

Expected<ExecutableImage, Refusal> loadImage(const std::string& path, image::SymbolReading symbols) {
    const platform::SystemResult<platform::File> file = platform::File::openForReading(path);
    if (!file) return ImageOrRefusal::failure("cannot open " + path + ": " + file.error().describe());
    // An empty file can't be mapped, and is no image either.
    std::optional<platform::FileMapping> mapping;
    std::optional<platform::MappedView> view;
    const platform::SystemResult<std::uint32_t> size = file->size32();
    if (!size) return ImageOrRefusal::failure("cannot read " + path + ": " + size.error().describe());
    if (*size != 0) {
        auto created = platform::FileMapping::create(*file, platform::MappingAccess::ReadOnly, 0, nullptr);
        if (!created) return ImageOrRefusal::failure("cannot map " + path + ": " + created.error().describe());
        mapping = std::move(*created);
        auto mapped = platform::MappedView::map(*mapping);
        if (!mapped) return ImageOrRefusal::failure("cannot map " + path + ": " + mapped.error().describe());
        view = std::move(*mapped);
    }

    const std::span<const std::uint8_t> bytes =
        view ? std::span<const std::uint8_t>(view->data(), view->size()) : std::span<const std::uint8_t>();
    image::ImageOrDefect image = image::readExecutableImage(bytes, symbols);
    if (image) return std::move(*image);
    std::string message = path + ": " + std::string(image::defectMessage(image.error()));
    if (image.error() == image::ImageDefect::NotAnImage) message += "; give the table's file offset with -a";
    return ImageOrRefusal::failure(message);
}

Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options) {
    const auto symbols = options.symbol ? image::SymbolReading::Read : image::SymbolReading::Skip;
    const ImageOrRefusal image = loadImage(options.path, symbols);
    if (!image) return OptionsOrRefusal::failure(image.error());
    return resolveImageAddress(options, *image);
}

Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options, const ExecutableImage& image) {
    TableAddress table{options.virtualAddress.value_or(0), std::nullopt};
    if (options.symbol) {
        const auto found = findSymbol(image, *options.symbol, options.path);
        if (!found) return OptionsOrRefusal::failure(found.error());
        table = *found;
    }
    CliOptions resolved = options;
    if (resolved.tableSize.empty() && table.size) {
        if (*table.size > UINT32_MAX) {
            return OptionsOrRefusal::failure("symbol " + quoted(*options.symbol) + " is " + hex(*table.size) +
                                             " bytes long, more than a table can be; give its size with -s");
        }
        resolved.tableSize = hex(*table.size);
    }
    // A size the request checks will refuse is checked from its first byte only.
    const std::uint64_t length = std::max<std::uint32_t>(convertHexField(resolved.tableSize).value_or(1), 1);
    const image::OffsetOrRefusal offset = image::fileOffsetOf(image, table.address, length);
    if (!offset) return OptionsOrRefusal::failure(offsetRefusalMessage(offset.error(), table.address, length));
    if (*offset > UINT32_MAX) {
        return OptionsOrRefusal::failure("address " + hex(table.address) + " lies at file offset " + hex(*offset) +
                                         ", past the first 4 GiB, where no table can be read");
    }
    resolved.address = hex(*offset);
    resolved.virtualAddress.reset();
    resolved.symbol.reset();
    return resolved;
}

std::string sectionListing(const ExecutableImage& image) {
    std::vector<std::vector<std::string>> rows{{"Name", "Address", "Offset", "File size", "Memory size"}};
    for (const image::ImageSection& section : image.sections) {
        rows.push_back({section.name, hex(section.address), hex(section.fileOffset), hex(section.fileSize),
                        hex(section.memorySize)});
    }
    return alignedColumns(rows);
}

std::string symbolListing(const ExecutableImage& image) {
    std::vector<const ImageSymbol*> data;
    for (const ImageSymbol& symbol : image.symbols) {
        if (symbol.kind == image::SymbolKind::Data) data.push_back(&symbol);
    }
    // By address; a symbol in several tables (.symtab and .dynsym) once.
    const auto key = [](const ImageSymbol* symbol) { return std::tie(symbol->address, symbol->name); };
    std::stable_sort(data.begin(), data.end(), [&](auto* a, auto* b) { return key(a) < key(b); });
    data.erase(std::unique(data.begin(), data.end(), [&](auto* a, auto* b) { return key(a) == key(b); }), data.end());

    std::vector<std::vector<std::string>> rows{{"Name", "Address", "Size", "Section"}};
    for (const ImageSymbol* symbol : data) {
        rows.push_back({symbol->name, hex(symbol->address), symbol->size ? hex(*symbol->size) : "-", symbol->section});
    }
    return alignedColumns(rows);
}

std::string offsetRefusalMessage(const OffsetRefusal& refusal, std::uint64_t address, std::uint64_t length) {
    const std::string at = "address " + hex(address);
    const std::string& section = refusal.section;
    constexpr const char* kListHint = "; --list-sections lists them";
    switch (refusal.problem) {
    case OffsetProblem::NoSections: return "the image has no sections, so " + at + " is in none of them";
    case OffsetProblem::BelowImageBase: {
        std::string message =
            at + " lies below the image base " + hex(refusal.limit) + "; a virtual address is image base + RVA";
        if (address <= UINT64_MAX - refusal.limit) {
            message += " (" + hex(refusal.limit) + " + " + hex(address) + " = " + hex(refusal.limit + address) + ")";
        }
        return message;
    }
    case OffsetProblem::BelowEverySection:
        return at + " lies below every section (the first, " + section + ", starts at " + hex(refusal.limit) + ")" +
               kListHint;
    case OffsetProblem::BetweenSections:
        return at + " lies between the sections " + section + " and " + refusal.nextSection + kListHint;
    case OffsetProblem::PastEverySection:
        return at + " lies past every section (the last, " + section + ", ends at " + hex(refusal.limit) + ")" +
               kListHint;
    case OffsetProblem::NoFileData:
        return at + " lies in " + section + ", and " + section +
               " has no file data: its bytes are zero until the program runs";
    case OffsetProblem::PastFileData:
        return at + " lies past the file data of " + section + ", which ends at " + hex(refusal.limit) +
               ": the rest of " + section + " is zero until the program runs";
    case OffsetProblem::RangePastFileData:
        return "the table of " + hex(length) + " bytes at " + hex(address) + " runs past the file data of " + section +
               ", which ends at " + hex(refusal.limit) + "; give a size of at most " + hex(refusal.limit - address) +
               " with -s";
    }
    return at + " has no file offset";
}

}  // namespace zemrik::cli
