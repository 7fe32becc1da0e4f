#include "app/cli/CommandLine.h"

#include <array>
#include <optional>

namespace zemrik::cli {
namespace {

enum class OptionId { Address, TableSize, Items, Language, ItemsPerLine, Rva, BigEndian, Decimal, DumpToFile, Help };

struct OptionEntry {
    std::string_view longName;
    char shortName;  // '\0' when the option has only its long form
    bool takesValue;
    OptionId id;
};

constexpr std::array<OptionEntry, 10> kOptions{{
    {"address", 'a', true, OptionId::Address},
    {"size", 's', true, OptionId::TableSize},
    {"items", 'i', true, OptionId::Items},
    {"language", 'l', true, OptionId::Language},
    {"per-line", 'n', true, OptionId::ItemsPerLine},
    {"rva", '\0', false, OptionId::Rva},
    {"big-endian", '\0', false, OptionId::BigEndian},
    {"decimal", '\0', false, OptionId::Decimal},
    {"dump-to-file", '\0', false, OptionId::DumpToFile},
    {"help", 'h', false, OptionId::Help},
}};

// The list entries in the dialog's order: the position is the selection index.
constexpr std::array<std::string_view, 3> kItemsNames{"bytes", "words", "dwords"};
constexpr std::array<std::string_view, 4> kLanguageNames{"c", "asm", "delphi", "datastr"};

using ParseResult = Expected<Command, std::string>;

template <std::size_t N>
std::optional<int> indexOfName(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t index = 0; index < N; ++index) {
        if (names[index] == name) return static_cast<int>(index);
    }
    return std::nullopt;
}

// Appends rather than adds strings: GCC 12 warns falsely (-Wrestrict) about
// "'" + std::string(...) once it is inlined.
std::string quoted(std::string_view text) {
    std::string result(1, '\'');
    result.append(text);
    result.push_back('\'');
    return result;
}

// Returns the usage error, if any, of giving the option this value.
std::optional<std::string> applyValue(OptionId id, std::string_view value, CliOptions& options) {
    switch (id) {
    case OptionId::Address: options.address = value; break;
    case OptionId::TableSize: options.tableSize = value; break;
    case OptionId::ItemsPerLine: options.itemsPerLine = value; break;
    case OptionId::Items: {
        const std::optional<int> index = indexOfName(kItemsNames, value);
        if (!index) return "invalid items " + quoted(value) + " (choose bytes, words or dwords)";
        options.itemsSelection = *index;
        break;
    }
    case OptionId::Language: {
        const std::optional<int> index = indexOfName(kLanguageNames, value);
        if (!index) return "invalid language " + quoted(value) + " (choose c, asm, delphi or datastr)";
        options.languageSelection = *index;
        break;
    }
    default: break;
    }
    return std::nullopt;
}

void applyFlag(OptionId id, CliOptions& options) {
    switch (id) {
    case OptionId::Rva: options.rva = true; break;
    case OptionId::BigEndian: options.bigEndian = true; break;
    case OptionId::Decimal: options.decimal = true; break;
    case OptionId::DumpToFile: options.dumpToFile = true; break;
    default: break;
    }
}

using LongOptionLookup = Expected<const OptionEntry*, std::string>;

// An exact name wins; otherwise an unambiguous prefix names the option, as
// with getopt_long. `argument` is the whole text after "--", for the message.
LongOptionLookup findLongOption(std::string_view name, std::string_view argument) {
    std::vector<const OptionEntry*> matches;
    for (const OptionEntry& entry : kOptions) {
        if (entry.longName == name) return &entry;
        if (entry.longName.starts_with(name)) matches.push_back(&entry);
    }
    if (matches.size() == 1) return matches.front();
    if (matches.empty()) return LongOptionLookup::failure("unrecognized option '--" + std::string(argument) + "'");
    std::string message = "option '--" + std::string(name) + "' is ambiguous; possibilities:";
    for (const OptionEntry* entry : matches) message += " '--" + std::string(entry->longName) + "'";
    return LongOptionLookup::failure(message);
}

const OptionEntry* findShortOption(char name) {
    for (const OptionEntry& entry : kOptions) {
        if (entry.shortName != '\0' && entry.shortName == name) return &entry;
    }
    return nullptr;
}

// Walks the arguments once. Options and operands may come in any order; a
// value is taken as it stands even when it begins with '-'.
class Parser {
public:
    explicit Parser(const std::vector<std::string_view>& arguments) : arguments_(arguments) {}

