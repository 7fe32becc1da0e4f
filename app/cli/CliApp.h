// zemrik-cli as a function: the arguments in, the exit code out, and the exit
// codes it answers with; main() only converts the arguments.
#pragma once

#include <string_view>
#include <vector>

namespace zemrik::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitRefused = 1,    // the request's checks refused it
    kExitRunFailed = 2,  // the run started but delivered no table
    kExitUsage = 64,     // as sysexits' EX_USAGE
};

// The whole program: the arguments after its name in, the exit code out.
int runCli(const std::vector<std::string_view>& arguments);

}  // namespace zemrik::cli
