#include "app/cli/Console.h"

#include "platform/StandardStream.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zemrik::cli {

void printReasonLine(std::FILE* stream, const FileFailure& failure) {
    printLine(stream, "zemrik-cli: " + failure.path + ": " + failure.reason.describe());
}

void printLine(std::FILE* stream, const std::string& line) { platform::writeText(stream, line + "\n"); }

#ifdef _WIN32

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

#else

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

#endif

}  // namespace zemrik::cli
