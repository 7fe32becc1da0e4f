// Shapes read from the debug info real compilers write: one C source built by
// gcc and clang, DWARF 4 and 5, compressed, 32- and 64-bit, either byte
// order; refusals; and images cut short or garbled.
#include <gelf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "debuginfo/DebugInfo.h"

namespace zemrik::debuginfo {
namespace {

// Layouts chosen to be the same on i386 and x86_64, pointers aside.
constexpr const char* kSource = R"(#include <stdint.h>
typedef uint32_t crc_row[256];
const crc_row crc8[8] = {{1}};
signed char sc[4] = {-1};
char plain[5] = "abcd";
_Bool flags[3] = {1};
unsigned char uc[2];
float sine[16] = {0.5f};
double coef[2] = {1.0};
long longs[3] = {-1};
unsigned long long ull[2];
short deltas[7];
enum color { RED, GREEN = 300 } colors[4];
enum sign { NEG = -1, POS = 1 } signs[2];
const char* names[3] = {"a"};
volatile const int16_t cv[2][3][4];
int single = 5;
struct op { uint16_t id; uint32_t offset; float scale; };
const struct op ops[64] = {{1, 2, 3.0f}};
typedef struct { uint8_t tag; uint16_t pair[2][3]; } anon_t;
anon_t anons[2];
typedef struct { uint8_t a; } pair_t[2];
pair_t pairs[3];
struct point { int16_t x, y; };
struct outer { uint8_t kind; struct point inner; struct { uint32_t a; }; uint32_t d; } outers[3];
union number { int i; float f; } un[2];
struct bits { uint8_t lead; unsigned flag : 3; } bf[2];
struct holds { int x; union { int i; float f; } v; } hu[1];
struct points { struct point pts[2]; } ps[1];
long double ld[2];
__thread int tls[2];
struct flex { uint32_t n; uint8_t data[]; } fx;
struct empty {} none[2];
extern const uint16_t defined_later[];
const uint16_t* use_it(void) { return defined_later; }
int main(void) { return 0; }
)";
// A second unit defines what the first only declares.
constexpr const char* kOtherUnit = "#include <stdint.h>\nconst uint16_t defined_later[5] = {1};\n";

struct Build {
    const char* name;
    const char* command;    // {out} and {src} are filled in
    const char* pointer;    // how a pointer (and long) reads there
    const char* plainChar;  // char's signedness is the target's
};

// Big-endian images come from clang's PowerPC targets, linked by lld
// without a C library.
constexpr Build kBuilds[] = {
    {"gcc_dwarf5", "gcc -g -o {out} {src}", "uint64_t", "int8_t"},
    {"gcc_dwarf4", "gcc -gdwarf-4 -o {out} {src}", "uint64_t", "int8_t"},
    {"gcc_zlib", "gcc -g -gz=zlib -o {out} {src}", "uint64_t", "int8_t"},
    {"clang_dwarf5", "clang -g -o {out} {src}", "uint64_t", "int8_t"},
    {"clang_dwarf4", "clang -gdwarf-4 -o {out} {src}", "uint64_t", "int8_t"},
    {"gcc_m32", "gcc -m32 -g -o {out} {src}", "uint32_t", "int8_t"},
    {"clang_ppc64_big_endian",
     "clang --target=powerpc64-linux-gnu -ffreestanding -g -fuse-ld=lld -nostdlib -shared -o {out} {src}", "uint64_t",
     "uint8_t"},
    {"clang_ppc32_big_endian",
     "clang --target=powerpc-linux-gnu -ffreestanding -g -fuse-ld=lld -nostdlib -shared -o {out} {src}", "uint32_t",
     "uint8_t"},
};

std::string replaced(std::string text, const std::string& key, const std::string& value) {
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SourceFile {
    const char* name;
    const char* text;
};

constexpr SourceFile kUnits[] = {{"tables.c", kSource}, {"other.c", kOtherUnit}};

// The image the command ({out}, {src}) builds from the sources, or empty when
// the compiler can't (no multilib).
std::vector<std::uint8_t> compiled(const std::string& name, const char* command,
                                   std::span<const SourceFile> sources = kUnits) {
    const auto dir = std::filesystem::temp_directory_path() / ("zemrik_debuginfo_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string src;
    for (const auto& [file, text] : sources) {
        std::ofstream(dir / file) << text;
        src += (dir / file).string() + " ";
    }
    const auto out = dir / name;
    const std::string line = replaced(replaced(command, "{out}", out.string()), "{src}", src) + " 2>/dev/null";
    std::vector<std::uint8_t> bytes;
    if (std::system(line.c_str()) == 0) bytes = readBytes(out);
    std::filesystem::remove_all(dir);
    return bytes;
}

// Each defined symbol's size, by its name, from binutils' nm: the bytes the
// shape read must cover.
std::map<std::string, std::uint64_t> symbolSizes(const std::vector<std::uint8_t>& image) {
    const auto path = std::filesystem::temp_directory_path() / ("zemrik_debuginfo_nm_" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::map<std::string, std::uint64_t> sizes;
    if (FILE* nm = ::popen(("nm -S --defined-only " + path.string()).c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, nm) != nullptr) {
            unsigned long long address = 0, size = 0;
            char kind = 0;
            char name[256] = {};
            if (std::sscanf(line, "%llx %llx %c %255s", &address, &size, &kind, name) == 4) sizes[name] = size;
        }
        ::pclose(nm);
    }
    std::filesystem::remove(path);
    return sizes;
}

struct SectionPlace {
    std::uint64_t offset = 0;  // the section's bytes in the file
    std::uint64_t size = 0;
    std::uint64_t flags = 0;
    std::uint64_t sizeField = 0;  // where its header's sh_size lies (64-bit ELF)
};

SectionPlace sectionOf(std::vector<std::uint8_t> image, const char* wanted) {
    elf_version(EV_CURRENT);
    Elf* elf = elf_memory(reinterpret_cast<char*>(image.data()), image.size());
    GElf_Ehdr file;
    std::size_t names = 0;
    SectionPlace place;
    if (elf == nullptr || gelf_getehdr(elf, &file) == nullptr || elf_getshdrstrndx(elf, &names) != 0) return place;
    for (Elf_Scn* section = elf_nextscn(elf, nullptr); section != nullptr; section = elf_nextscn(elf, section)) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) != nullptr &&
            std::string(elf_strptr(elf, names, header.sh_name)) == wanted) {
            place = {header.sh_offset, header.sh_size, header.sh_flags,
                     file.e_shoff + elf_ndxscn(section) * std::uint64_t{file.e_shentsize} + 32};
        }
    }
    elf_end(elf);
    return place;
}

