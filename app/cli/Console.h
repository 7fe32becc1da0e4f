#pragma once

#include <cstdio>

#include "run/FileFailure.h"

namespace zemrik::cli {

// Writes reach the stream byte for byte: a table's CR LF must not become
// CR CR LF on Windows.
void setBinaryMode(std::FILE* stream);
bool isTerminal(std::FILE* stream);

// The line after a message about a file: "zemrik-cli: PATH: <the system's reason>".
void printReasonLine(std::FILE* stream, const FileFailure& failure);

}  // namespace zemrik::cli
