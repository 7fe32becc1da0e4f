// zemrik-cli against input meant to break it: junk in every field, odd and
// overlong paths, files that change or vanish under a run, a "result.txt"
// that cannot be made, and runs racing for one "result.txt".
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "CliProcess.h"
#include "testing/CaseName.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZEMRIK_TEST_UNDER_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEMRIK_TEST_UNDER_ASAN
#endif
#endif

namespace zemrik {
namespace {

using namespace clitest;
using test::countingBytes;
namespace fs = std::filesystem;

constexpr const char* kDumpNotice = "Table dumped in result.txt\n";
constexpr const char* kTooBig = "Hey man, your table is bigger than the file itself !\n";

// A refusal about a file, and the line that says which file and why.
std::string fileRefusal(const std::string& message, const std::string& path, const std::string& reason) {
    return message + "\nzemrik-cli: " + path + ": " + reason + "\n";
}
std::string cannotOpen(const std::string& path, const std::string& reason) {
    return fileRefusal("Can't open file !", path, reason);
}
std::string cannotCreateResult(const std::string& reason) {
    return fileRefusal("Cannot create Result.txt", "result.txt", reason);
}
const std::string kResultInUse = cannotCreateResult("File is in use");

// What the Data Str style prints: two upper-case hex digits a byte, CR LF
// after every `perLine` bytes but the last.
std::string dataStrText(const Bytes& bytes, std::size_t offset, std::size_t count, std::size_t perLine) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2 + count / perLine * 2);
    for (std::size_t index = 0; index < count; ++index) {
        if (index > 0 && index % perLine == 0) text += "\r\n";
        const std::uint8_t value = bytes[offset + index];
        text += kDigits[value >> 4];
        text += kDigits[value & 0xF];
    }
    return text;
}

// A FIFO or a directory standing where a file should be is never read: the
// former would block the test.
std::string regularFileText(const fs::path& path) {
    return fs::is_regular_file(fs::symlink_status(path)) ? readWholeFile(path) : std::string();
}

std::set<std::string> entriesOf(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
    return names;
}

// Each entry's name with the text it holds, if it is a regular file.
std::map<std::string, std::string> contentsOf(const fs::path& directory) {
    std::map<std::string, std::string> contents;
    for (const std::string& name : entriesOf(directory)) contents[name] = regularFileText(directory / name);
    return contents;
}

// Failures name the case rather than dump its bytes.
template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* stream) { *stream << c.name; }

class HostileCli : public CliFixture {
protected:
    // Standard streams go to files named after `tag` beside the working
    // directories, so that runs started together keep theirs apart.
    StartedRun start(const Arguments& arguments, const std::string& tag = "run", const fs::path& directory = {},
                     OutputMode mode = OutputMode::Truncate) {
        return startCli(directory.empty() ? workDirectory() : directory, root() / (tag + ".out"),
                        root() / (tag + ".err"), arguments, mode);
    }
};

// --- Fields -------------------------------------------------------------

// 8 KiB of counting bytes: large enough for a size or an address of 1A2C.
const Bytes kInput = countingBytes(0x2000);

struct FieldCase {
    const char* name;
    std::string size;
    std::string address;
    std::string perLine;
    int exitCode;
    std::string output;  // the table on success
    std::string errors;  // the message on refusal
};

FieldCase accepted(const char* name, std::string size, std::string address, std::string perLine, std::size_t offset,
                   std::size_t count, std::size_t itemsPerLine) {
    return {name,
            std::move(size),
            std::move(address),
            std::move(perLine),
            0,
            dataStrText(kInput, offset, count, itemsPerLine),
            ""};
}

FieldCase refused(const char* name, std::string size, std::string address, std::string perLine, std::string message) {
    return {name, std::move(size), std::move(address), std::move(perLine), 1, "", message + "\n"};
}

// Junk in a field never reaches the request: the whole line of the usage
// error is checked by the unit tests, here only that nothing else happens.
FieldCase junk(const char* name, std::string size, std::string address, std::string perLine) {
    return {name, std::move(size), std::move(address), std::move(perLine), 64, "", ""};
}

