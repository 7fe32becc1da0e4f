#include "app/cli/CliApp.h"

#include <cstdio>

#include "app/cli/CliRequestSource.h"
#include "app/cli/CliRunHost.h"
#include "app/cli/CommandLine.h"
#include "app/cli/Console.h"
#include "run/RunWorker.h"

namespace zemrik::cli {
namespace {

int reportUsageError(const std::string& message) {
    std::fprintf(stderr, "zemrik-cli: %s\n", message.c_str());
    const std::string_view usage = shortUsageText();
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return kExitUsage;
}

int printHelp() {
    const std::string_view help = helpText();
    std::fwrite(help.data(), 1, help.size(), stdout);
    return kExitSuccess;
}

int exitCodeAfterRun(const CliRunHost& host) {
    switch (host.outcome()) {
    case HostOutcome::Delivered: return kExitSuccess;
    case HostOutcome::MessageShown: return kExitRunFailed;
    case HostOutcome::OutputNotWritten:
        std::fprintf(stderr, "zemrik-cli: cannot write the table to standard output\n");
        return kExitRunFailed;
    case HostOutcome::NothingDelivered:
        std::fprintf(stderr, "zemrik-cli: the run ended without a table\n");
        return kExitRunFailed;
    }
    return kExitRunFailed;
}

int runRequest(const CliOptions& options) {
    setBinaryMode(stdout);
    CliRequestSource source(options, stderr);
    CliRunHost host({stdout, stderr, isTerminal(stderr)}, options.dumpToFile, options.bigEndian);
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
    return exitCodeAfterRun(host);
}

}  // namespace

int runCli(const std::vector<std::string_view>& arguments) {
    const auto command = parseCommandLine(arguments);
    if (!command) return reportUsageError(command.error());
    if (command.value().kind == CommandKind::Help) return printHelp();
    return runRequest(command.value().options);
}

}  // namespace zemrik::cli
