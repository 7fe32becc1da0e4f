// The engine's entry in the web page's worker: zemrik-cli's whole program,
// called once per request with the arguments the page's controls map to.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "app/cli/CliApp.h"

namespace {

// Large writes reach the page in few pieces; a terminal's line buffering
// would hand it the table one line at a time.
constexpr std::size_t kOutputBufferSize = std::size_t{1} << 16;
char outputBuffer[kOutputBufferSize];

}  // namespace

// Not main(): the module stays alive between requests, so nothing runs at exit.
extern "C" EMSCRIPTEN_KEEPALIVE int zemrikRun(int argc, char** argv) {
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    const std::vector<std::string_view> arguments(argv, argv + argc);
    const int exitCode = zemrik::cli::runCli(arguments);
    std::fflush(stdout);
    std::fflush(stderr);
    return exitCode;
}
