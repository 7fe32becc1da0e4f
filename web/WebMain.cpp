// The engine's entry in the web page's worker: zemrik-cli's whole program,
// called once per request with the arguments the page's controls map to, and
// what the page asks the engine before a run.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/CliApp.h"
#include "app/cli/CommandLine.h"
#include "image/ExecutableImage.h"

namespace {

// Large writes reach the page in few pieces; a terminal's line buffering
// would hand it the table one line at a time.
constexpr std::size_t kOutputBufferSize = std::size_t{1} << 16;
char outputBuffer[kOutputBufferSize];

std::string choicesText() {
    std::string text;
    for (const std::string_view name : zemrik::cli::itemsNames()) {
        if (!text.empty()) text += ' ';
        text += name;
    }
    text += '\n';
    for (const std::string_view name : zemrik::cli::languageNames()) {
        if (text.back() != '\n') text += ' ';
        text += name;
    }
    return text;
}

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

// The names the page's Items and Language lists offer, as -i and -l take
// them: the items on the first line, the languages on the second, each
// separated by a space.
extern "C" EMSCRIPTEN_KEEPALIVE const char* zemrikChoices() {
    static const std::string choices = choicesText();
    return choices.c_str();
}

// How many of a file's first bytes zemrikBeginsAsImage needs.
extern "C" EMSCRIPTEN_KEEPALIVE std::size_t zemrikImageMagicLength() { return zemrik::image::kImageMagicLength; }

// Whether the file these first bytes begin is worth copying whole to be read
// as an image: any other file the engine refuses as one by them alone.
extern "C" EMSCRIPTEN_KEEPALIVE int zemrikBeginsAsImage(const std::uint8_t* head, std::size_t length) {
    return zemrik::image::beginsAsImage(std::span<const std::uint8_t>(head, length)) ? 1 : 0;
}