// A record as text: "struct op/12: id u16@0, offset u32@4, scale f32@8".
std::string described(const TableShape& shape) {
    std::string text = cSpelling(shape);
    if (const auto* record = std::get_if<Record>(&shape.element)) {
        text += " /" + std::to_string(record->size) + ":";
        for (const auto& field : record->fields) {
            text +=
                " " + field.name + " " + std::string(typed::typeName(field.type)) + "@" + std::to_string(field.offset);
            for (const auto bound : field.dims) text += "[" + std::to_string(bound) + "]";
        }
    }
    return text;
}

struct Case {
    const char* variable;
    const char* shape;  // {ptr}: the pointer's integer type
};

constexpr Case kShapes[] = {
    {"crc8", "uint32_t[8][256]"},
    {"sc", "int8_t[4]"},
    {"plain", "{char}[5]"},
    {"flags", "uint8_t[3]"},
    {"uc", "uint8_t[2]"},
    {"sine", "float[16]"},
    {"coef", "double[2]"},
    {"ull", "uint64_t[2]"},
    {"deltas", "int16_t[7]"},
    {"colors", "uint32_t[4]"},
    {"signs", "int32_t[2]"},
    {"names", "{ptr}[3]"},
    {"longs", "{long}[3]"},
    {"cv", "int16_t[2][3][4]"},
    {"single", "int32_t"},
    {"ops", "struct op[64] /12: id u16@0 offset u32@4 scale f32@8"},
    {"anons", "anon_t[2] /14: tag u8@0 pair u16@2[2][3]"},
    {"pairs", "struct {...}[3][2] /1: a u8@0"},  // pair_t names the array, not the structure
    {"outers", "struct outer[3] /16: kind u8@0 inner_x i16@2 inner_y i16@4 a u32@8 d u32@12"},
    {"defined_later", "uint16_t[5]"},  // the definition's bound, not the declaration's open one
};

