#pragma once

#include <cstdio>

namespace zemrik::cli {

// Writes reach the stream byte for byte: a table's CR LF must not become
// CR CR LF on Windows.
void setBinaryMode(std::FILE* stream);
bool isTerminal(std::FILE* stream);

}  // namespace zemrik::cli
