// zemrik-cli on objects and archives made by the real compilers, on a
// big-endian image, on images given on standard input, and on debug builds
// whose types shape the tables.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

#include "CliProcess.h"
#include "image/tests/ImageBuilders.h"

namespace zemrik {
namespace {

namespace fs = std::filesystem;

using namespace clitest;

// The source the new user tried: a static table and an initialized int.
constexpr const char* kTableSource =
    "static const unsigned char stab[4]={1,2,3,4};\n"
    "int counter=5;\n"
    "const unsigned char* f(void){return stab;}\n";

constexpr const char* kStabBytes = "static unsigned char table[4] = {\n\t0x01, 0x02, 0x03, 0x04 };\n";
constexpr const char* kCounterDword = "static unsigned long table[1] = {\n\t0x00000005 };\n";

class CliImageInput : public CliFixture {
protected:
    // Runs a shell command in the working directory; false when it fails.
    bool shell(const std::string& command) const {
        const std::string line = "cd '" + workDirectory().string() + "' && " + command + " >/dev/null 2>&1";
        return std::system(line.c_str()) == 0;
    }

    void writeText(const std::string& name, const std::string& text) const {
        writeFile(workDirectory() / name, Bytes(text.begin(), text.end()));
    }

    static bool have(const std::string& tool) {
        return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
    }

    // tab.c compiled by `compiler` with `flags` into `object`; false when the compiler is missing.
    bool compileTable(const std::string& compiler, const std::string& flags, const std::string& object) {
        if (!have(compiler)) return false;
        writeText("tab.c", kTableSource);
        return shell(compiler + " -O2 " + flags + " -c tab.c -o " + object);
    }

    // Standard input is the file at `input` when given, else empty. A run
    // that outlives `limit` is killed and fails the test.
    Outcome run(const Arguments& arguments, const std::optional<fs::path>& input = std::nullopt,
                std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        return CliFixture::run(arguments, input ? ::open(input->c_str(), O_RDONLY) : -1, limit);
    }

