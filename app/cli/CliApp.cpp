#include "app/cli/CliApp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "app/cli/CliRequestSource.h"
#include "app/cli/CliRunHost.h"
#include "app/cli/CliStyle.h"
#include "app/cli/CliTypedTable.h"
#include "app/cli/CommandLine.h"
#include "app/cli/Console.h"
#include "app/cli/FieldDefaults.h"
#include "app/cli/ImageQueries.h"
#include "app/cli/Provenance.h"
#include "app/cli/TableDestination.h"
#include "app/cli/TableSequence.h"
#include "forms/Embed.h"
#include "platform/InputCopy.h"
#include "run/FieldConversion.h"
#include "run/RunMessages.h"
#include "run/RunWorker.h"

namespace zemrik::cli {
namespace {

// Standard input is held in memory whole; beyond 4 GiB no table of a 32-bit
// offset and size could reach it anyway.
constexpr std::uint64_t kStandardInputLimit = std::uint64_t{1} << 32;

// One line for each of the messages, then the short usage.
int reportUsageErrors(std::string_view messages) {
    for (std::size_t start = 0; start <= messages.size();) {
        const std::size_t end = std::min(messages.find('\n', start), messages.size());
        const std::string_view message = messages.substr(start, end - start);
        std::fprintf(stderr, "zemrik-cli: %.*s\n", static_cast<int>(message.size()), message.data());
        start = end + 1;
    }
    const std::string_view usage = shortUsageText();
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return kExitUsage;
}

int printText(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitSuccess;
}

int reportRefusal(const Refusal& message) {
    std::fprintf(stderr, "zemrik-cli: %s\n", message.c_str());
    return kExitRefused;
}

int listImage(const CliOptions& options, const platform::File* openInput) {
    const auto symbols = options.listSymbols ? image::SymbolReading::Read : image::SymbolReading::Skip;
    const auto loaded = loadTypedImage(options, openInput, symbols);
    if (!loaded) return reportRefusal(loaded.error());
    std::string text;
    if (options.listSections) text += sectionListing(loaded->image);
    if (options.listSections && options.listSymbols) text += '\n';
    if (options.listSymbols) text += symbolListing(loaded->image, options, &loaded->types);
    // The listing still shows every symbol; only the types are missing, and why.
    if (const auto reason = loaded->types.unreadable(); reason && options.listSymbols) {
        printLine(stderr, "zemrik-cli: note: the debug info can't be read (" + *reason + "): no types are listed");
    }
    return printText(text);
}

// Every end but a refused table has been shown by the run already.
int exitCodeAfterRun(const RunEnd& end, const TableDestination& destination) {
    switch (end.outcome) {
    case RunOutcome::Delivered: return kExitSuccess;
    case RunOutcome::OutputFailed:
        printLine(stderr, "zemrik-cli: cannot write the table to " + destination.name());
        printReasonLine(stderr, end.outputFailure);
        return kExitRunFailed;
    case RunOutcome::CannotCreateResultFile:
    case RunOutcome::CannotCreateMapping:
    case RunOutcome::CannotCutResultFile:
    case RunOutcome::NoBuffer:
    case RunOutcome::ReadFailed: break;
    }
    return kExitRunFailed;
}

// How much of standard input a run needs: all of it for an image (--rva,
// --va, --symbol, the listings) or a table that runs to the end; else only up
// to the table's end, so that an endless stream still ends the run.
struct InputNeed {
    std::uint64_t limit;
    platform::PastLimit pastLimit;
};

InputNeed standardInputNeed(const CliOptions& options) {
    constexpr InputNeed kWhole{kStandardInputLimit, platform::PastLimit::Refuse};
    const bool readsImage = options.rva || options.virtualAddress || options.symbol || options.listSections ||
                            options.listSymbols || options.provenance;
    if (readsImage) return kWhole;
    const std::optional<std::uint32_t> address = convertHexField(addressField(options));
    const std::optional<std::uint32_t> size = convertHexField(options.tableSize);
    if (!address || !size || *size == 0) return kWhole;
    return {std::uint64_t{*address} + *size, platform::PastLimit::Ignore};
}

// -o naming the input file, by whatever path or link (standard input
// redirected from it too), would put the table in place of the file it is
// read from: refused, and said, before anything is written.
bool outputReplacesInput(const CliOptions& options, const platform::File& input) {
    const auto inputIdentity = input.identity();
    const auto outputIdentity = platform::File::identityAt(options.outputPath);
    if (!inputIdentity || !outputIdentity || !(*inputIdentity == *outputIdentity)) return false;
    const std::string inputName = options.path == kStandardInputPath ? "- (standard input)" : options.path;
    printLine(stderr, "zemrik-cli: -o " + options.outputPath + " is the input file " + inputName +
                          ": the table would take the place of its input");
    return true;
}

// FILE "-": standard input (a pipe too) read into memory, so that the
// request's checks, --rva and the walks see a file of that length.
Expected<platform::File, int> readStandardInput(const CliOptions& options, const InputNeed& need) {
    using Result = Expected<platform::File, int>;
    const std::string path(kStandardInputPath);
    auto input = platform::File::duplicateStandardInput();
    if (!input) {
        std::fprintf(stderr, "%s\n", messages::kCannotOpenFile);
        printReasonLine(stderr, {path, input.error()});
        return Result::failure(kExitRefused);
    }
    if (outputReplacesInput(options, *input)) return Result::failure(kExitRefused);
    auto copy = platform::copyIntoAnonymousFile(*input, need.limit, need.pastLimit);
    if (copy) return std::move(*copy);
    if (copy.error().kind == platform::InputCopyFailure::Kind::TooLarge) {
        std::fprintf(stderr, "zemrik-cli: standard input holds more than 4 GiB: give it as a file instead\n");
    } else {
        std::fprintf(stderr, "%s\n", messages::kCannotOpenFile);
        printReasonLine(stderr, {path, copy.error().reason});
    }
    return Result::failure(kExitRefused);
}

// The input opened here, for the run to take over, unless -o names it: one
// that can't be opened is left to the run, which says why.
Expected<std::optional<platform::File>, int> openInputApartFromOutput(const CliOptions& options) {
    using Result = Expected<std::optional<platform::File>, int>;
    auto input = platform::File::openForReading(options.path);
    if (!input) return Result(std::nullopt);
    if (outputReplacesInput(options, *input)) return Result::failure(kExitRefused);
    return Result(std::move(*input));
}

StyleChoice styleChoiceOf(const CliOptions& options) {
    // A typed table prints without a style row: its size is not used.
    const ElementSize size = itemsEntryOf(options.items).value_or(ElementSize::Byte);
    return {options.language, styleColumn(size, options.decimal ? Notation::Decimal : Notation::Hex),
            options.lineEnd,  options.types,
            options.name,     options.constness,
            options.length};
}

// --embed without --embed-path prints the file's absolute path: a compiler
// resolves a relative one against the including file's folder. Refused when
// the system can't give it or the language can't write it.
Expected<CliOptions, int> withEmbedPath(CliOptions options) {
    using Result = Expected<CliOptions, int>;
    if (options.byteForm != forms::ByteForm::Embed || !options.embedPath.empty()) return options;
    const auto absolute = platform::File::absolutePath(options.path);
    if (!absolute) {
        printLine(stderr, "zemrik-cli: --embed: cannot find the absolute path of " + options.path);
        printReasonLine(stderr, {options.path, absolute.error()});
        return Result::failure(kExitRefused);
    }
    if (const auto declaration = forms::embedDeclaration(languageRow(options.language), {.path = *absolute});
        !declaration) {
        printLine(stderr, "zemrik-cli: --embed: " + declaration.error() + ": give --embed-path PATH");
        return Result::failure(kExitRefused);
    }
    options.embedPath = *absolute;
    return options;
}

// One table's run, its text going to `destination`.
int runTable(const CliOptions& asGiven, std::optional<platform::File> input, SizeDefault sizeDefault,
             TableDestination& destination) {
    const auto embedded = withEmbedPath(asGiven);
    if (!embedded) return embedded.error();
    const CliOptions& options = *embedded;
    if (!input && !options.outputPath.empty()) {
        auto opened = openInputApartFromOutput(options);
        if (!opened) return opened.error();
        input = std::move(*opened);
    }
    CliRequestSource source(options, stderr, std::move(input), styleChoiceOf(options), sizeDefault);
    CliRunHost host({stderr, isTerminal(stderr)}, {.dumpToFile = options.dumpToFile, .bigEndian = options.bigEndian},
                    destination);
    RunState state;
    const WaitedRun run = runToEnd(state, source, host);
    switch (run.start) {
    case StartOutcome::Refused: return kExitRefused;
    case StartOutcome::Ignored:
    case StartOutcome::CouldNotStart: return kExitRunFailed;
    case StartOutcome::Started: break;
    }
    host.clearProgress();
    return exitCodeAfterRun(*run.end, destination);
}

// The file the tables come from, hashed once for --provenance's comments.
Expected<FileDigest, int> digestInput(const CliOptions& options, std::optional<platform::File>& input) {
    const std::string name = inputName(options);
    std::optional<platform::File> opened;
    if (!input) {
        auto file = platform::File::openForReading(options.path);
        if (!file) {
            reportRefusal("cannot open " + options.path + ": " + file.error().describe());
            return Expected<FileDigest, int>::failure(kExitRefused);
        }
        opened = std::move(*file);
    }
    auto digest = digestFile(input ? *input : *opened, name);
    if (!digest) {
        reportRefusal(digest.error());
        return Expected<FileDigest, int>::failure(kExitRefused);
    }
    return std::move(*digest);
}

// --provenance's comment for one table, its place as resolved.
std::string provenanceOf(const CliOptions& table, const FileDigest& digest) {
    TablePlace place;
    place.section = table.section;
    place.virtualAddress = table.tableVirtualAddress;
    place.fileOffset = convertHexField(addressField(table)).value_or(0);
    const std::optional<std::uint32_t> size = convertHexField(table.tableSize);
    place.size = size ? *size : (digest.length > place.fileOffset ? digest.length - place.fileOffset : 0);
    return provenanceComment(table.language, inputName(table), digest, place, lineBreakOf(table.lineEnd));
}

// The tables one after another in one output, each run in turn; the first
// that fails ends the output.
int runTables(const std::vector<CliOptions>& tables, std::optional<platform::File> input, SizeDefault sizeDefault) {
    const CliOptions& options = tables.front();
    for (const CliOptions& table : tables) {
        for (const std::string& note : table.notes) printLine(stderr, "zemrik-cli: note: " + note);
    }
    std::optional<FileDigest> digest;
    if (options.provenance) {
        auto digested = digestInput(options, input);
        if (!digested) return digested.error();
        digest = std::move(*digested);
    }
    const std::string_view finalLineBreak = options.lineEnd == LineEnd::Lf ? "\n" : "";
    StandardOutputDestination standardOutput(finalLineBreak);
    std::optional<ReplacedFileDestination> outputFile;
    if (!options.outputPath.empty()) outputFile.emplace(options.outputPath, finalLineBreak);
    TableDestination& destination = outputFile ? static_cast<TableDestination&>(*outputFile) : standardOutput;
    if (tables.size() == 1 && !digest) return runTable(options, std::move(input), sizeDefault, destination);
    for (std::size_t k = 0; k < tables.size(); ++k) {
        const std::string preamble = digest ? provenanceOf(tables[k], *digest) : std::string();
        TableSequencePart part(destination, k, tables.size(), preamble, lineBreakOf(options.lineEnd));
        std::optional<platform::File> tableInput;
        if (k == 0) tableInput = std::move(input);
        const int code = runTable(tables[k], std::move(tableInput), sizeDefault, part);
        if (code == kExitSuccess) continue;
        // A later table refused before it started leaves the earlier ones written.
        if (k != 0) destination.discard();
        return code;
    }
    return kExitSuccess;
}

// Every --symbol, or every data symbol --match matches, resolved in the image
// before any is printed; a record type is declared by the first table of it.
Expected<std::vector<CliOptions>, int> resolveSeveral(const CliOptions& options) {
    using Result = Expected<std::vector<CliOptions>, int>;
    const auto loaded = loadTypedImage(options, nullptr, image::SymbolReading::Read);
    if (!loaded) return Result::failure(reportRefusal(loaded.error()));
    std::vector<std::string> names = options.symbols;
    if (options.match && !options.listSymbols) {
        names = matchedSymbolNames(loaded->image, options);
        if (names.empty()) {
            return Result::failure(reportRefusal("no data symbol matches '" + *options.match + "' in " + options.path +
                                                 "; --list-symbols lists them"));
        }
    }
    std::vector<CliOptions> tables;
    std::vector<std::string> declaredRecords;
    for (const std::string& name : names) {
        CliOptions one = options;
        one.symbol = name;
        one.match.reset();
        auto resolved = resolveImageAddress(one, loaded->image, &loaded->types);
        if (!resolved) return Result::failure(reportRefusal(resolved.error()));
        if (resolved->name.empty()) nameAfter(name, *resolved);
        // One output can't declare one name twice.
        const auto same = std::find_if(tables.begin(), tables.end(),
                                       [&](const CliOptions& table) { return table.name == resolved->name; });
        if (same != tables.end()) {
            return Result::failure(
                reportRefusal("two of the tables would be declared as " + resolved->name + ": ask for each once"));
        }
        if (auto& shape = resolved->debugShape; shape && shape->record && !shape->recordName.empty()) {
            const bool declared =
                std::find(declaredRecords.begin(), declaredRecords.end(), shape->recordName) != declaredRecords.end();
            shape->recordDeclared = declared;
            if (!declared) declaredRecords.push_back(shape->recordName);
        }
        tables.push_back(std::move(*resolved));
    }
    return tables;
}

}  // namespace

int runCli(const std::vector<std::string_view>& arguments) {
    const auto command = parseCommandLine(arguments);
    if (!command) return reportUsageErrors(command.error());
    switch (command.value().kind) {
    case CommandKind::Help: return printText(helpText());
    case CommandKind::Version: return printText(versionText());
    case CommandKind::Run: break;
    }
    const CliOptions& options = command.value().options;
    std::optional<platform::File> input;
    if (options.path == kStandardInputPath) {
        auto read = readStandardInput(options, standardInputNeed(options));
        if (!read) return read.error();
        input = std::move(*read);
    }
    const platform::File* openInput = input ? &*input : nullptr;
    if (options.listSections || options.listSymbols) return listImage(options, openInput);
    if (asksSeveralTables(options)) {
        const auto tables = resolveSeveral(options);
        if (!tables) return tables.error();
        return runTables(*tables, std::move(input), SizeDefault::None);
    }
    if (options.virtualAddress || options.symbol) {
        const auto resolved = resolveImageAddress(options, openInput);
        if (!resolved) return reportRefusal(resolved.error());
        return runTables({*resolved}, std::move(input), SizeDefault::None);
    }
    return runTables({options}, std::move(input), SizeDefault::ToEndOfFile);
}

}  // namespace zemrik::cli
