#include "app/cli/Console.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zemrik::cli {

void printReasonLine(std::FILE* stream, const FileFailure& failure) {
    std::fprintf(stream, "zemrik-cli: %s: %s\n", failure.path.c_str(), failure.reason.describe().c_str());
}

#ifdef _WIN32

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

#else

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

#endif

}  // namespace zemrik::cli