constexpr Case kRefusals[] = {
    {"un", "un is a union"},
    {"bf", "bf: member flag is a bit-field"},
    {"hu", "hu: member v is a union"},
    {"ps", "ps: member pts is an array of structures"},
    {"ld", "ld is of type long double ("},
    {"tls", "tls is not at a fixed address (thread-local, in a register or computed)"},
    {"fx", "fx: member data is a flexible array"},
    {"none", "none is a structure of size 0"},
    {"use_it", "no variable use_it in the debug info"},
};

class RealBuild : public testing::TestWithParam<Build> {};

TEST_P(RealBuild, ReadsEachShapeAndRefusesTheRest) {
    const auto image = compiled(GetParam().name, GetParam().command);
    if (image.empty()) GTEST_SKIP() << "cannot build: " << GetParam().command;
    auto info = DebugInfo::open(image);
    ASSERT_TRUE(info) << info.error().reason;
    const std::string pointer = GetParam().pointer;
    const auto sizes = symbolSizes(image);
    for (const auto& [variable, expected] : kShapes) {
        auto shape = info->shapeOf(variable);
        ASSERT_TRUE(shape) << variable << ": " << shape.error().reason;
        std::string want = replaced(replaced(expected, "{ptr}", pointer), "{char}", GetParam().plainChar);
        EXPECT_EQ(described(*shape), replaced(want, "{long}", pointer == "uint64_t" ? "int64_t" : "int32_t"));
        EXPECT_EQ(shape->name, variable);
        std::uint64_t bytes = elementSize(*shape);
        for (const auto& bound : shape->dims) bytes *= bound.value_or(0);
        EXPECT_EQ(bytes, sizes.at(variable)) << variable;
    }
    for (const auto& [variable, reason] : kRefusals) {
        auto shape = info->shapeOf(variable);
        ASSERT_FALSE(shape) << variable << " read as " << described(*shape);
        EXPECT_NE(shape.error().reason.find(reason), std::string::npos) << shape.error().reason;
    }
}

TEST(RealBuild, CompressedSectionsAreCompressed) {
    const auto image = compiled("gcc_zlib", kBuilds[2].command);
    ASSERT_FALSE(image.empty());
    EXPECT_NE(sectionOf(image, ".debug_info").flags & SHF_COMPRESSED, 0u);
}

INSTANTIATE_TEST_SUITE_P(Compilers, RealBuild, testing::ValuesIn(kBuilds),
                         [](const auto& build) { return std::string(build.param.name); });

enum class Damage { Emptied, NotElf, CutInHalf, TypesCutShort, TypesPastTheEnd, TypesAllOnes, AbbreviationsAllOnes };

// A 64-bit little-endian section header's sh_size, rewritten.
void setSize(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint64_t size) {
    for (int k = 0; k < 8; ++k) bytes[at + k] = static_cast<std::uint8_t>(size >> (8 * k));
}

void fill(std::vector<std::uint8_t>& bytes, std::uint64_t from, std::uint64_t count) {
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), count, std::uint8_t{0xff});
}

std::vector<std::uint8_t> damaged(std::vector<std::uint8_t> bytes, Damage damage) {
    const auto info = sectionOf(bytes, ".debug_info");
    const auto abbrev = sectionOf(bytes, ".debug_abbrev");
    switch (damage) {
    case Damage::Emptied: bytes.clear(); break;
    case Damage::NotElf: bytes.assign(4096, 0x5a); break;
    case Damage::CutInHalf: bytes.resize(bytes.size() / 2); break;
    case Damage::TypesCutShort: setSize(bytes, info.sizeField, 20); break;
    case Damage::TypesPastTheEnd: setSize(bytes, info.sizeField, bytes.size()); break;
    case Damage::TypesAllOnes: fill(bytes, info.offset + 12, info.size - 12); break;  // the unit's header kept
    case Damage::AbbreviationsAllOnes: fill(bytes, abbrev.offset, abbrev.size); break;
    }
    return bytes;
}