    void expectTable(const Outcome& outcome, const std::string& expected) {
        EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
        EXPECT_EQ(outcome.output, expected);
        EXPECT_EQ(outcome.errors, "");
    }
};

const Arguments kStab = {"--symbol", "stab", "-i", "bytes", "-n", "4", "-l", "c", "--lf"};
const Arguments kCounter = {"--symbol", "counter", "-i", "dwords", "-n", "4", "-l", "c", "--lf"};

Arguments with(Arguments arguments, const std::string& last) {
    arguments.push_back(last);
    return arguments;
}

// The issue's reproduction, and the same source in ELF32 and with a
// section per table: each symbol read from its own section.
TEST_F(CliImageInput, ElfObjectsGiveTheTableNotTheCode) {
    struct Build {
        const char* flags;
        const char* object;
    };
    for (const Build build : {Build{"", "tab.o"}, Build{"-m32", "tab32.o"}, Build{"-fdata-sections", "tabds.o"}}) {
        SCOPED_TRACE(build.object);
        if (!compileTable("gcc", build.flags, build.object)) GTEST_SKIP() << "gcc " << build.flags << " cannot compile";
        expectTable(run(with(kStab, build.object)), kStabBytes);
        expectTable(run(with(kCounter, build.object)), kCounterDword);
    }
}

TEST_F(CliImageInput, ArchiveFindsTheMemberThatDefinesTheSymbol) {
    if (!compileTable("gcc", "", "tab.o") || !have("ar")) GTEST_SKIP() << "no gcc or ar";
    writeText("other.c", "int other=7;\n");
    ASSERT_TRUE(shell("gcc -c other.c -o other.o && ar rcs libtab.a other.o tab.o"));
    expectTable(run(with(kCounter, "libtab.a")), kCounterDword);
    const Outcome listed = run({"--list-symbols", "--match", "c*", "libtab.a"});
    EXPECT_EQ(listed.exitCode, 0) << listed.errors;
    EXPECT_NE(listed.output.find("Member  Name\n"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("  tab.o   counter\n"), std::string::npos) << listed.output;
    EXPECT_EQ(listed.output.find("other"), std::string::npos) << listed.output;
}

// COFF objects record no sizes: with -s the table, without it the request's
// refusal and why.
TEST_F(CliImageInput, MingwObjectsAndArchives) {
    struct Build {
        const char* prefix;
        const char* symbol;  // i686 prefixes C names with an underscore
    };
    for (const Build build : {Build{"x86_64-w64-mingw32-", "stab"}, Build{"i686-w64-mingw32-", "_stab"}}) {
        SCOPED_TRACE(build.prefix);
        const std::string prefix = build.prefix;
        if (!compileTable(prefix + "gcc", "", "tab.obj") || !have(prefix + "ar")) GTEST_SKIP() << "no " << prefix;
        ASSERT_TRUE(shell(prefix + "ar rcs libtab.a tab.obj"));
        for (const char* file : {"tab.obj", "libtab.a"}) {
            Arguments arguments = {"--symbol", build.symbol, "-s", "4", "-i", "bytes", "-n", "4", "-l", "c", "--lf"};
            expectTable(run(with(arguments, file)), kStabBytes);
        }
        const Outcome unsized = run({"--symbol", build.symbol, "tab.obj"});
        EXPECT_EQ(unsized.exitCode, 1);
        EXPECT_EQ(unsized.errors,
                  "You MUST enter the size of the table !\n"
                  "zemrik-cli: PE and COFF files record no symbol sizes: give the table's size in bytes with "
                  "-s/--size HEX\n");
    }
}

TEST_F(CliImageInput, ObjectRefusals) {
    if (!have("gcc")) GTEST_SKIP() << "no gcc";
    writeText("refs.c", "extern int ext;\nint use(void){return ext;}\n");
    ASSERT_TRUE(shell("gcc -c refs.c -o refs.o"));
    const Outcome undefined = run({"--symbol", "ext", "-s", "4", "refs.o"});
    EXPECT_EQ(undefined.exitCode, 1);
    EXPECT_EQ(undefined.errors,
              "zemrik-cli: symbol 'ext' is undefined in refs.o: it is only used there, and defined in another file\n");
    const Outcome byAddress = run({"--va", "0", "-s", "4", "refs.o"});
    EXPECT_EQ(byAddress.exitCode, 1);
    EXPECT_EQ(byAddress.errors,
              "zemrik-cli: refs.o is a relocatable object, whose sections have no addresses yet: give the table with "
              "--symbol NAME, or its file offset with -a\n");
}

TEST_F(CliImageInput, DemangledNamesAreListedAndFound) {
    if (!have("g++")) GTEST_SKIP() << "no g++";
    writeText("tbl.cpp", "namespace ns { extern const int tbl[2] = {1, 2}; }\n");
    ASSERT_TRUE(shell("g++ -c tbl.cpp -o tbl.o"));
    const Outcome listed = run({"--list-symbols", "--demangle", "--match", "ns::*", "tbl.o"});
    EXPECT_EQ(listed.output,
              "Address  Size  Offset  Section  Name\n"
              "0        8     40      .rodata  ns::tbl\n");
    expectTable(run({"--symbol", "ns::tbl", "--demangle", "-i", "dwords", "-n", "2", "-l", "c", "--lf", "tbl.o"}),
                "static unsigned long table[2] = {\n\t0x00000001, 0x00000002 };\n");
    // Without --demangle only the name as stored.
    EXPECT_EQ(run({"--symbol", "ns::tbl", "tbl.o"}).exitCode, 1);
}

// A big-endian ELF32 built in code: words in its order unless told, Data
// Str in the file's.
TEST_F(CliImageInput, BigEndianImageIsReadInItsOrder) {
    test::ElfImageBuilder builder(32, ByteOrder::BigEndian);
    const std::uint32_t rodata =
        builder.section({".rodata", 1, image::elf::kShfAlloc, 0x1000, Bytes{0x12, 0x34, 0x56, 0x78}});
    builder.symbols(image::elf::kShtSymtab, {{"table", 0x1000, 4, image::elf::kSttObject, rodata}});
    writeFile(workDirectory() / "big.elf", builder.build());
    const Arguments words = {"--symbol", "table", "-i", "words", "-n", "2", "-l", "c", "--lf"};
    expectTable(run(with(words, "big.elf")), "static unsigned short table[2] = {\n\t0x1234, 0x5678 };\n");
    Arguments little = words;
    little.push_back("--little-endian");
    expectTable(run(with(little, "big.elf")), "static unsigned short table[2] = {\n\t0x3412, 0x7856 };\n");
    const Outcome text = run({"--va", "1000", "-i", "bytes", "-n", "4", "-l", "datastr", "--lf", "big.elf"});
    EXPECT_EQ(text.exitCode, 0) << text.errors;
    EXPECT_EQ(text.output,
              run({"-a", "34", "-s", "4", "-i", "bytes", "-n", "4", "-l", "datastr", "--lf", "big.elf"}).output);
}

TEST_F(CliImageInput, ImagesOnStandardInput) {
    if (!compileTable("gcc", "", "tab.o")) GTEST_SKIP() << "no gcc";
    expectTable(run(with(kStab, "-"), workDirectory() / "tab.o"), kStabBytes);
    const Outcome listed = run({"--list-symbols", "--match", "stab", "-"}, workDirectory() / "tab.o");
    EXPECT_EQ(listed.exitCode, 0) << listed.errors;
    EXPECT_NE(listed.output.find(".rodata  stab\n"), std::string::npos) << listed.output;
}

// With plain -a and -s only the table's bytes are read: an endless input ends.
TEST_F(CliImageInput, StandardInputIsReadOnlyToTheTablesEnd) {
    const Outcome outcome = run({"-a", "0", "-s", "10", "-i", "bytes", "-n", "4", "-l", "c", "--lf", "-"},
                                fs::path("/dev/zero"), std::chrono::seconds(10));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(outcome.output.rfind("static unsigned char table[16] = {\n", 0), 0u) << outcome.output;
}

#if ZEMRIK_CLI_READS_DEBUG_INFO
// The shapes themselves are the debug info reader's tests; here each way
// the command line meets them, once.
TEST_F(CliImageInput, DebugInfoShapesTheTable) {
    if (!have("gcc")) GTEST_SKIP() << "no gcc";
    writeText("d.c",
              "const unsigned short tbl[2][3] = {{1, 2, 3}, {4, 5, 0xFFFF}};\n"
              "struct rec { unsigned char tag; int v; } recs[2] = {{1, -2}, {3, 4}};\n"
              "struct holds { int x; union { int i; float f; } v; } hu[1] = {{1, {7}}};\n"
              "int main(void) { return tbl[0][0] + recs[0].v + hu[0].x; }\n");
    ASSERT_TRUE(shell("gcc -g -O2 -o d.elf d.c && gcc -O2 -o plain.elf d.c"));
    struct Case {
        Arguments arguments;
        const char* output;
    };
    const Case cases[] = {
        {{"--symbol", "tbl", "-l", "c", "--lf"},
         "static uint16_t tbl[2][3] = {\n\t{ 0x0001, 0x0002, 0x0003 }, { 0x0004, 0x0005, 0xFFFF } };\n"},
        {{"--symbol", "recs", "-l", "c", "--lf"},
         "typedef struct {\n\tuint8_t tag;\n\tint32_t v;\n} rec;\n"
         "static rec recs[2] = {\n\t{ 0x01, -0x00000002 }, { 0x03, 0x00000004 } };\n"},
        // -s keeps whole rows of the inner shape; --name names the table.
        {{"--symbol", "tbl", "-s", "6", "--name", "t", "-l", "c", "--lf"},
         "static uint16_t t[1][3] = {\n\t{ 0x0001, 0x0002, 0x0003 } };\n"},
        // With -i the table prints as without debug info.
        {{"--symbol", "tbl", "-i", "bytes", "-n", "6", "-l", "c", "--lf"},
         "static unsigned char table[12] = {\n\t0x01, 0x00, 0x02, 0x00, 0x03, 0x00, \n"
         "\t0x04, 0x00, 0x05, 0x00, 0xFF, 0xFF };\n"},
        {{"--symbol", "hu", "-i", "bytes", "-n", "8", "-l", "c", "--lf"},
         "static unsigned char table[8] = {\n\t0x01, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00 };\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.arguments[1] + " " + test.arguments[2]);
        expectTable(run(with(test.arguments, "d.elf")), test.output);
    }

    const Outcome refused = run({"--symbol", "hu", "-l", "c", "d.elf"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.output, "");
    EXPECT_EQ(refused.errors, "zemrik-cli: hu: member v is a union; -i TYPE prints its bytes as elements of TYPE\n");

    const Outcome listed = run({"--list-symbols", "--match", "[thr][bue]*", "d.elf"});
    EXPECT_EQ(listed.exitCode, 0) << listed.errors;
    for (const char* line : {"  Type            Name\n", "  uint16_t[2][3]  tbl\n", "  struct rec[2]   recs\n",
                             "  -               hu\n"}) {
        EXPECT_NE(listed.output.find(line), std::string::npos) << line << listed.output;
    }
    // Without debug info: no Type column, and --symbol as before.
    const Outcome plain = run({"--list-symbols", "--match", "tbl", "plain.elf"});
    EXPECT_EQ(plain.output.find("Type"), std::string::npos) << plain.output;
    expectTable(run({"--symbol", "tbl", "-l", "c", "--lf", "plain.elf"}),
                "static unsigned short table[6] = {\n\t0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0xFFFF };\n");
}

// Several tables in one output: in the order asked, a structure declared
// once under its own name, a C++ name made a C one with a note, --name
// refused; the same symbols without debug info shaped by the options alone.
TEST_F(CliImageInput, SeveralTablesShareOneOutput) {
    if (!have("g++")) GTEST_SKIP() << "no g++";
    writeText("m.cpp",
              "struct rec { unsigned char tag; int v; };\n"
              "extern const rec recs[2], more[1];\n"
              "const rec recs[2] = {{1, -2}, {3, 4}};\n"
              "const rec more[1] = {{5, 6}};\n"
              "namespace ns { extern const unsigned short tbl[2]; const unsigned short tbl[2] = {7, 8}; }\n"
              "int main() { return recs[0].v + more[0].v + ns::tbl[0]; }\n");
    ASSERT_TRUE(shell("g++ -g -O2 -o m.elf m.cpp && g++ -O2 -o plain.elf m.cpp"));
    const Outcome several =
        run({"--symbol", "more", "--symbol", "ns::tbl", "--symbol", "recs", "-l", "c", "--lf", "m.elf"});
    EXPECT_EQ(several.exitCode, 0) << several.errors;
    EXPECT_EQ(several.output,
              "typedef struct {\n\tuint8_t tag;\n\tint32_t v;\n} rec;\n"
              "static rec more[1] = {\n\t{ 0x05, 0x00000006 } };\n\n"
              "static uint16_t ns_tbl[2] = {\n\t0x0007, 0x0008 };\n\n"
              "static rec recs[2] = {\n\t{ 0x01, -0x00000002 }, { 0x03, 0x00000004 } };\n");
    EXPECT_EQ(several.errors, "zemrik-cli: note: ns::tbl is declared as ns_tbl, a valid name in -l c\n");

    const Outcome twice = run({"--symbol", "more", "--symbol", "more", "-l", "c", "m.elf"});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_EQ(twice.output, "");
    EXPECT_EQ(twice.errors, "zemrik-cli: two of the tables would be declared as more: ask for each once\n");

    const Outcome named = run({"--symbol", "more", "--symbol", "recs", "--name", "t", "m.elf"});
    EXPECT_EQ(named.exitCode, 64);
    EXPECT_EQ(named.output, "");
    EXPECT_EQ(named.errors.rfind("zemrik-cli: --name names one table: with several, each is named after its own "
                                 "variable\n",
                                 0),
              0u)
        << named.errors;

    // --match prints in address order, which the linker chose.
    const std::string recsBytes =
        "static unsigned char recs[16] = {\n\t0x01, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, \n"
        "\t0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00 };\n";
    const std::string moreBytes =
        "static unsigned char more[8] = {\n\t0x05, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00 };\n";
    const std::string listed = run({"--list-symbols", "--match", "[mr]*", "plain.elf"}).output;
    const bool recsFirst = listed.find(" recs\n") < listed.find(" more\n");
    expectTable(run({"--match", "[mr]*", "-i", "bytes", "-n", "8", "-l", "c", "--lf", "plain.elf"}),
                recsFirst ? recsBytes + "\n" + moreBytes : moreBytes + "\n" + recsBytes);
}

// A stripped image's debug file, found beside it or given, shapes the table;
// one of another build is refused. Where else it is looked for is the debug
// info reader's test.
TEST_F(CliImageInput, SeparateDebugFileShapesTheTable) {
    if (!have("gcc") || !have("objcopy")) GTEST_SKIP() << "no gcc or objcopy";
    writeText("s.c", "const unsigned short tbl[3] = {1, 2, 3};\nint main(void) { return tbl[0]; }\n");
    writeText("o.c", "const unsigned short tbl[3] = {4, 5, 6};\nint main(void) { return tbl[1]; }\n");
    ASSERT_TRUE(
        shell("gcc -g -o s.full s.c && objcopy --only-keep-debug s.full s.debug && "
              "objcopy --strip-debug --add-gnu-debuglink=s.debug s.full s.elf && "
              "gcc -g -o o.full o.c && objcopy --only-keep-debug o.full o.debug && mkdir given && "
              "cp s.debug given/any.dbg"));
    const char* typed = "static uint16_t tbl[3] = {\n\t0x0001, 0x0002, 0x0003 };\n";
    const Arguments arguments{"--symbol", "tbl", "-l", "c", "--lf"};
    expectTable(run(with(arguments, "s.elf")), typed);
    ASSERT_TRUE(shell("mv s.debug s.debug.kept && cp o.debug s.debug"));
    expectTable(run(with({"--symbol", "tbl", "-l", "c", "--lf", "--debug-file", "given/any.dbg"}, "s.elf")), typed);
    const Outcome refused = run(with(arguments, "s.elf"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.output, "");
    EXPECT_NE(refused.errors.find("/s.debug is of another build: its build-id is "), std::string::npos)
        << refused.errors;
}

// Debug info no compiler writes, by hand, beside 4-byte data symbols: a
// typedef of itself, a count of 2^64-1, a member past its record, a
// structure of size 0, a variable in a register, an array larger than its
// section. No relocations: the object's debug info reads as is.
constexpr const char* kBadDebugInfo = R"(
	.data
	.irp name, looped, huge, beyond, none, held, big
	.globl \name
	.type \name, @object
	.size \name, 4
\name:	.long 1
	.endr
	.section .debug_abbrev,"",@progbits
	.uleb128 1, 0x11, 1, 0x13, 0x0b, 0, 0
	.uleb128 2, 0x34, 0, 0x03, 0x08, 0x49, 0x13, 0, 0
	.uleb128 3, 0x16, 0, 0x03, 0x08, 0x49, 0x13, 0, 0
	.uleb128 4, 0x01, 1, 0x49, 0x13, 0, 0
	.uleb128 5, 0x21, 0, 0x37, 0x07, 0, 0
	.uleb128 6, 0x24, 0, 0x03, 0x08, 0x3e, 0x0b, 0x0b, 0x0b, 0, 0
	.uleb128 7, 0x13, 1, 0x03, 0x08, 0x0b, 0x0b, 0, 0
	.uleb128 8, 0x0d, 0, 0x03, 0x08, 0x49, 0x13, 0x38, 0x0b, 0, 0
	.uleb128 9, 0x34, 0, 0x03, 0x08, 0x49, 0x13, 0x02, 0x18, 0, 0
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
.Lempty:	.uleb128 7
	.asciz "empty"
	.byte 0
	.byte 0
	.uleb128 2
	.asciz "none"
	.long .Lempty - .Lcu
	.uleb128 9
	.asciz "held"
	.long .Lint - .Lcu
	.uleb128 1
	.byte 0x53
.Lbig:	.uleb128 4
	.long .Lint - .Lcu
	.uleb128 5
	.quad 1000
	.byte 0
	.uleb128 2
	.asciz "big"
	.long .Lbig - .Lcu
	.byte 0
.Lend:
)";

// Each bad input refused with its reason, nothing printed. The reader's unit
// tables hold the rest; a debug file of another build is refused above.
TEST_F(CliImageInput, BadDebugInfoIsRefused) {
    if (!have("gcc")) GTEST_SKIP() << "no gcc";
    writeText("bad.s", kBadDebugInfo);
    // A unit claiming more bytes than its section holds.
    writeText("short.s", std::string(".data\n.globl tbl\n.type tbl, @object\n.size tbl, 4\ntbl: .long 1\n"
                                     ".section .debug_abbrev,\"\",@progbits\n.byte 1, 0x11, 0, 0, 0, 0\n"
                                     ".section .debug_info,\"\",@progbits\n.long 4096\n.short 4\n.long 0\n"
                                     ".byte 8, 1\n"));
    ASSERT_TRUE(shell("gcc -c -o bad.o bad.s && gcc -c -o short.o short.s"));
    const char* kHint = "; -i TYPE prints its bytes as elements of TYPE\n";
    const struct {
        const char* file;
        const char* variable;
        std::string reason;
    } kCases[] = {
        {"short.o", "tbl",
         "tbl: the debug info can't be read (.debug_info is cut short: its unit at offset 0 runs past its end at 12)"},
        {"bad.o", "looped", "looped: its type chain loops"},
        {"bad.o", "huge", "huge: its size does not fit in 64 bits"},
        {"bad.o", "beyond", "beyond: member far is past the end of its record of 4 bytes"},
        {"bad.o", "none", "none is a structure of size 0"},
        {"bad.o", "held", "held is not at a fixed address (thread-local, in a register or computed)"},
        {"bad.o", "big", "big: its type takes 4000 bytes, more than section .data holds from there"},
    };
    for (const auto& [file, variable, reason] : kCases) {
        const Outcome refused = run({"--symbol", variable, "-l", "c", file});
        EXPECT_EQ(refused.exitCode, 1) << variable;
        EXPECT_EQ(refused.output, "") << variable;
        EXPECT_EQ(refused.errors, "zemrik-cli: " + reason + kHint);
    }
    // The listing shows the symbols without their types, and says why.
    const Outcome listed = run({"--list-symbols", "short.o"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.output.find(" tbl\n"), std::string::npos) << listed.output;
    EXPECT_EQ(listed.errors,
              "zemrik-cli: note: the debug info can't be read (.debug_info is cut short: its unit at "
              "offset 0 runs past its end at 12): no types are listed\n");
}
#endif

// --provenance's comment, its SHA-256 the one sha256sum gives: a plain
// file's offset and size, and an image's section and addresses too.
TEST_F(CliImageInput, ProvenanceNamesTheFileAndThePlace) {
    if (!have("sha256sum") || !compileTable("gcc", "", "tab.o")) GTEST_SKIP() << "no sha256sum or gcc";
    writeText("p.bin", "provenance");
    ASSERT_TRUE(shell("sha256sum p.bin > p.sum && sha256sum tab.o > o.sum && true"));
    const auto sumOf = [&](const char* file) {
        std::ifstream sum(workDirectory() / file);
        std::string digest;
        sum >> digest;
        return digest;
    };
    expectTable(run({"--provenance", "-a", "2", "-s", "3", "-i", "bytes", "-l", "python", "p.bin"}),
                "# p.bin, SHA-256 " + sumOf("p.sum") +
                    "\r\n# file offset 0x2, size 0x3\r\ntable = [\r\n    0x6F, 0x76, 0x65,\r\n]");
    // The symbol's file offset as --list-symbols gives it; an object's
    // sections have no addresses yet.
    std::istringstream listing(run({"--list-symbols", "--match", "stab", "tab.o"}).output);
    std::string header, address, size, offset;
    std::getline(listing, header);
    listing >> address >> size >> offset;
    expectTable(run(with(with(kStab, "--provenance"), "tab.o")), "// tab.o, SHA-256 " + sumOf("o.sum") +
                                                                     "\n// section .rodata, file offset 0x" + offset +
                                                                     ", size 0x4\n" + kStabBytes);
}

// i686 Windows images give C names a leading underscore: --symbol takes the C name.
TEST_F(CliImageInput, SymbolFindsTheUnderscoredCName) {
    if (!have("i686-w64-mingw32-gcc")) GTEST_SKIP() << "no i686-w64-mingw32-gcc";
    writeText("u.c", "const unsigned short tbl[3] = {1, 2, 3};\nint main(void) { return tbl[1]; }\n");
    ASSERT_TRUE(shell("i686-w64-mingw32-gcc -O2 -o u.exe u.c"));
    expectTable(run({"--symbol", "tbl", "-s", "6", "-l", "c", "--lf", "u.exe"}),
                "static unsigned short table[3] = {\n\t0x0001, 0x0002, 0x0003 };\n");
}

}  // namespace
}  // namespace zemrik
