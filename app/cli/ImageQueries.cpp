#include "app/cli/ImageQueries.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>
#include <vector>

#include "app/cli/SymbolNames.h"
#include "platform/MappedFile.h"
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

// Whether the symbol is the one asked for: by its name as stored, or with
// --demangle by the C++ name too.
bool isNamed(const ImageSymbol& symbol, const std::string& name, const CliOptions& options) {
    return symbol.name == name || (options.demangle && demangled(symbol.name) == name);
}

// The symbols of that name from the first source that has any: ELF .symtab
// before .dynsym, PE exports before COFF symbols. Those with bytes in a
// section come before the undefined, common and absolute ones.
std::vector<const ImageSymbol*> symbolsNamed(const ExecutableImage& image, const std::string& name,
                                             const CliOptions& options) {
    std::vector<const ImageSymbol*> found;
    const auto rank = [](const ImageSymbol& symbol) {
        return std::pair(symbol.place != image::SymbolPlace::Section, symbol.source);
    };
    for (const ImageSymbol& symbol : image.symbols) {
        if (!isNamed(symbol, name, options)) continue;
        if (!found.empty() && rank(symbol) > rank(*found.front())) continue;
        if (!found.empty() && rank(symbol) < rank(*found.front())) found.clear();
        found.push_back(&symbol);
    }
    return found;
}

// Why a symbol that names no bytes of the file can't give a table.
Refusal placeRefusal(const ImageSymbol& symbol, const std::string& path) {
    const std::string which = "symbol " + quoted(symbol.name) + " is ";
    switch (symbol.place) {
    case image::SymbolPlace::Undefined:
        return which + "undefined in " + path + ": it is only used there, and defined in another file";
    case image::SymbolPlace::Common:
        return which + "a common symbol in " + path +
               ": the linker gives it its bytes, the file holds none (compile with -fno-common)";
    case image::SymbolPlace::Absolute:
        return which + "absolute in " + path + ": its value is a number, not bytes in the file";
    case image::SymbolPlace::Section: break;
    }
    return which + "in no section of " + path;
}

// Where a symbol is, for telling several apart.
std::string whereIs(const ExecutableImage& image, const ImageSymbol& symbol) {
    if (image.addresses == image::AddressSpace::Loaded) return hex(symbol.address) + "  " + symbol.section;
    std::string where = (symbol.fileOffset ? hex(*symbol.fileOffset) : "-") + "  " + symbol.section;
    if (!symbol.member.empty()) where += "  " + symbol.member;
    return where;
}

using SymbolOrRefusal = Expected<const ImageSymbol*, Refusal>;

SymbolOrRefusal findSymbol(const ExecutableImage& image, const CliOptions& options, const std::string& path) {
    const std::string& name = *options.symbol;
    const std::vector<const ImageSymbol*> found = symbolsNamed(image, name, options);
    if (found.empty()) {
        return failure("no symbol " + quoted(name) + " in " + path + "; --list-symbols lists them");
    }
    if (found.front()->place != image::SymbolPlace::Section) return failure(placeRefusal(*found.front(), path));
    const bool relative = image.addresses == image::AddressSpace::SectionRelative;
    const bool onePlace = std::all_of(found.begin(), found.end(), [&](const ImageSymbol* symbol) {
        return relative ? symbol->fileOffset == found.front()->fileOffset : symbol->address == found.front()->address;
    });
    if (!onePlace) {
        std::string message = "symbol " + quoted(name) + " names several " +
                              (relative ? "tables; give one's file offset with -a:" : "addresses; give one with --va:");
        for (const ImageSymbol* symbol : found) message += "\n  " + whereIs(image, *symbol);
        return failure(message);
    }
    return found.front();
}

std::string displayName(const std::string& path) { return path == "-" ? "standard input" : path; }

ImageOrRefusal readMapped(const platform::File& file, const std::string& name, image::SymbolReading symbols) {
    // An empty file can't be mapped, and is no image either.
    std::optional<platform::MappedFile> mapped;
    const platform::SystemResult<std::uint32_t> size = file.size32();
    if (!size) return failure("cannot read " + name + ": " + size.error().describe());
    if (*size != 0) {
        auto mapping = platform::MappedFile::map(file, nullptr);
        if (!mapping) return failure("cannot map " + name + ": " + mapping.error().error.describe());
        mapped = std::move(*mapping);
    }

    const std::span<const std::uint8_t> bytes = mapped ? mapped->bytes() : std::span<const std::uint8_t>();
    image::ImageOrDefect image = image::readExecutableImage(bytes, symbols);
    if (image) return std::move(*image);
    std::string message = name + ": " + std::string(image::defectMessage(image.error()));
    if (image.error() == image::ImageDefect::NotAnImage) message += "; give the table's file offset with -a";
    return failure(message);
}

// Hex as -s takes it, or a refusal when no table can be that long.
Expected<std::string, Refusal> tableSizeText(std::uint64_t size, const std::string& what) {
    if (size > UINT32_MAX) {
        return failure(what + " is " + hex(size) + " bytes long, more than a table can be; give its size with -s");
    }
    return hex(size);
}

bool recordsSymbolSizes(image::ImageFormat format) {
    return format != image::ImageFormat::Pe32 && format != image::ImageFormat::Pe32Plus &&
           format != image::ImageFormat::Coff;
}

}  // namespace

Expected<ExecutableImage, Refusal> loadImage(const std::string& path, image::SymbolReading symbols) {
    const platform::SystemResult<platform::File> file = platform::File::openForReading(path);
    if (!file) return failure("cannot open " + path + ": " + file.error().describe());
    return readMapped(*file, path, symbols);
}

