// Separate debug files made as distributions make them (gcc -g, objcopy
// --only-keep-debug, the image stripped and linked to its debug file), put
// where the lookup goes, found or refused; readelf gives the build-ids and
// CRC-32s the refusals must name.
#include "debuginfo/SeparateDebugFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "debuginfo/DebugInfo.h"
#include "testing/CaseName.h"
#include "testing/TestFiles.h"

namespace zemrik::debuginfo {
namespace {

namespace fs = std::filesystem;

std::string replaced(std::string text, const std::string& key, const std::string& value) {
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
}

std::string outputOf(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
    ::pclose(pipe);
    return text;
}

// The value after `label` on readelf's line, up to the line's end.
std::string readelfValue(const std::string& arguments, const std::string& label) {
    const std::string text = outputOf("LC_ALL=C readelf " + arguments + " 2>/dev/null");
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return "";
    const std::size_t from = at + label.size();
    return text.substr(from, text.find('\n', from) - from);
}

// The images and debug files, built once: "prog" and "other" with
// build-ids, "plain" and "plain2" without; each stripped and linked to its
// NAME.debug, "prog.full" kept whole; "cut.debug", prog.debug's first 100 bytes.
class Builds {
public:
    Builds() {
        const std::string dir = work_.path();
        const auto build = [&](const std::string& name, int value, const char* buildId) {
            const std::string source = dir + "/" + name + ".c";
            std::FILE* file = std::fopen(source.c_str(), "w");
            std::fprintf(file, "const unsigned short table[4] = {%d, 2, 3, 4};\nint main(void) { return table[0]; }\n",
                         value);
            std::fclose(file);
            const std::string line = "cd " + dir + " && gcc -g -Wl,--build-id=" + buildId + " -o " + name + ".full " +
                                     source + " && objcopy --only-keep-debug " + name + ".full " + name +
                                     ".debug && objcopy --strip-debug --add-gnu-debuglink=" + name + ".debug " + name +
                                     ".full " + name + " 2>/dev/null";
            ok_ = ok_ && std::system(line.c_str()) == 0;
        };
        build("prog", 1, "sha1");
        build("other", 5, "sha1");
        build("plain", 1, "none");
        build("plain2", 5, "none");
        ok_ = ok_ && std::system(("head -c 100 " + path("prog.debug") + " > " + path("cut.debug")).c_str()) == 0;
        progId = readelfValue("-n " + path("prog"), "Build ID: ");
        otherId = readelfValue("-n " + path("other"), "Build ID: ");
        plainCrc = readelfValue("--debug-dump=links " + path("plain"), "CRC value: ");
        plain2Crc = readelfValue("--debug-dump=links " + path("plain2"), "CRC value: ");
    }

    bool ok() const { return ok_; }
    std::string path(const std::string& name) const { return work_.pathOf(name); }
    // readelf's answers: the build-ids of "prog" and "other", the CRC-32s
    // "plain" and "plain2" record for their debug files.
    std::string progId, otherId, plainCrc, plain2Crc;

private:
    test::TempDirectory work_{"zemrik_debugfile"};
    bool ok_ = true;
};

const Builds& builds() {
    static const auto shared = std::make_unique<Builds>();
    return *shared;
}

struct Placement {
    const char* file;  // one of the builds' files
    const char* at;    // where it goes: {bin}, {debug}, {root} and {id} filled in
};

struct LookupCase {
    const char* name;
    const char* image;  // which build's image, put at {bin}/NAME
    std::vector<Placement> placed;
    const char* given;  // --debug-file, or nothing
    RefusalKind kind;   // DebugFileRefused or NoDebugInfo when refused
    const char* found;  // the debug file's path when one is used ("" the image's own); or the reason
};

void PrintTo(const LookupCase& value, std::ostream* out) { *out << value.name; }

constexpr auto kFound = RefusalKind::NotFound;  // unused as a refusal here: marks a case that finds

const LookupCase kCases[] = {
    {"Beside", "prog", {{"prog.debug", "{bin}/prog.debug"}}, nullptr, kFound, "{bin}/prog.debug"},
    {"InDotDebug", "prog", {{"prog.debug", "{bin}/.debug/prog.debug"}}, nullptr, kFound, "{bin}/.debug/prog.debug"},
    {"UnderDebugDir", "prog", {{"prog.debug", "{debug}{bin}/prog.debug"}}, nullptr, kFound, "{debug}{bin}/prog.debug"},
    {"ByBuildId",
     "prog",
     {{"prog.debug", "{debug}/.build-id/{id}.debug"}},
     nullptr,
     kFound,
     "{debug}/.build-id/{id}.debug"},
    {"OtherBuildPassedOver",
     "prog",
     {{"other.debug", "{bin}/prog.debug"}, {"prog.debug", "{debug}/.build-id/{id}.debug"}},
     nullptr,
     kFound,
     "{debug}/.build-id/{id}.debug"},
    {"ByCrcAlone", "plain", {{"plain.debug", "{bin}/plain.debug"}}, nullptr, kFound, "{bin}/plain.debug"},
    {"ImagesOwn", "prog.full", {{"prog.debug", "{bin}/prog.debug"}}, nullptr, kFound, ""},
    {"Given", "prog", {{"prog.debug", "{root}/elsewhere.dbg"}}, "{root}/elsewhere.dbg", kFound, "{root}/elsewhere.dbg"},
    {"OtherBuildId",
     "prog",
     {{"other.debug", "{bin}/prog.debug"}},
     nullptr,
     RefusalKind::DebugFileRefused,
     "{bin}/prog.debug is of another build: its build-id is {otherId}, the image's {progId}"},
    {"OtherCrc",
     "plain",
     {{"plain2.debug", "{bin}/plain.debug"}},
     nullptr,
     RefusalKind::DebugFileRefused,
     "{bin}/plain.debug is of another build: its CRC-32 is {plain2Crc}, the image's .gnu_debuglink asks for "
     "{plainCrc}"},
    {"CutShort",
     "prog",
     {{"cut.debug", "{bin}/prog.debug"}},
     nullptr,
     RefusalKind::DebugFileRefused,
     "{bin}/prog.debug: its section table runs past the end of the file"},
    {"GivenOtherBuild",
     "prog",
     {{"other.debug", "{root}/other.dbg"}},
     "{root}/other.dbg",
     RefusalKind::DebugFileRefused,
     "{root}/other.dbg is of another build: its build-id is {otherId}, the image's {progId}"},
    {"GivenMissing",
     "prog",
     {},
     "{root}/missing.dbg",
     RefusalKind::DebugFileRefused,
     "cannot open {root}/missing.dbg: No such file or directory"},
    {"NoneThere",
     "prog",
     {},
     nullptr,
     RefusalKind::NoDebugInfo,
     "no debug info, nor a separate debug file at {bin}/prog.debug, {bin}/.debug/prog.debug, "
     "{debug}{bin}/prog.debug, {debug}/.build-id/{id}.debug"},
};

class Lookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, FindsTheDebugFileOfItsBuildOrRefuses) {
    const Builds& made = builds();
    if (!made.ok()) GTEST_SKIP() << "gcc, objcopy or readelf missing";
    const LookupCase& c = GetParam();
    const test::TempDirectory root("zemrik_debugfile_case");
    const std::string rootPath = fs::canonical(root.directory()).string();
    const std::string& progId = made.progId;
    ASSERT_EQ(progId.size(), 40u);
    const auto filled = [&](std::string text) {
        for (const auto& [key, value] : {std::pair<std::string, std::string>{"{bin}", rootPath + "/bin"},
                                         {"{debug}", rootPath + "/debug"},
                                         {"{root}", rootPath},
                                         {"{id}", progId.substr(0, 2) + "/" + progId.substr(2)},
                                         {"{progId}", progId},
                                         {"{otherId}", made.otherId},
                                         {"{plainCrc}", made.plainCrc},
                                         {"{plain2Crc}", made.plain2Crc}}) {
            text = replaced(text, key, value);
        }
        return text;
    };
    const std::string imagePath = filled("{bin}/") + c.image;
    fs::create_directories(filled("{bin}"));
    fs::copy_file(made.path(c.image), imagePath);
    for (const Placement& placement : c.placed) {
        const fs::path to = filled(placement.at);
        fs::create_directories(to.parent_path());
        fs::copy_file(made.path(placement.file), to);
    }
    const auto image = test::readWholeFile(imagePath);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
    DebugFileChoice choice;
    choice.debugDirectory = filled("{debug}");
    if (c.given != nullptr) choice.debugFile = filled(c.given);

