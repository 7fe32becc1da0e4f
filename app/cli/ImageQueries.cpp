#include "app/cli/ImageQueries.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>
#include <vector>

#include "app/cli/ReservedWords.h"
#include "app/cli/SymbolNames.h"
#include "platform/MappedFile.h"
#include "run/FieldConversion.h"
#include "typed/TypedWalk.h"

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
using TypeLookup = std::optional<Expected<VariableType, std::string>>;

// i686 Windows images and COFF objects give C names a leading underscore.
bool underscoresNames(const ExecutableImage& image) {
    return image.format == image::ImageFormat::Pe32 || image.format == image::ImageFormat::Coff;
}

// The symbols --symbol NAME stands for: NAME's own; else, in a Windows
// image, "_NAME"; else, for a variable the debug info knows by its C++
// name ("ns::tbl"), the symbol demangled to it.
std::vector<const ImageSymbol*> symbolsAskedFor(const ExecutableImage& image, const std::string& name,
                                                const CliOptions& options, const DebugTypes* types) {
    std::vector<const ImageSymbol*> found = symbolsNamed(image, name, options);
    if (found.empty() && underscoresNames(image)) found = symbolsNamed(image, "_" + name, options);
    if (found.empty() && types != nullptr && types->typeOf(name, std::nullopt)) {
        CliOptions demangling = options;
        demangling.demangle = true;
        found = symbolsNamed(image, name, demangling);
    }
    return found;
}

// The symbol's variable in the debug info, and its name there: by the name
// asked for, the symbol's, its C++ name, or its C name without the underscore.
std::pair<std::string, TypeLookup> debugTypeOf(const ExecutableImage& image, const ImageSymbol& symbol,
                                               const DebugTypes& types, const std::string& asked = {}) {
    std::vector<std::string> names{asked, symbol.name, demangled(symbol.name)};
    if (underscoresNames(image) && symbol.name.starts_with('_')) names.push_back(symbol.name.substr(1));
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (TypeLookup type = types.typeOf(name, symbol.size)) return {name, std::move(type)};
    }
    return {};
}

SymbolOrRefusal findSymbol(const ExecutableImage& image, const CliOptions& options, const std::string& path,
                           const DebugTypes* types) {
    const std::string& name = *options.symbol;
    const std::vector<const ImageSymbol*> found = symbolsAskedFor(image, name, options, types);
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

// The variable the debug info places at a loaded address, as a symbol of its
// own: for an image whose symbol table was stripped (strip --strip-all, a
// debug link kept).
std::optional<ImageSymbol> symbolFromDebugInfo(const ExecutableImage& image, const std::string& name,
                                               const DebugTypes& types) {
    if (image.addresses != image::AddressSpace::Loaded) return std::nullopt;
    const TypeLookup type = types.typeOf(name, std::nullopt);
    if (!type || !*type || !(*type)->address) return std::nullopt;
    ImageSymbol symbol;
    symbol.name = name;
    symbol.address = *(*type)->address;
    return symbol;
}

// Whether the debug info is read beside the image.
enum class TypeReading { Skip, Read };
using TypedOrRefusal = Expected<TypedImage, Refusal>;

TypedOrRefusal readMapped(const platform::File& file, const std::string& name, image::SymbolReading symbols,
                          TypeReading types, const DebugFileOptions& where = {}) {
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
    if (image) {
        const auto none = std::span<const std::uint8_t>();
        const bool typed = types == TypeReading::Read;
        auto debugTypes = DebugTypes::read(typed ? bytes : none, typed ? where : DebugFileOptions{});
        if (!debugTypes) return failure(debugTypes.error());
        return TypedImage{std::move(*image), std::move(*debugTypes)};
    }
    std::string message = name + ": " + std::string(image::defectMessage(image.error()));
    if (image.error() == image::ImageDefect::NotAnImage) message += "; give the table's file offset with -a";
    return failure(message);
}

TypedOrRefusal loadWith(const CliOptions& options, const platform::File* openInput, image::SymbolReading symbols,
                        TypeReading types) {
    const DebugFileOptions where{options.path, options.debugFile, options.debugDirectory};
    if (openInput != nullptr) return readMapped(*openInput, inputName(options), symbols, types, where);
    const platform::SystemResult<platform::File> file = platform::File::openForReading(options.path);
    if (!file) return failure("cannot open " + options.path + ": " + file.error().describe());
    return readMapped(*file, options.path, symbols, types, where);
}

ImageOrRefusal imageOnly(TypedOrRefusal loaded) {
    if (!loaded) return failure(loaded.error());
    return std::move(loaded->image);
}

// Hex as -s takes it, or a refusal when no table can be that long.
Expected<std::string, Refusal> tableSizeText(std::uint64_t size, const std::string& what) {
    if (size > UINT32_MAX) {
        return failure(what + " is " + hex(size) + " bytes long, more than a table can be; give its size with -s");
    }
    return hex(size);
}

}  // namespace

