#pragma once

#include <cstdio>

#include "run/FileFailure.h"

namespace zemrik::cli {

bool isTerminal(std::FILE* stream);

// The line after a message about a file: "zemrik-cli: PATH: <the system's reason>".
void printReasonLine(std::FILE* stream, const FileFailure& failure);

}  // namespace zemrik::cli