class Fields : public HostileCli, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(Fields, AreReadExactlyOrRefusedAsUsageErrors) {
    const FieldCase& field = GetParam();
    const Outcome outcome = run({"-l", "datastr", "-i", "bytes", "-s", field.size, "-a", field.address, "-n",
                                 field.perLine, makeInput(kInput)});
    EXPECT_EQ(outcome.exitCode, field.exitCode);
    EXPECT_EQ(outcome.output, field.output);
    if (field.exitCode == 64) {
        EXPECT_EQ(outcome.errors.rfind("zemrik-cli: ", 0), 0u) << outcome.errors;
        EXPECT_NE(outcome.errors.find("Try 'zemrik-cli --help'"), std::string::npos) << outcome.errors;
    } else {
        EXPECT_EQ(outcome.errors, field.errors);
    }
}

const std::string kTooBigMessage = "Hey man, your table is bigger than the file itself !";

INSTANTIATE_TEST_SUITE_P(
    HostileCli, Fields,
    ::testing::Values(
        accepted("UpperPrefixAndMixedCase", "0X1a", "0x1F", "255", 0x1F, 0x1A, 255),
        accepted("EightDigitsOfZero", "00000001", "00000000", "001", 0, 1, 1),
        refused("LargestSize", "FFFFFFFF", "0", "8",
                kTooBigMessage +
                    "\nzemrik-cli: offset 0x0 + size 0xFFFFFFFF = 0xFFFFFFFF, past the file's size 0x2000"),
        refused("LargestAddress", "1", "0xFFFFFFFF", "8",
                kTooBigMessage +
                    "\nzemrik-cli: offset 0xFFFFFFFF + size 0x1 = 0x100000000, past the file's size 0x2000"),
        junk("NineDigits", "100000004", "0", "8"), junk("Sign", "+40", "0", "8"),
        junk("BlanksBefore", "  40", "0", "8"), junk("JunkAfterDigits", "1", "1A2Cg", "8"),
        junk("NonAscii", "\xC3\xA9", "0", "8"), junk("ControlCharacters", "1", "\x1B[2J", "8"),
        junk("HundredThousandCharacters", std::string(99998, ' ') + "40", "0", "8"),
        junk("PerLine256", "10", "0", "256"), junk("PerLineMinusOne", "10", "0", "-1"),
        junk("PerLineZero", "10", "0", "0")),
    test::CaseName());

// --- Paths --------------------------------------------------------------

const Arguments kFourBytesAsDataStr{"-l", "datastr", "-i", "bytes", "-s", "4", "-a", "0", "-n", "8"};
const Bytes kFourBytes{0xDE, 0xAD, 0xBE, 0xEF};

Arguments withFile(Arguments arguments, const std::string& file) {
    arguments.push_back("--");
    arguments.push_back(file);
    return arguments;
}

// An absolute path of exactly `length` characters below `base`, through as
// many directories as it takes to keep every name short enough.
std::string pathOfLength(const fs::path& base, std::size_t length, char fill) {
    std::string path = base.string();
    while (length - path.size() > 101) path += "/" + std::string(99, fill);
    return path + "/" + std::string(length - path.size() - 1, fill);
}

struct PathCase {
    const char* name;
    std::size_t length;
    bool opens;
};

class PathLengths : public HostileCli, public ::testing::WithParamInterface<PathCase> {};

// The dialog's buffer stops at 259 characters; the command line has no such
// buffer, so only the system's own limit refuses a path.
TEST_P(PathLengths, OpenUpToTheSystemsLimit) {
    const std::string path = pathOfLength(root(), GetParam().length, 'p');
    ASSERT_EQ(path.size(), GetParam().length);
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    writeFile(path, kFourBytes);

    const Outcome outcome = run(withFile(kFourBytesAsDataStr, path));
    EXPECT_EQ(outcome.exitCode, GetParam().opens ? 0 : 1);
    EXPECT_EQ(outcome.output, GetParam().opens ? "DEADBEEF" : "");
    EXPECT_EQ(outcome.errors, GetParam().opens ? "" : cannotOpen(path, "File name too long"));
}

INSTANTIATE_TEST_SUITE_P(HostileCli, PathLengths,
                         ::testing::Values(PathCase{"Exactly259", 259, true}, PathCase{"Exactly260", 260, true},
                                           PathCase{"Of300", 300, true}, PathCase{"Of4095", 4095, true},
                                           PathCase{"Of4096", 4096, false}),
                         test::CaseName());

