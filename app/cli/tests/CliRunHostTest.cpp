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

const HostSettings kToDestination{.dumpToFile = false, .bigEndian = false};
const HostSettings kDumpToFile{.dumpToFile = true, .bigEndian = false};

// A destination that keeps the table in memory and can be told to refuse writes.
class MemoryDestination final : public TableDestination {
public:
    using TableDestination::TableDestination;
    StreamResult open() override { return {}; }
    StreamResult write(std::string_view piece) override {
        if (refuse) return fail(platform::SystemError::fromCode(28));  // ENOSPC on Linux, a code of some kind anywhere
        text += piece;
        return {};
    }
    void discard() override { text.clear(); }
    std::string name() const override { return "memory"; }

    std::string text;
    bool refuse = false;

private:
    StreamResult complete() override { return {}; }
};

// Stands in for the console: a temporary file for standard error, taken for
// a terminal or not, and a destination in memory.
class CliRunHostTest : public ::testing::Test {
protected:
    enum class ErrorStream { File, Terminal };

    CliRunHost host(HostSettings settings, ErrorStream errorStream) {
        return CliRunHost({errors.get(), errorStream == ErrorStream::Terminal}, settings, destination);
    }
    std::string errorsText() { return contents(errors.get()); }

    OwnedFile errors{std::tmpfile()};
    MemoryDestination destination{"\n"};
};

TEST_F(CliRunHostTest, TableIsDeliveredWhenItsDestinationIsFinished) {
    CliRunHost console = host(kToDestination, ErrorStream::File);
    TableStream* stream = console.tableStream();
    ASSERT_EQ(stream, &destination);
    ASSERT_TRUE(stream->open() && stream->write("table") && stream->finish());
    EXPECT_EQ(destination.text, "table\n") << "the final line break follows the table";
    EXPECT_EQ(errorsText(), "");
}

TEST_F(CliRunHostTest, DumpNoteGoesToErrorsAndNothingToTheDestination) {
    CliRunHost console = host(kDumpToFile, ErrorStream::File);
    EXPECT_EQ(console.tableStream(), nullptr);
    console.setOutputText("Table dumped in result.txt");
    EXPECT_EQ(destination.text, "");
    EXPECT_EQ(errorsText(), "Table dumped in result.txt\n");
}

TEST_F(CliRunHostTest, MessageIsPrintedEvenAfterTheTable) {
    CliRunHost console = host(kToDestination, ErrorStream::File);
    ASSERT_TRUE(destination.write("x") && destination.finish());
    console.showMessage("Error allocating memory !", "Error", MessageIcon::None);
    EXPECT_EQ(errorsText(), "Error allocating memory !\n");
}

TEST_F(CliRunHostTest, RefusedWriteIsReportedWithItsReason) {
    destination.refuse = true;
    const StreamResult written = destination.write("text");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().path, "memory");
    EXPECT_EQ(written.error().reason, platform::SystemError::fromCode(28));
}

TEST_F(CliRunHostTest, ProgressIsSilentWithoutATerminal) {
    CliRunHost console = host(kToDestination, ErrorStream::File);
    console.setProgressText("50%");
    console.clearProgress();
    EXPECT_EQ(errorsText(), "");
}

TEST_F(CliRunHostTest, ProgressOnATerminalShowsOnlyChanges) {
    CliRunHost console = host(kToDestination, ErrorStream::Terminal);
    console.setProgressText("9%");
    console.setProgressText("9%");
    console.setProgressText("10%");
    console.setProgressText("100%");
    EXPECT_EQ(errorsText(), "\r9%\r10%\r100%");
}

TEST_F(CliRunHostTest, ShorterProgressCoversTheLongerOne) {
    CliRunHost console = host(kToDestination, ErrorStream::Terminal);
    console.setProgressText("100%");
    console.setProgressText("5%");
    EXPECT_EQ(errorsText(), "\r100%\r5%  ");
}

TEST_F(CliRunHostTest, ProgressLineIsClearedBeforeTheNoteAndOnlyOnce) {
    CliRunHost console = host(kDumpToFile, ErrorStream::Terminal);
    console.setProgressText("100%");
    console.setOutputText("Table dumped in result.txt");
    console.clearProgress();
    EXPECT_EQ(errorsText(), "\r100%\r    \rTable dumped in result.txt\n");
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
    CliRunHost console = host(kToDestination, ErrorStream::Terminal);
    console.setProgressText("3%");
    console.showFileMessage("Error reading the file !", "Error !", MessageIcon::Error, {"in.bin", shrank});
    EXPECT_EQ(errorsText(), "\r3%\r  \rError reading the file !\nzemrik-cli: in.bin: File shrank during the run\n");
}

TEST_F(CliRunHostTest, AFileBoxRefusalIsFollowedByItsReason) {
    const platform::SystemError notRegular = platform::SystemError::ours(platform::SystemError::Ours::NotRegularFile);
    CliOptions options;
    CliRequestSource source(options, errors.get(), std::nullopt, StyleChoice{});
    source.setFileBoxText("Error with filesize !", {"dev", notRegular});
    EXPECT_EQ(errorsText(), "Error with filesize !\nzemrik-cli: dev: Not a regular file\n");
}

}  // namespace
}  // namespace zemrik::cli