TEST(RealBuild, NamesNamespacedVariablesAsCppDoes) {
    const SourceFile source[] = {{"tables.cpp",
                                  "namespace outer::inner { const unsigned short tbl[3] = {1, 2, 3}; }\n"
                                  "namespace { int hidden[2]; }\n"
                                  "int main() { return hidden[0] + outer::inner::tbl[0]; }\n"}};
    const auto image = compiled("cpp", "g++ -g -o {out} {src}", source);
    auto info = DebugInfo::open(image);
    ASSERT_TRUE(info) << info.error().reason;
    for (const auto& [variable, spelling] :
         {std::pair{"outer::inner::tbl", "uint16_t[3]"}, std::pair{"(anonymous namespace)::hidden", "int32_t[2]"}}) {
        auto shape = info->shapeOf(variable);
        ASSERT_TRUE(shape) << shape.error().reason;
        EXPECT_EQ(cSpelling(*shape), spelling);
    }
}

// Images cut short or garbled: a refusal each, nothing read outside the
// bytes given (the sanitizer presets run this too).
TEST(BadImage, IsRefusedNotRead) {
    const auto image = compiled("gcc_dwarf5", kBuilds[0].command);
    ASSERT_GT(sectionOf(image, ".debug_info").size, 64u);
    const struct {
        Damage damage;
        RefusalKind kind;
    } kCases[] = {
        {Damage::Emptied, RefusalKind::NoDebugInfo},     {Damage::NotElf, RefusalKind::NoDebugInfo},
        {Damage::CutInHalf, RefusalKind::NoDebugInfo},  // its section headers are gone
        {Damage::TypesCutShort, RefusalKind::Malformed}, {Damage::TypesPastTheEnd, RefusalKind::Malformed},
        {Damage::TypesAllOnes, RefusalKind::Malformed},  {Damage::AbbreviationsAllOnes, RefusalKind::Malformed},
    };
    for (const auto& [damage, kind] : kCases) {
        auto shape = readTableShape(damaged(image, damage), "ops");
        ASSERT_FALSE(shape) << static_cast<int>(damage);
        EXPECT_EQ(shape.error().kind, kind) << static_cast<int>(damage) << ": " << shape.error().reason;
    }
}

// Debug info no compiler writes, by hand: a typedef of itself, a count and
// an upper bound of 2^64-1, a place computed by an expression, a member past
// its record, a structure larger than the one holding it, a structure inside
// itself, and twelve levels of three members each (3^12 fields). No
// relocations: the object reads as is.
constexpr const char* kHandWritten = R"(
	.section .debug_abbrev,"",@progbits
	.uleb128 1, 0x11, 1, 0x13, 0x0b, 0, 0
	.uleb128 2, 0x34, 0, 0x03, 0x08, 0x49, 0x13, 0, 0
	.uleb128 3, 0x16, 0, 0x03, 0x08, 0x49, 0x13, 0, 0
	.uleb128 4, 0x01, 1, 0x49, 0x13, 0, 0
	.uleb128 5, 0x21, 0, 0x37, 0x07, 0, 0
	.uleb128 6, 0x24, 0, 0x03, 0x08, 0x3e, 0x0b, 0x0b, 0x0b, 0, 0
	.uleb128 7, 0x13, 1, 0x03, 0x08, 0x0b, 0x0b, 0, 0
	.uleb128 8, 0x0d, 0, 0x03, 0x08, 0x49, 0x13, 0x38, 0x0b, 0, 0
	.uleb128 9, 0x21, 0, 0x2f, 0x07, 0, 0
	.uleb128 10, 0x34, 0, 0x03, 0x08, 0x49, 0x13, 0x02, 0x18, 0, 0
	.byte 0
	.section .debug_info,"",@progbits
.Lcu:	.long .Lend - .Lcu - 4
	.short 4
	.long 0
	.byte 8
	.uleb128 1
	.byte 0x0c
.Lint:	.uleb128 6
	.asciz "int"
	.byte 5, 4
.Lloop:	.uleb128 3
	.asciz "loop_t"
	.long .Lloop - .Lcu
	.uleb128 2
	.asciz "looped"
	.long .Lloop - .Lcu
.Lhuge:	.uleb128 4
	.long .Lint - .Lcu
	.uleb128 5
	.quad 0xffffffffffffffff
	.byte 0
	.uleb128 2
	.asciz "huge"
	.long .Lhuge - .Lcu
.Ltopped:	.uleb128 4
	.long .Lint - .Lcu
	.uleb128 9
	.quad 0xffffffffffffffff
	.byte 0
	.uleb128 2
	.asciz "topped"
	.long .Ltopped - .Lcu
	.uleb128 10
	.asciz "computed"
	.long .Lint - .Lcu
	.uleb128 3
	.byte 0x31, 0x32, 0x22