struct UnopenableCase {
    const char* name;
    std::function<std::string(const fs::path& work)> make;  // answers the path to give
    std::string reason;
};

class UnopenableInputs : public HostileCli, public ::testing::WithParamInterface<UnopenableCase> {};

// Also without ever blocking: a run that waits on its input never reports.
TEST_P(UnopenableInputs, AreRefusedInTheFileBox) {
    const std::string path = GetParam().make(workDirectory());
    const StartedRun started = start(withFile(kFourBytesAsDataStr, path));
    const std::optional<int> code = waitForCliWithin(started, std::chrono::seconds(5));
    ASSERT_TRUE(code) << "the run crashed or hung on " << path;
    EXPECT_EQ(*code, 1);
    EXPECT_EQ(readWholeFile(started.outputPath), "");
    EXPECT_EQ(readWholeFile(started.errorsPath), cannotOpen(path, GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(HostileCli, UnopenableInputs,
                         ::testing::Values(UnopenableCase{"Directory",
                                                          [](const fs::path& work) {
                                                              fs::create_directory(work / "folder");
                                                              return std::string("folder");
                                                          },
                                                          "Is a directory"},
                                           UnopenableCase{"DirectoryWithTrailingSlash",
                                                          [](const fs::path& work) {
                                                              fs::create_directory(work / "folder");
                                                              return std::string("folder/");
                                                          },
                                                          "Is a directory"},
                                           UnopenableCase{"FileWithTrailingSlash",
                                                          [](const fs::path& work) {
                                                              writeFile(work / "input.bin", kFourBytes);
                                                              return std::string("input.bin/");
                                                          },
                                                          "Not a directory"},
                                           UnopenableCase{"Nonexistent",
                                                          [](const fs::path&) { return std::string("missing.bin"); },
                                                          "No such file or directory"},
                                           UnopenableCase{"Empty", [](const fs::path&) { return std::string(); },
                                                          "No such file or directory"},
                                           UnopenableCase{"DanglingLink",
                                                          [](const fs::path& work) {
                                                              fs::create_symlink("missing.bin", work / "link.bin");
                                                              return std::string("link.bin");
                                                          },
                                                          "No such file or directory"},
                                           UnopenableCase{"Fifo",
                                                          [](const fs::path& work) {
                                                              ::mkfifo((work / "pipe").c_str(), 0644);
                                                              return std::string("pipe");
                                                          },
                                                          "Not a regular file"}),
                         test::CaseName());

// --- Input changing between runs -----------------------------------------

struct ReplacementCase {
    const char* name;
    std::function<void(const fs::path& input)> change;
    int exitCode;
    std::string output;
    std::string errors;
};

class InputChanges : public HostileCli, public ::testing::WithParamInterface<ReplacementCase> {};

// Each run opens the file anew: nothing of the first run's file survives.
TEST_P(InputChanges, AreSeenByTheNextRun) {
    const std::string input = makeInput(kFourBytes);
    const Outcome first = run(withFile(kFourBytesAsDataStr, input));
    ASSERT_EQ(first.output, "DEADBEEF");

    GetParam().change(workDirectory() / input);
    const Outcome second = run(withFile(kFourBytesAsDataStr, input));
    EXPECT_EQ(second.exitCode, GetParam().exitCode);
    EXPECT_EQ(second.output, GetParam().output);
    EXPECT_EQ(second.errors, GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(
    HostileCli, InputChanges,
    ::testing::Values(ReplacementCase{"RewrittenInPlace",
                                      [](const fs::path& input) {
                                          writeFile(input, {1, 2, 3, 4});
                                      },
                                      0, "01020304", ""},
                      ReplacementCase{"RenamedOver",
                                      [](const fs::path& input) {
                                          writeFile(input.parent_path() / "new.bin", {5, 6, 7, 8, 9});
                                          fs::rename(input.parent_path() / "new.bin", input);
                                      },
                                      0, "05060708", ""},
                      ReplacementCase{"LinkToAnotherFile",
                                      [](const fs::path& input) {
                                          writeFile(input.parent_path() / "other.bin", {0xA, 0xB, 0xC, 0xD});
                                          fs::remove(input);
                                          fs::create_symlink("other.bin", input);
                                      },
                                      0, "0A0B0C0D", ""},
                      ReplacementCase{
                          "Shortened", [](const fs::path& input) { fs::resize_file(input, 3); }, 1, "",
                          std::string(kTooBig) + "zemrik-cli: offset 0x0 + size 0x4 = 0x4, past the file's size 0x3\n"},
                      ReplacementCase{"Deleted", [](const fs::path& input) { fs::remove(input); }, 1, "",
                                      cannotOpen("input.bin", "No such file or directory")},
                      ReplacementCase{"ReplacedByADirectory",
                                      [](const fs::path& input) {
                                          fs::remove(input);
                                          fs::create_directory(input);
                                      },
                                      1, "", cannotOpen("input.bin", "Is a directory")}),
    test::CaseName());

// --- Input cut while a run reads it --------------------------------------

constexpr std::uintmax_t kLargeSize = 256u << 20;
constexpr std::size_t kLargePerLine = 255;

// Whether the file holds exactly `before` and then the Data Str text of
// `byteCount` zero bytes, read piecewise: the text is half a gigabyte.
::testing::AssertionResult holdsZeroDataStr(const fs::path& path, std::uintmax_t byteCount,
                                            const std::string& before = {}) {
    const std::uintmax_t lines = (byteCount + kLargePerLine - 1) / kLargePerLine;
    const std::uintmax_t expectedSize = before.size() + byteCount * 2 + (lines - 1) * 2;
    if (fs::file_size(path) != expectedSize) {
        return ::testing::AssertionFailure() << "holds " << fs::file_size(path) << " bytes, not " << expectedSize;
    }
    const std::string line = std::string(kLargePerLine * 2, '0') + "\r\n";
    std::ifstream in(path, std::ios::binary);
    std::string piece(before.size(), '\0');
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (piece != before) return ::testing::AssertionFailure() << "what the file held before differs";
    piece.assign(line.size(), '\0');
    for (std::uintmax_t index = 0; index + 1 < lines; ++index) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        if (piece != line) return ::testing::AssertionFailure() << "line " << index << " differs";
    }
    const std::string last(static_cast<std::size_t>((byteCount - (lines - 1) * kLargePerLine) * 2), '0');
    piece.assign(last.size(), '\0');
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (piece != last) return ::testing::AssertionFailure() << "the last line differs";
    return ::testing::AssertionSuccess();
}

// Where the table of a run goes: standard output opened by `>` or `>>`
// (after some text of the shell's), result.txt, or -o over an older file.
enum class Destination { Output, AppendedOutput, ResultTxt, OutputFile };

struct TruncationCase {
    const char* name;
    Destination destination;
    bool bigEndian;  // Data Str then walks backwards from the table's end
};

class InputCutDuringARun : public HostileCli, public ::testing::WithParamInterface<TruncationCase> {};

// Waits until the run holds `file` open, so that a cut lands after the run
// has opened it even on a machine too busy to start the run at once.
void waitUntilOpenedBy(const StartedRun& run, const fs::path& file) {
    const fs::path descriptors = "/proc/" + std::to_string(run.pid) + "/fd";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(descriptors, ignored)) {
            if (fs::read_symlink(entry.path(), ignored) == file) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A run either finished before the cut, with the whole table, or reports
// the failed read and leaves no part of a table anywhere it can take it
// back from: a regular file standing for standard output holds again what it
// held, result.txt is empty, the file of -o is untouched.
TEST_P(InputCutDuringARun, NeverPassesForAShortTable) {
    const Destination destination = GetParam().destination;
    const fs::path input = workDirectory() / "large.bin";
    writeFile(input, {});
    fs::resize_file(input, kLargeSize);  // sparse: zeros without writing them
    Arguments arguments{"-l", "datastr", "-i", "bytes", "-n", "255", "-s", "10000000", "-a", "0"};
    if (destination == Destination::ResultTxt) arguments.push_back("--dump-to-file");
    if (destination == Destination::OutputFile) {
        writeFile(workDirectory() / "out.txt", {'o', 'l', 'd'});
        arguments.insert(arguments.end(), {"-o", "out.txt"});
    }
    const std::string before = destination == Destination::AppendedOutput ? "the shell's line\n" : "";
    writeFile(root() / "run.out", Bytes(before.begin(), before.end()));
    if (GetParam().bigEndian) arguments.push_back("--big-endian");
    arguments.push_back("large.bin");

    const StartedRun started = start(
        arguments, "run", {}, destination == Destination::AppendedOutput ? OutputMode::Append : OutputMode::Truncate);
    waitUntilOpenedBy(started, input);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fs::resize_file(input, 4);
    const Outcome outcome = finish(started);

    const fs::path result = workDirectory() / "result.txt";
    const fs::path outputFile = workDirectory() / "out.txt";
    const fs::path table = destination == Destination::ResultTxt    ? result
                           : destination == Destination::OutputFile ? outputFile
                                                                    : started.outputPath;
    if (outcome.exitCode == 0) {
        EXPECT_EQ(outcome.errors, destination == Destination::ResultTxt ? kDumpNotice : "");
        EXPECT_TRUE(holdsZeroDataStr(table, kLargeSize, before));
        return;
    }
    if (outcome.exitCode == 1) {
        // A slow start (a loaded machine, the sanitizers) checks the file
        // after the cut: refused, and no run at all.
        EXPECT_EQ(outcome.errors.rfind(kTooBig, 0), 0u) << outcome.errors;
        EXPECT_EQ(outcome.output, before);
        EXPECT_FALSE(fs::exists(result));
        return;
    }
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.errors, fileRefusal("Error reading the file !", "large.bin", "File shrank during the run"));
    EXPECT_EQ(outcome.output, before);
    if (destination == Destination::ResultTxt) {
        EXPECT_EQ(fs::file_size(result), 0u);
    }
    if (destination == Destination::OutputFile) {
        EXPECT_EQ(readWholeFile(outputFile), "old");
        EXPECT_EQ(entriesOf(workDirectory()), (std::set<std::string>{"large.bin", "out.txt"}));
    }
}

INSTANTIATE_TEST_SUITE_P(HostileCli, InputCutDuringARun,
                         ::testing::Values(TruncationCase{"ToStandardOutput", Destination::Output, false},
                                           TruncationCase{"AppendedToStandardOutput", Destination::AppendedOutput,
                                                          false},
                                           TruncationCase{"ToResultTxt", Destination::ResultTxt, false},
                                           TruncationCase{"ToAnOutputFile", Destination::OutputFile, false},
                                           TruncationCase{"BackwardsToStandardOutput", Destination::Output, true},
                                           TruncationCase{"BackwardsToResultTxt", Destination::ResultTxt, true},
                                           TruncationCase{"BackwardsToAnOutputFile", Destination::OutputFile, true}),
                         test::CaseName());

// Half a gigabyte of text goes out through buffers of a fixed size: the
// memory a run holds does not grow with its table.
TEST_F(HostileCli, LargeTableStreamsInBoundedMemory) {
#ifdef ZEMRIK_TEST_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer's shadow memory is no measure of the program's own";
#endif
    const fs::path input = workDirectory() / "large.bin";
    writeFile(input, {});
    fs::resize_file(input, kLargeSize);
    const StartedRun started =
        startCli(workDirectory(), "/dev/null", root() / "run.err",
                 {"-l", "datastr", "-i", "bytes", "-n", "255", "-s", "10000000", "-a", "0", "large.bin"});
    int status = 0;
    rusage usage{};
    ASSERT_EQ(::wait4(started.pid, &status, 0, &usage), started.pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readWholeFile(started.errorsPath);
    EXPECT_LE(usage.ru_maxrss, 64 * 1024) << "KiB at the peak, for " << kLargeSize / 1048576 << " MiB of table";
}

// --- result.txt that cannot be made --------------------------------------

const Arguments kDumpFourBytes{"--dump-to-file", "-l", "datastr", "-i", "bytes", "-s", "4", "-a", "0", "-n", "8"};

struct BlockedResultCase {
    const char* name;
    // Sets the obstacle up in the working directory; what it answers is
    // held (a descriptor with a lock, or -1) until the run has ended.
    std::function<int(const fs::path& work)> block;
    std::string reason;
};

class BlockedResult : public HostileCli, public ::testing::WithParamInterface<BlockedResultCase> {};

int lockedResult(const fs::path& work, int operation) {
    writeFile(work / "result.txt", {'o', 'l', 'd'});
    const int descriptor = ::open((work / "result.txt").c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor >= 0 && ::flock(descriptor, operation | LOCK_NB) != 0) ADD_FAILURE() << "cannot lock result.txt";
    return descriptor;
}

// The run fails, says so, and leaves the directory exactly as it found it.
TEST_P(BlockedResult, FailsTheRunAndLeavesNothingBehind) {
    makeInput(kFourBytes);
    const int held = GetParam().block(workDirectory());
    const auto before = contentsOf(workDirectory());

    const Outcome outcome = run(withFile(kDumpFourBytes, "input.bin"));
    if (held >= 0) ::close(held);

    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, cannotCreateResult(GetParam().reason));
    EXPECT_EQ(contentsOf(workDirectory()), before);
}

INSTANTIATE_TEST_SUITE_P(
    HostileCli, BlockedResult,
    ::testing::Values(BlockedResultCase{"DirectoryNamedResultTxt",
                                        [](const fs::path& work) {
                                            fs::create_directory(work / "result.txt");
                                            return -1;
                                        },
                                        "Is a directory"},
                      BlockedResultCase{"FifoNamedResultTxt",
                                        [](const fs::path& work) {
                                            ::mkfifo((work / "result.txt").c_str(), 0644);
                                            return -1;
                                        },
                                        "Not a regular file"},
                      BlockedResultCase{"LinkIntoAMissingDirectory",
                                        [](const fs::path& work) {
                                            fs::create_symlink("missing/result.txt", work / "result.txt");
                                            return -1;
                                        },
                                        "Is a symbolic link"},
                      BlockedResultCase{"LinkToAnotherFile",
                                        [](const fs::path& work) {
                                            writeFile(work / "victim.txt", {'v'});
                                            fs::create_symlink("victim.txt", work / "result.txt");
                                            return -1;
                                        },
                                        "Is a symbolic link"},
                      BlockedResultCase{"BeingWrittenByAnother",
                                        [](const fs::path& work) { return lockedResult(work, LOCK_EX); },
                                        "File is in use"},
                      BlockedResultCase{"BeingReadByAnother",
                                        [](const fs::path& work) { return lockedResult(work, LOCK_SH); },
                                        "File is in use"}),
    test::CaseName());

TEST_F(HostileCli, DumpOverItsOwnInputIsRefusedAndKeepsTheInput) {
    makeInput(kFourBytes, "result.txt");
    const Outcome outcome = run(withFile(kDumpFourBytes, "result.txt"));
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, kResultInUse);
    EXPECT_EQ(readWholeFile(workDirectory() / "result.txt"), std::string("\xDE\xAD\xBE\xEF"));
    EXPECT_EQ(entriesOf(workDirectory()), std::set<std::string>{"result.txt"});
}

TEST_F(HostileCli, ReadOnlyDirectoryFailsTheRunAndLeavesNothingBehind) {
    makeInput(kFourBytes);
    fs::permissions(workDirectory(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    if (std::ofstream(workDirectory() / "probe")) {
        fs::remove(workDirectory() / "probe");
        GTEST_SKIP() << "this user writes into read-only directories (root); see DirectoryNamedResultTxt";
    }
    const Outcome outcome = run(withFile(kDumpFourBytes, "input.bin"));
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors, cannotCreateResult("Permission denied"));
    EXPECT_EQ(entriesOf(workDirectory()), std::set<std::string>{"input.bin"});
}

TEST_F(HostileCli, UnwritableStandardOutputFailsTheRun) {
    makeInput(kFourBytes);
    const StartedRun started =
        startCli(workDirectory(), "/dev/full", root() / "run.err", withFile(kFourBytesAsDataStr, "input.bin"));
    EXPECT_EQ(waitForCliWithin(started, std::chrono::seconds(10)), std::optional<int>(2));
    EXPECT_EQ(readWholeFile(started.errorsPath),
              "zemrik-cli: cannot write the table to standard output\n"
              "zemrik-cli: standard output: No space left on device\n");
}

// --- -o FILE that cannot be replaced --------------------------------------

// Makes `directory` refuse new files, even to root (an immutable directory);
// false where that cannot be had.
bool makeUnwritable(const fs::path& directory) {
    fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec);
    if (!std::ofstream(directory / "probe")) return true;
    fs::remove(directory / "probe");
    const std::string command = "chattr +i '" + directory.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

void makeWritable(const fs::path& directory) {
    const std::string command = "chattr -i '" + directory.string() + "' 2>/dev/null";
    static_cast<void>(std::system(command.c_str()));
    fs::permissions(directory, fs::perms::owner_all);
}

struct OutputFileCase {
    const char* name;
    // Sets the obstacle up in the working directory; false: it cannot be had here.
    std::function<bool(const fs::path& work)> block;
    std::string output;  // the -o argument
    std::string size;    // of the four-byte input
    int exitCode;
    std::string errors;  // their beginning: the system's words may differ
};

class OutputFileLeftAsItWas : public HostileCli, public ::testing::WithParamInterface<OutputFileCase> {
protected:
    void TearDown() override {
        if (fs::exists(workDirectory() / "sub")) makeWritable(workDirectory() / "sub");
        HostileCli::TearDown();
    }
};

std::string cannotWrite(const std::string& path, const std::string& reason) {
    return "zemrik-cli: cannot write the table to " + path + "\nzemrik-cli: " + path + ": " + reason;
}

// Whatever keeps the table from its file, the file and its directory are
// exactly as they were, and nothing went to standard output.
TEST_P(OutputFileLeftAsItWas, WhenTheRunFailsOrIsRefused) {
    makeInput(kFourBytes);
    fs::create_directory(workDirectory() / "sub");
    writeFile(workDirectory() / "sub" / "out.txt", {'o', 'l', 'd'});
    if (!GetParam().block(workDirectory())) GTEST_SKIP() << "this obstacle cannot be had here";
    const std::set<std::string> before = entriesOf(workDirectory() / "sub");

    const Outcome outcome = run({"-l", "datastr", "-i", "bytes", "-n", "8", "-a", "0", "-s", GetParam().size, "-o",
                                 GetParam().output, "input.bin"});
    makeWritable(workDirectory() / "sub");

    EXPECT_EQ(outcome.exitCode, GetParam().exitCode);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(outcome.errors.substr(0, GetParam().errors.size()), GetParam().errors) << outcome.errors;
    EXPECT_EQ(entriesOf(workDirectory() / "sub"), before);
    EXPECT_EQ(regularFileText(workDirectory() / "sub" / "out.txt"), "old");
}

INSTANTIATE_TEST_SUITE_P(
    HostileCli, OutputFileLeftAsItWas,
    ::testing::Values(
        OutputFileCase{"RequestRefused", [](const fs::path&) { return true; }, "sub/out.txt", "5", 1, kTooBig},
        OutputFileCase{"UnwritableDirectory", [](const fs::path& work) { return makeUnwritable(work / "sub"); },
                       "sub/out.txt", "4", 2, cannotWrite("sub/out.txt", "")},
        OutputFileCase{"MissingDirectory", [](const fs::path&) { return true; }, "sub/missing/out.txt", "4", 2,
                       cannotWrite("sub/missing/out.txt", "No such file or directory")},
        OutputFileCase{"DirectoryInTheWay",
                       [](const fs::path& work) {
                           fs::create_directory(work / "sub" / "table");
                           return true;
                       },
                       "sub/table", "4", 2, cannotWrite("sub/table", "Is a directory")}),
    test::CaseName());

// Ctrl-C, kill or a closed terminal in the middle of a run: the program ends
// as the signal says, FILE is as it was, and no part of the table remains.
TEST_F(HostileCli, InterruptedRunLeavesTheOutputFileAsItWas) {
    const fs::path input = workDirectory() / "large.bin";
    writeFile(input, {});
    fs::resize_file(input, kLargeSize);
    writeFile(workDirectory() / "out.txt", {'o', 'l', 'd'});
    const std::set<std::string> before = entriesOf(workDirectory());
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const StartedRun started = start(
            {"-l", "datastr", "-i", "bytes", "-n", "255", "-s", "10000000", "-a", "0", "-o", "out.txt", "large.bin"});
        // The replacement's appearance says the run is writing the table.
        for (int attempt = 0; attempt < 1000 && entriesOf(workDirectory()) == before; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ::kill(started.pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(started.pid, &status, 0), started.pid);
        EXPECT_EQ(entriesOf(workDirectory()), before);
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), signal);
            EXPECT_EQ(readWholeFile(workDirectory() / "out.txt"), "old");
        } else {
            // Finished before the signal came: the whole table.
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_TRUE(holdsZeroDataStr(workDirectory() / "out.txt", kLargeSize));
            writeFile(workDirectory() / "out.txt", {'o', 'l', 'd'});
        }
    }
}

// --- Runs racing for result.txt ------------------------------------------

const Arguments kDumpDataStr{"--dump-to-file", "-l", "datastr", "-i", "bytes", "-a", "0", "-n", "64"};

struct RacingRun {
    Bytes input;
    std::string expected;
    StartedRun started;
};

// A table of 1 to 8 MiB whose every byte differs from the other run's, so
// that a mix of the two could not pass for either.
RacingRun prepareRacer(const fs::path& directory, std::size_t mebibytes, std::uint8_t first) {
    RacingRun racer;
    racer.input = countingBytes(mebibytes << 20, first);
    writeFile(directory / "input.bin", racer.input);
    racer.expected = dataStrText(racer.input, 0, racer.input.size(), 64);
    return racer;
}

Arguments racerArguments(const RacingRun& racer) {
    char size[16];
    std::snprintf(size, sizeof size, "%zX", racer.input.size());
    Arguments arguments = kDumpDataStr;
    arguments.insert(arguments.end(), {"-s", size, "input.bin"});
    return arguments;
}

TEST_F(HostileCli, RunsInTwoDirectoriesBothComplete) {
    const fs::path directories[] = {root() / "a", root() / "b"};
    for (const fs::path& directory : directories) fs::create_directory(directory);
    for (std::size_t round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        RacingRun racers[] = {prepareRacer(directories[0], 8 - round, 0x00),
                              prepareRacer(directories[1], 1 + round, 0x80)};
        for (std::size_t index = 0; index < 2; ++index) {
            racers[index].started =
                start(racerArguments(racers[index]), "racer" + std::to_string(index), directories[index]);
        }
        for (std::size_t index = 0; index < 2; ++index) {
            const Outcome outcome = finish(racers[index].started);
            EXPECT_EQ(outcome.exitCode, 0);
            EXPECT_EQ(outcome.errors, kDumpNotice);
            EXPECT_TRUE(readWholeFile(directories[index] / "result.txt") == racers[index].expected)
                << "racer " << index;
        }
    }
}

// Whoever does not get result.txt says so and leaves it alone; what is left
// is one whole table of a run that succeeded.
TEST_F(HostileCli, RunsInOneDirectoryNeverMixTheirTables) {
    const fs::path directories[] = {root() / "a", root() / "b"};
    for (const fs::path& directory : directories) fs::create_directory(directory);
    int refusals = 0;
    for (std::size_t round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        RacingRun racers[] = {prepareRacer(directories[0], 1 + round % 8, static_cast<std::uint8_t>(round)),
                              prepareRacer(directories[1], 8 - round % 8, static_cast<std::uint8_t>(round + 0x80))};
        for (std::size_t index = 0; index < 2; ++index) {
            // Each reads its own input but both dump into the working directory.
            Arguments arguments = racerArguments(racers[index]);
            arguments.back() = (directories[index] / "input.bin").string();
            racers[index].started = start(arguments, "racer" + std::to_string(index));
        }
        std::vector<const std::string*> complete;
        for (RacingRun& racer : racers) {
            const Outcome outcome = finish(racer.started);
            EXPECT_EQ(outcome.output, "");
            if (outcome.exitCode == 0) {
                EXPECT_EQ(outcome.errors, kDumpNotice);
                complete.push_back(&racer.expected);
            } else {
                EXPECT_EQ(outcome.exitCode, 2);
                EXPECT_EQ(outcome.errors, kResultInUse);
                ++refusals;
            }
        }
        ASSERT_FALSE(complete.empty()) << "both runs failed";
        const std::string result = readWholeFile(workDirectory() / "result.txt");
        EXPECT_TRUE(
            std::any_of(complete.begin(), complete.end(), [&](const std::string* text) { return result == *text; }))
            << "result.txt is no complete table of a successful run (" << result.size() << " bytes)";
    }
    std::printf("%d of 40 racing runs found result.txt taken\n", refusals);
}

}  // namespace
}  // namespace zemrik
