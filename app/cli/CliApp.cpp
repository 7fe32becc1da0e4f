#include "app/cli/CliApp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "app/cli/CliRequestSource.h"
#include "app/cli/CliRunHost.h"
#include "app/cli/CliStyle.h"
#include "app/cli/CommandLine.h"
#include "app/cli/Console.h"
#include "app/cli/FieldDefaults.h"
#include "app/cli/ImageQueries.h"
#include "app/cli/TableDestination.h"
#include "platform/InputCopy.h"
#include "run/RunWorker.h"

namespace zemrik::cli {
namespace {

// Standard input is held in memory whole; beyond 4 GiB no table of a 32-bit
// offset and size could reach it anyway.
constexpr std::uint64_t kStandardInputLimit = std::uint64_t{1} << 32;
constexpr std::string_view kStandardInputPath = "-";

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

int listImage(const CliOptions& options) {
    const auto symbols = options.listSymbols ? image::SymbolReading::Read : image::SymbolReading::Skip;
    const auto image = loadImage(options.path, symbols);
    if (!image) return reportRefusal(image.error());
    std::string text;
    if (options.listSections) text += sectionListing(*image);
    if (options.listSections && options.listSymbols) text += '\n';
    if (options.listSymbols) text += symbolListing(*image);
    return printText(text);
}

int exitCodeAfterRun(const CliRunHost& host, const TableDestination& destination) {
    switch (host.outcome()) {
    case HostOutcome::Delivered: return kExitSuccess;
    case HostOutcome::MessageShown: return kExitRunFailed;
    case HostOutcome::OutputNotWritten:
        std::fprintf(stderr, "zemrik-cli: cannot write the table to %s\n", destination.name().c_str());
        printReasonLine(stderr, *destination.failure());
        return kExitRunFailed;
    case HostOutcome::NothingDelivered:
        std::fprintf(stderr, "zemrik-cli: the run ended without a table\n");
        return kExitRunFailed;
    }
    return kExitRunFailed;
}

// FILE "-": standard input (a pipe too) read whole into memory, so that the
// request's checks, --rva and the walks see a file of that length.
Expected<platform::File, int> readStandardInput() {
    using Result = Expected<platform::File, int>;
    const std::string path(kStandardInputPath);
    auto input = platform::File::duplicateStandardInput();
    if (!input) {
        std::fprintf(stderr, "Can't open file !\n");
        printReasonLine(stderr, {path, input.error()});
        return Result::failure(kExitRefused);
    }
    auto copy = platform::copyIntoAnonymousFile(*input, kStandardInputLimit);
    if (copy) return std::move(*copy);
    if (copy.error().kind == platform::InputCopyFailure::Kind::TooLarge) {
        std::fprintf(stderr, "zemrik-cli: standard input holds more than 4 GiB: give it as a file instead\n");
    } else {
        std::fprintf(stderr, "Can't open file !\n");
        printReasonLine(stderr, {path, copy.error().reason});
    }
    return Result::failure(kExitRefused);
}

StyleChoice styleChoiceOf(const CliOptions& options) {
    const ElementSize size = selectedElementSize(options);
    return {options.language, styleColumn(size, options.decimal ? Notation::Decimal : Notation::Hex),
            options.lineEnd,  options.types,
            options.name,     options.constness,
            options.length};
}

int runRequest(const CliOptions& options, SizeDefault sizeDefault) {
    std::optional<platform::File> input;
    if (options.path == kStandardInputPath) {
        auto read = readStandardInput();
        if (!read) return read.error();
        input = std::move(*read);
    }
    CliRequestSource source(options, stderr, std::move(input), styleChoiceOf(options), sizeDefault);
    const std::string_view finalLineBreak = options.lineEnd == LineEnd::Lf ? "\n" : "";
    StandardOutputDestination standardOutput(finalLineBreak);
    std::optional<ReplacedFileDestination> outputFile;
    if (!options.outputPath.empty()) outputFile.emplace(options.outputPath, finalLineBreak);
    TableDestination& destination = outputFile ? static_cast<TableDestination&>(*outputFile) : standardOutput;
    CliRunHost host({stderr, isTerminal(stderr)}, {.dumpToFile = options.dumpToFile, .bigEndian = options.bigEndian},
                    destination);
    RunState state;
    StartResult start = startRun(state, source, host);
    switch (start.outcome) {
    case StartOutcome::Refused: return kExitRefused;
    case StartOutcome::Ignored:
    case StartOutcome::CouldNotStart: return kExitRunFailed;
    case StartOutcome::Started: break;
    }
    if (start.worker) start.worker->join();
    host.clearProgress();
    return exitCodeAfterRun(host, destination);
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
    if (options.listSections || options.listSymbols) return listImage(options);
    if (options.virtualAddress || options.symbol) {
        const auto resolved = resolveImageAddress(options);
        if (!resolved) return reportRefusal(resolved.error());
        return runRequest(*resolved, SizeDefault::None);
    }
    return runRequest(options, SizeDefault::ToEndOfFile);
}

}  // namespace zemrik::cli
