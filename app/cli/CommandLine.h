// zemrik-cli's command line: the options as parsed, the command they ask
// for, and the parser with its usage errors and help text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/CliStyle.h"
#include "app/cli/DebugTypes.h"
#include "base/Expected.h"
#include "forms/ByteForm.h"
#include "typed/ElementType.h"
#include "typed/RecordSpec.h"

namespace zemrik::cli {

// The dialog's fields and choices as given on the command line, and the
// command line's own. The number fields keep the text typed, unchanged: an
// option left out is an empty field, which the run either fills with its
// default (FieldDefaults.h) or, with --rva, refuses through its own checks.
struct CliOptions {
    std::string path;  // "-": standard input
    std::string address;
    std::string tableSize;
    std::string itemsPerLine;
    typed::ElementType items = typed::ElementType::U16;  // "Words"
    CliLanguage language = CliLanguage::Asm;
    std::string name;        // empty: the language's own
    std::string outputPath;  // -o FILE; empty: standard output
    LineEnd lineEnd = LineEnd::CrLf;
    TypeNames types = TypeNames::Classic;
    Constness constness = Constness::AsPrinted;    // --const
    LengthConstant length = LengthConstant::None;  // --length
    bool rva = false;
    bool bigEndian = false;
    bool decimal = false;
    bool dumpToFile = false;
    // The table's address taken from an executable image instead of -a.
    std::optional<std::uint64_t> virtualAddress;  // --va
    std::optional<std::string> symbol;            // --symbol: the last one given
    std::vector<std::string> symbols;             // every --symbol, in the order given
    // Print what the image holds instead of a table.
    bool listSections = false;
    bool listSymbols = false;
    // Read words from an image little-endian whatever its byte order.
    bool littleEndian = false;
    std::optional<std::string> match;  // --match: list only the symbols whose name matches
    bool demangle = false;             // show C++ names demangled; --symbol matches them too
    // --record: the table as back-to-back records, the fields' names checked
    // against the language's reserved words.
    std::optional<typed::RecordSpec> record;
    std::vector<std::uint32_t> dims;  // --dims: the extents, outermost first; empty: one dimension
    // Where a stripped image's debug info is: this file (--debug-file), or
    // searched for under this folder (--debug-dir) besides the image's own.
    std::optional<std::string> debugFile;
    std::optional<std::string> debugDirectory;
    // A byte table as one string literal, or filled from the file at build
    // time; the path --embed prints: --embed-path's, else the file's absolute
    // path, found when the run starts.
    forms::ByteForm byteForm = forms::ByteForm::Array;
    std::string embedPath;
    // Set when the image gives a symbol no size: what to say after the
    // request's refusal of the missing size.
    std::string missingSizeHint;
    // -i given: the debug info's shape then yields to it.
    bool itemsGiven = false;
    // --provenance: a comment before each declaration saying where it came from.
    bool provenance = false;
    // Where the table lies in an image (ImageQueries.h), for --provenance;
    // the section empty when none holds it, the address none in an object.
    std::string section;
    std::optional<std::uint64_t> tableVirtualAddress;
    // What the run says on standard error before the table (a name made
    // declarable).
    std::vector<std::string> notes;
    // --symbol's table as the image's debug info declares it, what the
    // command line gave winning (ImageQueries.h): the typed walk prints it.
    std::optional<DebugShape> debugShape;
};

// Whether the options ask for several tables in one output: --symbol given
// more than once, or --match without --list-symbols.
bool asksSeveralTables(const CliOptions& options);

// FILE's name for standard input.
inline constexpr std::string_view kStandardInputPath = "-";

// FILE as messages and comments name it: "standard input" for "-".
std::string inputName(const CliOptions& options);

enum class CommandKind { Run, Help, Version };

struct Command {
    CommandKind kind = CommandKind::Run;
    CliOptions options;
};

// The arguments after the program name. Usage errors come back as their
// messages, all of them, one a line, without the program name.
Expected<Command, std::string> parseCommandLine(const std::vector<std::string_view>& arguments);

// An option as the parser defines it: what --help and the man page must show.
struct OptionSynopsis {
    char shortName;  // '\0' when the option has only its long form
    std::string_view longName;
    std::string_view valueName;  // empty for a flag
};

// Every option the parser takes, in the order it lists them when a prefix is ambiguous.
std::vector<OptionSynopsis> optionSynopses();

// -i's names, one a choice, in the order its usage error lists them: what a
// front end offers.
std::vector<std::string_view> itemsNames();
// -l's choices, as its usage error lists them.
std::vector<std::string_view> languageNames();

// The --help text.
std::string_view helpText();
// What follows a usage error's message.
std::string_view shortUsageText();
// The --version text: the version the dialog's About shows.
std::string versionText();

}  // namespace zemrik::cli