void nameAfter(const std::string& variable, CliOptions& resolved) {
    resolved.name = declarableName(resolved.language, variable);
    if (resolved.name == variable) return;
    resolved.notes.push_back(variable + " is declared as " + resolved.name + ", a valid name in -l " +
                             std::string(languageRow(resolved.language).cliName));
}

namespace {

// The shape the debug info gives the table, what the command line gave
// winning: with -i, --record or --dims the table prints exactly as without
// debug info; the outermost
// bound follows the table's size, so -s prints whole rows of an inner shape;
// --name names the declaration, the variable's own name otherwise.
Expected<void, Refusal> takeDebugType(const std::string& variable, const Expected<VariableType, std::string>& type,
                                      CliOptions& resolved) {
    if (resolved.itemsGiven || resolved.record || !resolved.dims.empty()) return {};
    if (resolved.name.empty()) nameAfter(variable, resolved);
    if (!type) return failure(type.error() + "; -i TYPE prints its bytes as elements of TYPE");
    DebugShape shape = type->element;
    // The record type keeps the structure's name, unless the table has it.
    if (!shape.recordName.empty()) shape.recordName = declarableName(resolved.language, shape.recordName);
    if (shape.recordName == resolved.name) shape.recordName.clear();
    if (shape.record) {
        for (const auto& [member, declared] : declareFieldsIn(resolved.language, *shape.record)) {
            resolved.notes.push_back("member " + member + " of " + variable + " is declared as " + declared +
                                     ", a valid name in -l " + std::string(languageRow(resolved.language).cliName));
        }
    }
    const std::optional<std::uint32_t> size = convertHexField(resolved.tableSize);
    const auto& bounds = type->bounds;
    if (size && bounds.size() >= 2) {
        std::uint64_t row = type->elementSize;
        for (std::size_t k = 1; k < bounds.size(); ++k) row = *bounds[k] > UINT32_MAX ? 0 : row * *bounds[k];
        if (row != 0 && row <= *size && *size % row == 0) {
            shape.dims.push_back(static_cast<std::uint32_t>(*size / row));
            for (std::size_t k = 1; k < bounds.size(); ++k)
                shape.dims.push_back(static_cast<std::uint32_t>(*bounds[k]));
        }
    }
    const typed::LanguageRow& row = languageRow(resolved.language);
    // A language without dimensions prints the table flat.
    if (!row.shapeRefusal.empty()) shape.dims.clear();
    typed::TypedOptions check;
    check.type = shape.type;
    check.record = shape.record ? &*shape.record : nullptr;
    check.dims = shape.dims;
    check.tableSize = size.value_or(0);
    if (const auto fits = typed::checkTypedOptions(row, check); size && !fits) {
        return failure(variable + ": " + fits.error() + "; -i TYPE prints its bytes as elements of TYPE");
    }
    resolved.debugShape = std::move(shape);
    return {};
}

// The bytes the variable's type takes, when every bound is known and the
// command line leaves the shape to the debug info: a PE symbol's size.
std::optional<std::uint64_t> debugTypeSize(const TypeLookup& type, const CliOptions& options) {
    if (!type || !*type || options.itemsGiven || options.record || !options.dims.empty()) return std::nullopt;
    std::uint64_t size = (*type)->elementSize;
    for (const auto& bound : (*type)->bounds) {
        if (!bound || (*bound != 0 && size > UINT64_MAX / *bound)) return std::nullopt;
        size *= *bound;
    }
    return size != 0 ? std::optional(size) : std::nullopt;
}

// The name of the section whose addresses hold `address`; empty: none does.
std::string sectionHolding(const ExecutableImage& image, std::uint64_t address) {
    for (const image::ImageSection& section : image.sections) {
        if (address >= section.address && address - section.address < section.memorySize) return section.name;
    }
    return {};
}

// A type whose bytes run past the file data of the section holding the
// variable is not that variable's (debug info of another build, or garbled):
// refused, though the symbol's own bytes may fit.
Expected<void, Refusal> checkTypeFits(const ExecutableImage& image, const ImageSymbol& symbol,
                                      const std::string& variable, const VariableType& type) {
    std::uint64_t bytes = type.elementSize;
    for (const auto& bound : type.bounds) {
        if (!bound) return {};  // open: the symbol's size is the table's
        bytes *= *bound;        // the debug info reader saw it fit in 64 bits
    }
    const image::OffsetOrRefusal held = image::symbolFileOffset(image, symbol, std::max<std::uint64_t>(bytes, 1));
    if (held) return {};
    return failure(variable + ": its type takes " + std::to_string(bytes) + " bytes, more than section " +
                   held.error().section + " holds from there; -i TYPE prints its bytes as elements of TYPE");
}

bool recordsSymbolSizes(image::ImageFormat format) {
    return format != image::ImageFormat::Pe32 && format != image::ImageFormat::Pe32Plus &&
           format != image::ImageFormat::Coff;
}

}  // namespace