Expected<ExecutableImage, Refusal> loadImage(const platform::File& file, const std::string& name,
                                             image::SymbolReading symbols) {
    return readMapped(file, name, symbols);
}

Expected<ExecutableImage, Refusal> loadImage(const CliOptions& options, const platform::File* openInput,
                                             image::SymbolReading symbols) {
    if (openInput != nullptr) return loadImage(*openInput, displayName(options.path), symbols);
    return loadImage(options.path, symbols);
}

Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options, const platform::File* openInput) {
    const auto symbols = options.symbol ? image::SymbolReading::Read : image::SymbolReading::Skip;
    const ImageOrRefusal image = loadImage(options, openInput, symbols);
    if (!image) return failure(image.error());
    return resolveImageAddress(options, *image);
}

Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options, const ExecutableImage& image) {
    const std::string path = displayName(options.path);
    CliOptions resolved = options;
    // Words are read as the image stores them; Data Str keeps the file's order.
    if (image.byteOrder == ByteOrder::BigEndian && !options.littleEndian && options.language != CliLanguage::DataStr) {
        resolved.bigEndian = true;
    }
    const ImageSymbol* symbol = nullptr;
    std::uint64_t address = options.virtualAddress.value_or(0);
    if (options.symbol) {
        const auto found = findSymbol(image, options, path);
        if (!found) return failure(found.error());
        symbol = *found;
        address = symbol->address;
        if (resolved.tableSize.empty() && symbol->size) {
            const auto size = tableSizeText(*symbol->size, "symbol " + quoted(*options.symbol));
            if (!size) return failure(size.error());
            resolved.tableSize = *size;
        } else if (resolved.tableSize.empty() && !recordsSymbolSizes(image.format)) {
            resolved.missingSizeHint =
                "PE and COFF files record no symbol sizes: give the table's size in bytes with -s/--size HEX";
        }
    } else if (image.addresses == image::AddressSpace::SectionRelative) {
        return failure(
            path + " is " +
            (image.format == image::ImageFormat::Archive ? "an archive of objects" : "a relocatable object") +
            ", whose sections have no addresses yet: give the table with --symbol "
            "NAME, or its file offset with -a");
    } else if (resolved.tableSize.empty()) {
        // The table runs to the end of the file data of the section holding it.
        const image::OffsetOrRefusal left = image::fileDataLeftAt(image, address);
        if (!left) return failure(offsetRefusalMessage(left.error(), address, 1));
        const auto size = tableSizeText(*left, "the rest of the section at " + hex(address));
        if (!size) return failure(size.error());
        resolved.tableSize = *size;
    }
    // A size the request checks will refuse is checked from its first byte only.
    const std::uint64_t length = std::max<std::uint32_t>(convertHexField(resolved.tableSize).value_or(1), 1);
    const image::OffsetOrRefusal offset = symbol != nullptr ? image::symbolFileOffset(image, *symbol, length)
                                                            : image::fileOffsetOf(image, address, length);
    if (!offset) return failure(offsetRefusalMessage(offset.error(), address, length));
    if (*offset > UINT32_MAX) {
        return failure("address " + hex(address) + " lies at file offset " + hex(*offset) +
                       ", past the first 4 GiB, where no table can be read");
    }
    resolved.address = hex(*offset);
    resolved.virtualAddress.reset();
    resolved.symbol.reset();
    return resolved;
}

std::string sectionListing(const ExecutableImage& image) {
    const bool archive = image.format == image::ImageFormat::Archive;
    std::vector<std::vector<std::string>> rows{{"Name", "Address", "Offset", "File size", "Memory size"}};
    if (archive) rows.front().push_back("Member");
    for (const image::ImageSection& section : image.sections) {
        rows.push_back({section.name, hex(section.address), hex(section.fileOffset), hex(section.fileSize),
                        hex(section.memorySize)});
        if (archive) rows.back().push_back(section.member);
    }
    return alignedColumns(rows);
}

std::string symbolListing(const ExecutableImage& image, const CliOptions& choices) {
    const auto shownName = [&](const ImageSymbol& symbol) {
        return choices.demangle ? demangled(symbol.name) : symbol.name;
    };
    std::vector<const ImageSymbol*> data;
    for (const ImageSymbol& symbol : image.symbols) {
        if (symbol.kind != image::SymbolKind::Data || symbol.place != image::SymbolPlace::Section) continue;
        if (choices.match && !matchesGlob(*choices.match, shownName(symbol))) continue;
        data.push_back(&symbol);
    }
    // By address (in objects, by file offset); a symbol in several tables
    // (.symtab and .dynsym) once.
    const bool relative = image.addresses == image::AddressSpace::SectionRelative;
    const auto key = [&](const ImageSymbol* symbol) {
        return std::tuple(relative ? symbol->fileOffset.value_or(UINT64_MAX) : symbol->address, symbol->name);
    };
    std::stable_sort(data.begin(), data.end(), [&](auto* a, auto* b) { return key(a) < key(b); });
    data.erase(std::unique(data.begin(), data.end(), [&](auto* a, auto* b) { return key(a) == key(b); }), data.end());

    // The name last: long C++ names push no other column.
    const bool archive = image.format == image::ImageFormat::Archive;
    std::vector<std::vector<std::string>> rows{{"Address", "Size", "Offset", "Section"}};
    if (archive) rows.front().push_back("Member");
    rows.front().push_back("Name");
    for (const ImageSymbol* symbol : data) {
        std::vector<std::string> row{hex(symbol->address), symbol->size ? hex(*symbol->size) : "-",
                                     symbol->fileOffset ? hex(*symbol->fileOffset) : "-", symbol->section};
        if (archive) row.push_back(symbol->member);
        row.push_back(shownName(*symbol));
        rows.push_back(std::move(row));
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
