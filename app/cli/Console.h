// Lines for the user on the console: a file's failure with the system's
// reason, paths in the encoding that shows them, and whether a stream is a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "run/FileFailure.h"

namespace zemrik::cli {

bool isTerminal(std::FILE* stream);

// The line after a message about a file: "zemrik-cli: PATH: <the system's reason>".
void printReasonLine(std::FILE* stream, const FileFailure& failure);

// One line of text that may hold a path, in UTF-8, in the encoding that shows it.
void printLine(std::FILE* stream, const std::string& line);

}  // namespace zemrik::cli
