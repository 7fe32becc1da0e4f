#pragma once

#include <cstdint>
#include <string>

#include "app/cli/CommandLine.h"
#include "core/Expected.h"
#include "image/ExecutableImage.h"

namespace zemrik::cli {

// A refusal's message, without the program name.
using Refusal = std::string;

// Reads the image at `path`, its symbols when asked.
[[nodiscard]] Expected<image::ExecutableImage, Refusal> loadImage(const std::string& path,
                                                                  image::SymbolReading symbols);

// Turns --va or --symbol into the file offset the request checks take, as
// if typed with -a; a symbol's recorded size becomes the table size unless
// -s was given.
[[nodiscard]] Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options);
[[nodiscard]] Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options,
                                                                const image::ExecutableImage& image);

// What --list-sections and --list-symbols print: aligned columns under a header line.
std::string sectionListing(const image::ExecutableImage& image);
std::string symbolListing(const image::ExecutableImage& image);

// Why the table's `length` bytes at `address` have no file offset, and what to do.
std::string offsetRefusalMessage(const image::OffsetRefusal& refusal, std::uint64_t address, std::uint64_t length);

}  // namespace zemrik::cli
