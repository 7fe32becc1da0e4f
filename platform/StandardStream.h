// Text for the user on a standard stream, in the encoding that shows it.
#pragma once

#include <cstdio>
#include <string_view>

namespace zemrik::platform {

// Writes UTF-8 text to `stream`. A Windows console takes it as UTF-16
// (WriteConsoleW), so that any name shows whatever the console's code page;
// anything else (a file, a pipe, every POSIX stream) gets the bytes as they are.
void writeText(std::FILE* stream, std::string_view text);

}  // namespace zemrik::platform
