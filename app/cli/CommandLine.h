#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/Expected.h"

namespace zemrik::cli {

// The dialog's fields and choices as given on the command line. The number
// fields keep the text typed, unchanged: an option left out is an empty field,
// so the run's own checks report it.
struct CliOptions {
    std::string path;
    std::string address;
    std::string tableSize;
    std::string itemsPerLine;
    int itemsSelection = 1;     // "Words"
    int languageSelection = 1;  // "ASM"
    bool rva = false;
    bool bigEndian = false;
    bool decimal = false;
    bool dumpToFile = false;
};

enum class CommandKind { Run, Help };

struct Command {
    CommandKind kind = CommandKind::Run;
    CliOptions options;
};

// The arguments after the program name. A usage error comes back as its
// message, without the program name.
Expected<Command, std::string> parseCommandLine(const std::vector<std::string_view>& arguments);

// The --help text.
std::string_view helpText();
// What follows a usage error's message.
std::string_view shortUsageText();

}  // namespace zemrik::cli
