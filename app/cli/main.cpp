#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

#include "app/cli/CliApp.h"

int main(int argc, char** argv) {
    try {
        std::vector<std::string_view> arguments;
        for (int index = 1; index < argc; ++index) arguments.emplace_back(argv[index]);
        return zemrik::cli::runCli(arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zemrik-cli: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "zemrik-cli: unexpected failure\n");
    }
    return zemrik::cli::kExitRunFailed;
}