    ParseResult parse() {
        bool optionsEnded = false;
        for (next_ = 0; next_ < arguments_.size();) {
            const std::string_view argument = arguments_[next_++];
            if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                operands_.push_back(argument);
            } else if (argument == "--") {
                optionsEnded = true;
            } else {
                const std::optional<std::string> error =
                    argument[1] == '-' ? parseLong(argument.substr(2)) : parseShortGroup(argument.substr(1));
                if (error) return ParseResult::failure(*error);
                if (helpRequested_) return Command{CommandKind::Help, {}};
            }
        }
        return finish();
    }

private:
    std::optional<std::string> parseLong(std::string_view body) {
        const std::size_t equals = body.find('=');
        const std::string_view name = body.substr(0, equals);
        const auto found = findLongOption(name, body);
        if (!found) return found.error();
        const OptionEntry& entry = **found;
        const std::string shownName = "'--" + std::string(entry.longName) + "'";
        if (!entry.takesValue) {
            if (equals != std::string_view::npos) return "option " + shownName + " doesn't allow an argument";
            take(entry);
            return std::nullopt;
        }
        if (equals != std::string_view::npos) return applyValue(entry.id, body.substr(equals + 1), command_.options);
        if (next_ == arguments_.size()) return "option " + shownName + " requires an argument";
        return applyValue(entry.id, arguments_[next_++], command_.options);
    }

    // "-s40", "-s 40", and flags grouped as in "-h".
    std::optional<std::string> parseShortGroup(std::string_view group) {
        for (std::size_t position = 0; position < group.size(); ++position) {
            const OptionEntry* entry = findShortOption(group[position]);
            if (entry == nullptr) return "invalid option -- '" + std::string(1, group[position]) + "'";
            if (!entry->takesValue) {
                take(*entry);
                if (helpRequested_) return std::nullopt;
                continue;
            }
            const std::string_view attached = group.substr(position + 1);
            if (!attached.empty()) return applyValue(entry->id, attached, command_.options);
            if (next_ == arguments_.size()) {
                return "option requires an argument -- '" + std::string(1, entry->shortName) + "'";
            }
            return applyValue(entry->id, arguments_[next_++], command_.options);
        }
        return std::nullopt;
    }

    void take(const OptionEntry& flag) {
        if (flag.id == OptionId::Help) {
            helpRequested_ = true;
        } else {
            applyFlag(flag.id, command_.options);
        }
    }

    ParseResult finish() {
        if (operands_.empty()) return ParseResult::failure("missing FILE");
        if (operands_.size() > 1) return ParseResult::failure("extra operand " + quoted(operands_[1]));
        command_.options.path = operands_.front();
        return command_;
    }

    const std::vector<std::string_view>& arguments_;
    std::size_t next_ = 0;
    std::vector<std::string_view> operands_;
    bool helpRequested_ = false;
    Command command_;
};

}  // namespace

Expected<Command, std::string> parseCommandLine(const std::vector<std::string_view>& arguments) {
    return Parser(arguments).parse();
}

std::string_view helpText() {
    return "Usage: zemrik-cli [options] FILE\n"
           "Print a table of numbers found in FILE as C, ASM, Delphi or Data Str source text.\n"
           "\n"
           "  -a, --address HEX    where the table starts: a file offset, or with --rva\n"
           "                       a virtual address inside a PE32 image\n"
           "  -s, --size HEX       size of the table in bytes\n"
           "  -i, --items KIND     bytes, words or dwords (default: words)\n"
           "  -l, --language LANG  c, asm, delphi or datastr (default: asm)\n"
           "  -n, --per-line DEC   number of items on a line (1 to 255)\n"
           "      --rva            read the address as a virtual address\n"
           "      --big-endian     read words and dwords as big-endian; with datastr,\n"
           "                       print the bytes last to first\n"
           "      --decimal        print the values in decimal\n"
           "      --dump-to-file   write the table to result.txt in the current directory\n"
           "  -h, --help           show this help and exit\n"
           "\n"
           "Exit status: 0 table printed, 1 request refused, 2 run failed, 64 usage error.\n";
}

std::string_view shortUsageText() {
    return "Usage: zemrik-cli [options] FILE\n"
           "Try 'zemrik-cli --help' for more information.\n";
}

}  // namespace zemrik::cli
