#include "app/cli/CliRunHost.h"

#include <gtest/gtest.h>

#include "app/cli/CliRequestSource.h"

#include <cstdio>
#include <memory>
#include <string>

namespace zemrik::cli {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

std::string contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char chunk[256];
    for (std::size_t count; (count = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, count);
    return text;
}

const HostSettings kDumpToFile{.dumpToFile = true, .bigEndian = false, .finalLineBreak = {}};

// Stands in for the console: two temporary files, the second one taken for a
// terminal or not.
class CliRunHostTest : public ::testing::Test {
protected:
    enum class ErrorStream { File, Terminal };

    CliRunHost host(HostSettings settings, ErrorStream errorStream) {
        return CliRunHost({output.get(), errors.get(), errorStream == ErrorStream::Terminal}, settings);
    }
    std::string outputText() { return contents(output.get()); }
    std::string errorsText() { return contents(errors.get()); }

    OwnedFile output{std::tmpfile()};
    OwnedFile errors{std::tmpfile()};
};

TEST_F(CliRunHostTest, OutputIsWrittenByteForByte) {
    CliRunHost console = host({}, ErrorStream::File);
    const std::string table = "static unsigned char table[2] = {\r\n\t0x00, \r\n\t0x0A };";
    console.setOutputText(table);
    EXPECT_EQ(outputText(), table);
    EXPECT_EQ(errorsText(), "");
    EXPECT_EQ(console.outcome(), HostOutcome::Delivered);
}

TEST_F(CliRunHostTest, DumpNoteGoesToErrorsAndNothingToOutput) {
    CliRunHost console = host(kDumpToFile, ErrorStream::File);
    console.setOutputText("Table dumped in result.txt");
    EXPECT_EQ(outputText(), "");
    EXPECT_EQ(errorsText(), "Table dumped in result.txt\n");
    EXPECT_EQ(console.outcome(), HostOutcome::Delivered);
}

TEST_F(CliRunHostTest, MessageIsAFailureEvenAfterOutput) {
    CliRunHost console = host({}, ErrorStream::File);
    console.setOutputText("x");
    console.showMessage("Error allocating memory !", "Error", MessageIcon::None);
    EXPECT_EQ(errorsText(), "Error allocating memory !\n");
    EXPECT_EQ(console.outcome(), HostOutcome::MessageShown);
}

TEST_F(CliRunHostTest, NothingDeliveredIsNotSuccess) {
    EXPECT_EQ(host({}, ErrorStream::File).outcome(), HostOutcome::NothingDelivered);
}

TEST_F(CliRunHostTest, FailedWriteIsReported) {
    // A stream opened for reading refuses every write.
    OwnedFile readOnly{std::tmpfile()};
    std::FILE* reopened = std::freopen(nullptr, "rb", readOnly.get());
    if (reopened == nullptr) GTEST_SKIP() << "cannot reopen a temporary file for reading here";
    CliRunHost console({reopened, errors.get(), false}, {});
    console.setOutputText("text");
    EXPECT_EQ(console.outcome(), HostOutcome::OutputNotWritten);
}

TEST_F(CliRunHostTest, ProgressIsSilentWithoutATerminal) {
    CliRunHost console = host({}, ErrorStream::File);
    console.setProgressText("50%");
    console.clearProgress();
    console.setOutputText("t");
    EXPECT_EQ(errorsText(), "");
    EXPECT_EQ(outputText(), "t");
}

TEST_F(CliRunHostTest, ProgressOnATerminalShowsOnlyChanges) {
    CliRunHost console = host({}, ErrorStream::Terminal);
    console.setProgressText("9%");
    console.setProgressText("9%");
    console.setProgressText("10%");
    console.setProgressText("100%");
    EXPECT_EQ(errorsText(), "\r9%\r10%\r100%");
}

TEST_F(CliRunHostTest, ShorterProgressCoversTheLongerOne) {
    CliRunHost console = host({}, ErrorStream::Terminal);
    console.setProgressText("100%");
    console.setProgressText("5%");
    EXPECT_EQ(errorsText(), "\r100%\r5%  ");
}

TEST_F(CliRunHostTest, ProgressLineIsClearedBeforeTheTableAndOnlyOnce) {
    CliRunHost console = host({}, ErrorStream::Terminal);
    console.setProgressText("100%");
    console.setOutputText("table");
    console.clearProgress();
    EXPECT_EQ(errorsText(), "\r100%\r    \r");
    EXPECT_EQ(outputText(), "table");
}

TEST_F(CliRunHostTest, ProgressLineIsClearedBeforeAMessage) {
    CliRunHost console = host(kDumpToFile, ErrorStream::Terminal);
    console.setProgressText("3%");
    console.showMessage("Cannot create Result.txt", "Error !", MessageIcon::Error);
    EXPECT_EQ(errorsText(), "\r3%\r  \rCannot create Result.txt\n");
}

// Which file failed and why, on the line after the message; the reason is the
// system's text for its code, or ours.
TEST_F(CliRunHostTest, AFileMessageIsFollowedByItsReason) {
    const platform::SystemError shrank = platform::SystemError::ours(platform::SystemError::Ours::FileShrank);
    CliRunHost console = host({}, ErrorStream::Terminal);
    console.setProgressText("3%");
    console.showFileMessage("Error reading the file !", "Error !", MessageIcon::Error, {"in.bin", shrank});
    EXPECT_EQ(errorsText(), "\r3%\r  \rError reading the file !\nzemrik-cli: in.bin: File shrank during the run\n");
    EXPECT_EQ(console.outcome(), HostOutcome::MessageShown);
}

TEST_F(CliRunHostTest, AFileBoxRefusalIsFollowedByItsReason) {
    const platform::SystemError notRegular = platform::SystemError::ours(platform::SystemError::Ours::NotRegularFile);
    CliOptions options;
    CliRequestSource source(options, errors.get(), std::nullopt, styleRow(Language::C, StyleColumn::ByteHex));
    source.setFileBoxText("Error with filesize !", {"dev", notRegular});
    EXPECT_EQ(errorsText(), "Error with filesize !\nzemrik-cli: dev: Not a regular file\n");
}

}  // namespace
}  // namespace zemrik::cli