    const auto source = debugInfoSource(imagePath, bytes, choice);
    const auto info = openDebugInfo(imagePath, bytes, choice);
    if (c.kind != kFound) {
        ASSERT_FALSE(source);
        EXPECT_EQ(source.error().kind, c.kind);
        EXPECT_EQ(source.error().reason, filled(c.found));
        ASSERT_FALSE(info);
        EXPECT_EQ(info.error().reason, source.error().reason);
        return;
    }
    ASSERT_TRUE(source) << source.error().reason;
    EXPECT_EQ(source->debugFilePath(), filled(c.found));
    // The debug info read from there has the table's type.
    ASSERT_TRUE(info) << info.error().reason;
    const auto shape = info->shapeOf("table");
    ASSERT_TRUE(shape) << shape.error().reason;
    EXPECT_EQ(shape->dims, (std::vector<std::optional<std::uint64_t>>{4}));
}

INSTANTIATE_TEST_SUITE_P(SeparateDebugFile, Lookup, ::testing::ValuesIn(kCases), test::CaseName());

struct CandidateCase {
    const char* name;
    image::DebugLinks links;
    std::optional<std::string> imageDirectory;
    const char* debugDirectory;
    std::vector<std::string> expected;
};

void PrintTo(const CandidateCase& value, std::ostream* out) { *out << value.name; }

class Candidates : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(Candidates, InLookupOrder) {
    const CandidateCase& c = GetParam();
    EXPECT_EQ(debugFileCandidates(c.links, c.imageDirectory, c.debugDirectory), c.expected);
}

image::DebugLinks linked(std::string name, std::vector<std::uint8_t> buildId = {}) {
    return image::DebugLinks{false, image::DebugLink{std::move(name), 0}, std::move(buildId)};
}

INSTANTIATE_TEST_SUITE_P(
    SeparateDebugFile, Candidates,
    ::testing::Values(
        CandidateCase{"AtTheRoot",
                      linked("p.debug", {0xAB, 0x01}),
                      "/",
                      "/dbg/",
                      {"/p.debug", "/.debug/p.debug", "/dbg/p.debug", "/dbg/.build-id/ab/01.debug"}},
        // A name that holds a folder would lead elsewhere: only the build-id counts.
        CandidateCase{
            "NameWithAFolder", linked("../p.debug", {0xAB, 0x01}), "/bin", "/d", {"/d/.build-id/ab/01.debug"}},
        CandidateCase{"NameDotDot", linked(".."), "/bin", "/d", {}},
        CandidateCase{"BuildIdOfOneByte", image::DebugLinks{false, std::nullopt, {0xAB}}, "/bin", "/d", {}},
        CandidateCase{
            "StandardInput", linked("p.debug", {0, 1, 2}), std::nullopt, "/d", {"/d/.build-id/00/0102.debug"}}),
    test::CaseName());

}  // namespace
}  // namespace zemrik::debuginfo
