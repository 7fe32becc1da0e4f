// Prints a file's bytes as one typed table, for typed_output_compiles.py to
// hand to the real compilers: LANGUAGE TYPE hex|dec le|be NAME FILE
// [fixed|classic [RECORD|- [DIMS]]], fixed for --fixed-types' names, RECORD
// and DIMS as --record and --dims take them.
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "typed/TypedWalk.h"

int main(int argc, char** argv) {
    using namespace zemrik::typed;
    if (argc < 7 || argc > 10) return 64;
    const LanguageRow* row = findLanguageRow(argv[1]);
    const auto type = parseElementType(argv[2]);
    std::FILE* file = std::fopen(argv[6], "rb");
    if (row == nullptr || !type || file == nullptr) return 64;
    std::vector<std::uint8_t> bytes;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fclose(file);
    TypedOptions options;
    options.type = *type;
    options.notation = std::string_view(argv[3]) == "dec" ? zemrik::Notation::Decimal : zemrik::Notation::Hex;
    options.order = std::string_view(argv[4]) == "be" ? zemrik::ByteOrder::BigEndian : zemrik::ByteOrder::LittleEndian;
    options.declaration.name = argv[5];
    if (argc > 7 && std::string_view(argv[7]) == "fixed") options.declaration.naming = TypeNaming::Fixed;
    options.itemsPerLine = 4;
    options.declaration.lineBreaks = LineBreaks::Lf;
    options.tableSize = static_cast<std::uint32_t>(bytes.size());
    std::optional<RecordSpec> record;
    if (argc > 8 && std::string_view(argv[8]) != "-") {
        auto parsed = parseRecordSpec(argv[8]);
        if (!parsed) return std::fprintf(stderr, "%s\n", parsed.error().c_str()), 64;
        record = std::move(*parsed);
        options.record = &*record;
    }
    std::vector<std::uint32_t> dims;
    if (argc > 9) {
        auto parsed = parseDims(argv[9]);
        if (!parsed) return std::fprintf(stderr, "%s\n", parsed.error().c_str()), 64;
        dims = std::move(*parsed);
        options.dims = dims;
    }
    if (const auto fits = checkTypedOptions(*row, options); !fits) {
        std::fprintf(stderr, "%s\n", fits.error().c_str());
        return 64;
    }
    const std::string text = TypedTable(*row, options).print(bytes);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
