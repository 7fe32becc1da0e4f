// -o FILE through the real program where FILE is no plain new name: the input
// itself under another name, a symbolic link, a file with other hard links.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <system_error>

#include "CliProcess.h"
#include "testing/CaseName.h"

namespace zemrik {
namespace {

using namespace clitest;
namespace fs = std::filesystem;

const Bytes kInput = {0xDE, 0xAD, 0xBE, 0xEF};
const std::string kInputText = "\xDE\xAD\xBE\xEF";
constexpr const char* kTable = "DEADBEEF";

class CliOutputFile : public CliFixture {
protected:
    CliOutputFile() { makeInput(kInput, "in.bin"); }

    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(workDirectory()))
            names.insert(entry.path().filename().string());
        return names;
    }

    // The four input bytes as Data Str, into `output`; `input` "-" reads
    // them from standard input, redirected from in.bin.
    Outcome run(const std::string& output, const std::string& input = "in.bin") {
        const Arguments arguments = {"-l", "datastr", "-i", "bytes", "-n",   "4",  "-a",
                                     "0",  "-s",      "4",  "-o",    output, input};
        const int redirected = input == "-" ? ::open((workDirectory() / "in.bin").c_str(), O_RDONLY) : -1;
        return CliFixture::run(arguments, redirected, std::chrono::seconds(30));
    }
};

struct SameFileCase {
    const char* name;
    const char* output;  // the -o argument
    void (*make)(const fs::path& work);
    const char* input = "in.bin";      // the FILE argument
    const char* inputName = "in.bin";  // as the message names it
};

class OutputOntoItsInput : public CliOutputFile, public ::testing::WithParamInterface<SameFileCase> {};

// Every name of the input is refused before anything is written: the input,
// its names and its directory stay exactly as they were.
TEST_P(OutputOntoItsInput, IsRefusedAndTouchesNothing) {
    GetParam().make(workDirectory());
    const std::set<std::string> before = entries();
    const Outcome outcome = run(GetParam().output, GetParam().input);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, std::string("zemrik-cli: -o ") + GetParam().output + " is the input file " +
                                  GetParam().inputName + ": the table would take the place of its input\n");
    EXPECT_EQ(readWholeFile(workDirectory() / "in.bin"), kInputText);
    EXPECT_EQ(entries(), before);
    EXPECT_TRUE(fs::is_symlink(workDirectory() / "link.bin") ||
                !fs::exists(fs::symlink_status(workDirectory() / "link.bin")));
}

INSTANTIATE_TEST_SUITE_P(CliOutputFile, OutputOntoItsInput,
                         ::testing::Values(SameFileCase{"SamePath", "in.bin", [](const fs::path&) {}},
                                           SameFileCase{"DotSlashPath", "./in.bin", [](const fs::path&) {}},
                                           SameFileCase{"HardLink", "hard.bin",
                                                        [](const fs::path& work) {
                                                            fs::create_hard_link(work / "in.bin", work / "hard.bin");
                                                        }},
                                           SameFileCase{"SymbolicLink", "link.bin",
                                                        [](const fs::path& work) {
                                                            fs::create_symlink("in.bin", work / "link.bin");
                                                        }}),
                         test::CaseName());

// The link stays a link; the file it leads to, in another directory, takes
// the table, and no replacement is left in either directory.
TEST_F(CliOutputFile, OntoASymbolicLinkReplacesTheFileItLeadsTo) {
    fs::create_directory(workDirectory() / "generated");
    writeFile(workDirectory() / "generated" / "table.h", {'o', 'l', 'd'});
    fs::create_symlink("generated/table.h", workDirectory() / "table.h");
    const Outcome outcome = run("table.h");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(outcome.errors, "");
    EXPECT_TRUE(fs::is_symlink(workDirectory() / "table.h"));
    EXPECT_EQ(fs::read_symlink(workDirectory() / "table.h"), "generated/table.h");
    EXPECT_EQ(readWholeFile(workDirectory() / "generated" / "table.h"), kTable);
    EXPECT_EQ(entries(), (std::set<std::string>{"generated", "in.bin", "table.h"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(workDirectory() / "generated"), fs::directory_iterator()), 1);
}

TEST_F(CliOutputFile, OntoALinkToNoFileIsRefused) {
    fs::create_symlink("missing/table.h", workDirectory() / "table.h");
    const Outcome outcome = run("table.h");
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.errors,
              "zemrik-cli: cannot write the table to table.h\n"
              "zemrik-cli: table.h: Is a symbolic link to a missing file\n");
    EXPECT_EQ(entries(), (std::set<std::string>{"in.bin", "table.h"}));
}

// A rename puts a new file under the name given; other names of the old file
// keep what it held.
TEST_F(CliOutputFile, OntoAHardLinkedFileLeavesTheOtherNameItsContents) {
    writeFile(workDirectory() / "table.h", {'o', 'l', 'd'});
    fs::create_hard_link(workDirectory() / "table.h", workDirectory() / "other.h");
    const Outcome outcome = run("table.h");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(readWholeFile(workDirectory() / "table.h"), kTable);
    EXPECT_EQ(readWholeFile(workDirectory() / "other.h"), "old");
    EXPECT_EQ(fs::hard_link_count(workDirectory() / "other.h"), 1u);
}

}  // namespace
}  // namespace zemrik
