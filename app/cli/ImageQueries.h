// zemrik-cli's questions to an executable image: --va and --symbol turned into
// a file offset and size, and the --list-sections and --list-symbols listings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "app/cli/DebugTypes.h"
#include "base/Expected.h"
#include "image/ExecutableImage.h"
#include "platform/File.h"

namespace zemrik::cli {

// A refusal's message, without the program name.
using Refusal = std::string;

// Reads the image at `path`, its symbols when asked.
[[nodiscard]] Expected<image::ExecutableImage, Refusal> loadImage(const std::string& path,
                                                                  image::SymbolReading symbols);
// Reads the image in a file already open (standard input's copy), called
// `name` in messages.
[[nodiscard]] Expected<image::ExecutableImage, Refusal> loadImage(const platform::File& file, const std::string& name,
                                                                  image::SymbolReading symbols);
// Reads options.path, or `openInput` when given (FILE "-").
[[nodiscard]] Expected<image::ExecutableImage, Refusal> loadImage(const CliOptions& options,
                                                                  const platform::File* openInput,
                                                                  image::SymbolReading symbols);

// An image with its debug info, read beside its symbols.
struct TypedImage {
    image::ExecutableImage image;
    DebugTypes types;
};
[[nodiscard]] Expected<TypedImage, Refusal> loadTypedImage(const CliOptions& options, const platform::File* openInput,
                                                           image::SymbolReading symbols);

// Turns --va or --symbol into the file offset the request checks take, as
// if typed with -a; a symbol's recorded size, or for --va the rest of its
// section's file data, becomes the table size unless -s was given. Words
// are then read in the image's byte order unless one was given. A symbol
// the debug info gives a type gets that type's shape and the variable's
// name (--name wins); with -i it prints as without debug info. A type no
// table can take is refused, unless -i is given.
[[nodiscard]] Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options,
                                                                const platform::File* openInput);
[[nodiscard]] Expected<CliOptions, Refusal> resolveImageAddress(const CliOptions& options,
                                                                const image::ExecutableImage& image,
                                                                const DebugTypes* types = nullptr);

// Names the table after `variable` in a form its language can declare
// (ReservedWords.h), with a note when that changes the name.
void nameAfter(const std::string& variable, CliOptions& resolved);

// The data symbols --match matches, by address, as --list-symbols would name
// them: the tables --match prints without --list-symbols.
std::vector<std::string> matchedSymbolNames(const image::ExecutableImage& image, const CliOptions& choices);

// What --list-sections and --list-symbols print: aligned columns under a header line.
std::string sectionListing(const image::ExecutableImage& image);
// The symbols are those --match lets through, demangled with --demangle;
// a Type column when the debug info gives types.
std::string symbolListing(const image::ExecutableImage& image, const CliOptions& choices = {},
                          const DebugTypes* types = nullptr);

// Why the table's `length` bytes at `address` have no file offset, and what to do.
std::string offsetRefusalMessage(const image::OffsetRefusal& refusal, std::uint64_t address, std::uint64_t length);

}  // namespace zemrik::cli
