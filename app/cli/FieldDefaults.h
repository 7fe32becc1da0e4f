// What zemrik-cli puts in a number field left out on the command line: the
// address 0, the table running to the end of the file, 16 bytes' worth of
// items on a line. A virtual address (--rva) has no default, nor has the size
// of a table found by it: those fields stay empty and the run refuses them.
// The size of a table found by --va or --symbol is the image query's to give.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/cli/CommandLine.h"
#include "core/OutputStyle.h"

namespace zemrik::cli {

// The bytes one line holds when -n is left out.
inline constexpr std::uint32_t kDefaultLineBytes = 16;
// The bytes one line of --string-literal holds when -n is left out: long
// lines read fast, and still fit an editor's window.
inline constexpr std::uint32_t kDefaultLiteralLineBytes = 64;

// Whether a size left out runs to the end of the file: for an address given
// as a file offset, not for one an image query resolved (--va, --symbol),
// whose size is the query's to give.
enum class SizeDefault { ToEndOfFile, None };

// The width in bytes of the elements printed: what -i says, a byte for Data Str.
std::uint32_t printedElementWidth(const CliOptions& options);
// The width of the elements the request's divisibility check uses: what -i says.
std::uint32_t selectedElementWidth(const CliOptions& options);

// The Address field: as typed, else "0" (nothing with --rva).
std::string addressField(const CliOptions& options);
// The Size field: as typed, else from the address to the end of a file of
// `fileSize` bytes in hex ("0" when the address is at or past it; nothing
// with --rva or SizeDefault::None).
std::string tableSizeField(const CliOptions& options, SizeDefault rule, std::uint32_t fileSize);
// Whether tableSizeField fills the field in rather than passing -s on.
bool tableSizeDefaults(const CliOptions& options, SizeDefault rule);
// The items-per-line field: as typed, else kDefaultLineBytes' worth of
// elements (with --dims, the most of those that divide the innermost extent),
// one record, or kDefaultLiteralLineBytes with --string-literal.
std::string itemsPerLineField(const CliOptions& options);

}  // namespace zemrik::cli
