#include "app/cli/Console.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zemrik::cli {

void printReasonLine(std::FILE* stream, const FileFailure& failure) {
    std::fprintf(stream, "zemrik-cli: %s: %s\n", failure.path.c_str(), failure.reason.describe().c_str());
}

#ifdef _WIN32

void setBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

#else

// POSIX streams never translate line ends.
void setBinaryMode(std::FILE*) {}

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

#endif

}  // namespace zemrik::cli