Expected<ExecutableImage, Refusal> loadImage(const std::string& path, image::SymbolReading symbols) {
    CliOptions options;
    options.path = path;
    return imageOnly(loadWith(options, nullptr, symbols, TypeReading::Skip));
}

Expected<ExecutableImage, Refusal> loadImage(const platform::File& file, const std::string& name,
                                             image::SymbolReading symbols) {
    return imageOnly(readMapped(file, name, symbols, TypeReading::Skip));
}

Expected<ExecutableImage, Refusal> loadImage(const CliOptions& options, const platform::File* openInput,
                                             image::SymbolReading symbols) {
    return imageOnly(loadWith(options, openInput, symbols, TypeReading::Skip));
}

Expected<TypedImage, Refusal> loadTypedImage(const CliOptions& options, const platform::File* openInput,
                                             image::SymbolReading symbols) {
    // Types are only asked of symbols.
    const auto types = symbols == image::SymbolReading::Read ? TypeReading::Read : TypeReading::Skip;
    return loadWith(options, openInput, symbols, types);
}

Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options, const platform::File* openInput) {
    const auto symbols = options.symbol ? image::SymbolReading::Read : image::SymbolReading::Skip;
    const auto types = options.symbol ? TypeReading::Read : TypeReading::Skip;
    const TypedOrRefusal loaded = loadWith(options, openInput, symbols, types);
    if (!loaded) return failure(loaded.error());
    return resolveImageAddress(options, loaded->image, &loaded->types);
}

Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options, const ExecutableImage& image,
                                                  const DebugTypes* types) {
    const std::string path = inputName(options);
    CliOptions resolved = options;
    // Words are read as the image stores them; Data Str keeps the file's order.
    if (image.byteOrder == ByteOrder::BigEndian && !options.littleEndian && options.language != CliLanguage::DataStr) {
        resolved.bigEndian = true;
    }
    const ImageSymbol* symbol = nullptr;
    std::optional<ImageSymbol> placed;  // where the debug info alone places it
    std::uint64_t address = options.virtualAddress.value_or(0);
    if (options.symbol) {
        const auto found = findSymbol(image, options, path, types);
        if (!found && types != nullptr) placed = symbolFromDebugInfo(image, *options.symbol, *types);
        if (!found && !placed) return failure(found.error());
        symbol = found ? *found : &*placed;
        address = symbol->address;
        // A PE records no symbol sizes: its debug info's type has one.
        const std::optional<std::uint64_t> typeSize =
            symbol->size || types == nullptr
                ? std::nullopt
                : debugTypeSize(debugTypeOf(image, *symbol, *types, *options.symbol).second, options);
        if (resolved.tableSize.empty() && (symbol->size || typeSize)) {
            const auto size =
                tableSizeText(symbol->size ? *symbol->size : *typeSize, "symbol " + quoted(*options.symbol));
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
    resolved.symbols.clear();
    if (symbol != nullptr) resolved.section = symbol->section;
    if (symbol == nullptr) resolved.section = sectionHolding(image, address);
    if (image.addresses == image::AddressSpace::Loaded) resolved.tableVirtualAddress = address;
    if (symbol != nullptr && types != nullptr) {
        auto [variable, type] = debugTypeOf(image, *symbol, *types, *options.symbol);
        if (type) {
            if (auto typed = takeDebugType(variable, *type, resolved); !typed) return failure(typed.error());
            if (resolved.debugShape) {
                if (auto fits = checkTypeFits(image, *symbol, variable, **type); !fits) return failure(fits.error());
            }
        }
    }
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

namespace {

std::string shownName(const ImageSymbol& symbol, const CliOptions& choices) {
    return choices.demangle ? demangled(symbol.name) : symbol.name;
}

// The data symbols --match lets through, by address (in objects, by file
// offset); a symbol in several tables (.symtab and .dynsym) once.
std::vector<const ImageSymbol*> dataSymbols(const ExecutableImage& image, const CliOptions& choices) {
    const auto shownName = [&](const ImageSymbol& symbol) { return cli::shownName(symbol, choices); };
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
    return data;
}

}  // namespace

std::vector<std::string> matchedSymbolNames(const ExecutableImage& image, const CliOptions& choices) {
    std::vector<std::string> names;
    for (const ImageSymbol* symbol : dataSymbols(image, choices)) names.push_back(shownName(*symbol, choices));
    return names;
}

std::string symbolListing(const ExecutableImage& image, const CliOptions& choices, const DebugTypes* types) {
    const auto shownName = [&](const ImageSymbol& symbol) { return cli::shownName(symbol, choices); };
    const std::vector<const ImageSymbol*> data = dataSymbols(image, choices);

    // The name last: long C++ names push no other column.
    const bool archive = image.format == image::ImageFormat::Archive;
    std::vector<std::vector<std::string>> rows{{"Address", "Size", "Offset", "Section"}};
    if (archive) rows.front().push_back("Member");
    // The type in C where the debug info gives one; "-" where it has none
    // or refuses it.
    const bool typed = types != nullptr && types->present();
    if (typed) rows.front().push_back("Type");
    rows.front().push_back("Name");
    for (const ImageSymbol* symbol : data) {
        std::vector<std::string> row{hex(symbol->address), symbol->size ? hex(*symbol->size) : "-",
                                     symbol->fileOffset ? hex(*symbol->fileOffset) : "-", symbol->section};
        if (archive) row.push_back(symbol->member);
        if (typed) {
            const TypeLookup type = debugTypeOf(image, *symbol, *types).second;
            row.push_back(type && *type ? (*type)->cSpelling : "-");
            // A PE records no sizes: the type's stands in.
            if (const auto size = symbol->size ? std::nullopt : debugTypeSize(type, choices)) row[1] = hex(*size);
        }
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
