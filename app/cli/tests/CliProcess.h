// Runs the built zemrik-cli as a child process, the POSIX way, for the tests
// that check the program from the outside. ZEMRIK_CLI_PATH names the program.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "testing/TestFiles.h"

namespace zemrik::clitest {

using test::Bytes;
using test::readWholeFile;
using test::writeFile;
using Arguments = std::vector<std::string>;

struct Outcome {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

// How the shell opens standard output: `>` or `>>`.
enum class OutputMode { Truncate, Append };

// The child's standard streams are files in the working directory's parent,
// so that they never show up among the files the program writes. Standard
// input is `input` when given (a pipe's reading end), else empty.
[[noreturn]] inline void execInChild(const std::filesystem::path& directory, const std::filesystem::path& outputPath,
                                     const std::filesystem::path& errorsPath, const Arguments& arguments,
                                     int input = -1, OutputMode mode = OutputMode::Truncate) {
    if (input < 0) input = ::open("/dev/null", O_RDONLY);
    const int output =
        ::open(outputPath.c_str(), O_WRONLY | O_CREAT | (mode == OutputMode::Append ? O_APPEND : O_TRUNC), 0644);
    const int errors = ::open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || output < 0 || errors < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0 ||
        ::dup2(errors, 2) < 0 || ::chdir(directory.c_str()) != 0) {
        ::_exit(126);
    }
    std::vector<char*> argv;
    std::string program = ZEMRIK_CLI_PATH;
    argv.push_back(program.data());
    Arguments copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

// A run started without waiting for it, for tests that act while it runs
// or start several at once.
struct StartedRun {
    pid_t pid = -1;
    std::filesystem::path outputPath;
    std::filesystem::path errorsPath;
};

inline StartedRun startCli(const std::filesystem::path& directory, const std::filesystem::path& outputPath,
                           const std::filesystem::path& errorsPath, const Arguments& arguments,
                           OutputMode mode = OutputMode::Truncate, int input = -1) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) execInChild(directory, outputPath, errorsPath, arguments, input, mode);
    return {child, outputPath, errorsPath};
}

// The exit code, or nothing when the child could not be waited for or did
// not exit by itself (a signal counts as a crash).
inline std::optional<int> waitForCli(const StartedRun& run) {
    int status = 0;
    if (run.pid < 0 || ::waitpid(run.pid, &status, 0) != run.pid || !WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

// As waitForCli, but a child still running after `limit` is killed and
// reported as nothing: a test must not hang with the program it checks.
inline std::optional<int> waitForCliWithin(const StartedRun& run, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (run.pid >= 0) {
        const pid_t waited = ::waitpid(run.pid, &status, WNOHANG);
        if (waited == run.pid) return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
        if (waited < 0) return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(run.pid, SIGKILL);
            ::waitpid(run.pid, &status, 0);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

// The fixture of the tests that start zemrik-cli: a fresh directory whose
// "work" folder the program runs in, its standard streams kept beside that
// folder so that they never show up among the files the program writes.
class CliFixture : public ::testing::Test {
protected:
    CliFixture() { std::filesystem::create_directories(workDirectory()); }
    void TearDown() override {
        // A test may have taken its permissions from the working directory.
        std::error_code ignored;
        std::filesystem::permissions(workDirectory(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }

    const std::filesystem::path& root() const { return root_.directory(); }
    std::filesystem::path workDirectory() const { return root() / "work"; }

    // A file in the working directory; its name is what the program is given.
    std::string makeInput(const Bytes& bytes, const std::string& name = "input.bin") const {
        writeFile(workDirectory() / name, bytes);
        return name;
    }

    // Starts zemrik-cli in the working directory. Standard input is `input`
    // when given (a descriptor the child inherits, closed here), else empty.
    StartedRun start(const Arguments& arguments, int input = -1) const {
        const StartedRun started =
            startCli(workDirectory(), root() / "run.out", root() / "run.err", arguments, OutputMode::Truncate, input);
        if (input >= 0) ::close(input);
        return started;
    }

    // Waits for the run; one that crashes or outlives `limit` fails the test.
    static Outcome finish(const StartedRun& started, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        Outcome outcome;
        const std::optional<int> code = waitForCliWithin(started, limit);
        if (!code) ADD_FAILURE() << "zemrik-cli crashed or did not end by itself";
        outcome.exitCode = code.value_or(-1);
        outcome.output = readWholeFile(started.outputPath);
        outcome.errors = readWholeFile(started.errorsPath);
        return outcome;
    }

    Outcome run(const Arguments& arguments, int input = -1,
                std::chrono::milliseconds limit = std::chrono::seconds(60)) const {
        return finish(start(arguments, input), limit);
    }

private:
    test::TempDirectory root_{"zemrik_cli"};
};

}  // namespace zemrik::clitest