.Lpast:	.uleb128 7
	.asciz "past"
	.byte 4
	.uleb128 8
	.asciz "far"
	.long .Lint - .Lcu
	.byte 200
	.byte 0
	.uleb128 2
	.asciz "beyond"
	.long .Lpast - .Lcu
.Lself:	.uleb128 7
	.asciz "self"
	.byte 4
	.uleb128 8
	.asciz "again"
	.long .Lself - .Lcu
	.byte 0
	.byte 0
	.uleb128 2
	.asciz "nested"
	.long .Lself - .Lcu
.Lsmall:	.uleb128 7
	.asciz "small"
	.byte 2
	.uleb128 8
	.asciz "big"
	.long .Lpast - .Lcu
	.byte 0
	.byte 0
	.uleb128 2
	.asciz "outgrown"
	.long .Lsmall - .Lcu
	.set inner, .Lint
	.irp level, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12
.Lwide\level:	.uleb128 7
	.asciz "w"
	.byte 4
	.irp member, a, b, c
	.uleb128 8
	.asciz "\member"
	.long inner - .Lcu
	.byte 0
	.endr
	.byte 0
	.set inner, .Lwide\level
	.endr
	.uleb128 2
	.asciz "wide"
	.long inner - .Lcu
	.byte 0
.Lend:
)";

constexpr const char* kRegisterVariable = "register int held asm(\"ebx\");\nint main(void) { return 0; }\n";

TEST(OddImage, IsRefusedWithItsReason) {
    const SourceFile handWritten[] = {{"hand.s", kHandWritten}};
    const SourceFile registerVariable[] = {{"held.c", kRegisterVariable}};
    const struct {
        const char* command;
        std::span<const SourceFile> sources;
        const char* variable;
        RefusalKind kind;
        const char* reason;
    } kCases[] = {
        {"gcc -c -o {out} {src}", handWritten, "looped", RefusalKind::Malformed, "looped: its type chain loops"},
        {"gcc -c -o {out} {src}", handWritten, "huge", RefusalKind::Malformed,
         "huge: its size does not fit in 64 bits"},
        {"gcc -c -o {out} {src}", handWritten, "topped", RefusalKind::Unsupported,
         "topped is an array whose upper bound is 2^64-1"},
        {"gcc -c -o {out} {src}", handWritten, "computed", RefusalKind::Unsupported,
         "computed is not at a fixed address (thread-local, in a register or computed)"},
        {"gcc -c -o {out} {src}", handWritten, "beyond", RefusalKind::Malformed,
         "beyond: member far is past the end of its record of 4 bytes"},
        {"gcc -c -o {out} {src}", handWritten, "outgrown", RefusalKind::Malformed,
         "outgrown: member big is past the end of its record of 2 bytes"},
        {"gcc -c -o {out} {src}", handWritten, "nested", RefusalKind::Unsupported,
         "nested: member again_again_again_again_again_again_again_again_again_again_again_again_again_again_again_"
         "again_again is nested more than 16 structures deep"},
        {"gcc -c -o {out} {src}", handWritten, "wide", RefusalKind::Unsupported,
         "wide: member a_a_c_a_b_c_c_c_b_a_a_b is beyond the 65536 members a record may have"},
        {"gcc -g -o {out} {src}", registerVariable, "held", RefusalKind::Unsupported,
         "held is not at a fixed address (thread-local, in a register or computed)"},
        {"gcc -o {out} {src}", kUnits, "ops", RefusalKind::NoDebugInfo, "no debug info"},
        {"gcc -g -c -o {out} {src}", std::span(kUnits).first(1), "ops", RefusalKind::Unsupported,
         "the debug info of an object file is not read: it needs its relocations applied (link the object)"},
    };
    for (const auto& [command, sources, variable, kind, reason] : kCases) {
        const auto image = compiled("odd", command, sources);
        ASSERT_FALSE(image.empty()) << command;
        auto shape = readTableShape(image, variable);
        ASSERT_FALSE(shape) << variable;
        EXPECT_EQ(shape.error().kind, kind) << variable;
        EXPECT_EQ(shape.error().reason, reason);
    }
}

}  // namespace
}  // namespace zemrik::debuginfo
