#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/FaultInjection.h"
#include "run/RunWorker.h"
#include "run/tests/SystemHandles.h"
#include "testing/CaseName.h"

namespace zemrik {
namespace {

namespace fs = std::filesystem;

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
    bool operator==(const Message&) const = default;
};

// A front end's stream: keeps the table and how it was ended.
class RecordingStream : public TableStream {
public:
    static StreamResult refused() { return StreamResult::failure({"stream", platform::SystemError::fromCode(28)}); }

    bool opens = true;
    std::optional<int> writesAccepted;  // when set, the writes after these many are refused
    std::string text;
    int writes = 0;
    int finishes = 0;
    int discards = 0;

    StreamResult open() override { return opens ? StreamResult() : refused(); }
    StreamResult write(std::string_view piece) override {
        if (writesAccepted && writes == *writesAccepted) return refused();
        ++writes;
        text += piece;
        return {};
    }
    StreamResult finish() override { return ++finishes == 1 ? StreamResult() : refused(); }
    void discard() override { ++discards; }
};

// Where a run's table goes.
enum class Output { Memory, ResultFile, Stream };

// The dialog as the request and the worker see it: fields to fill, and a
// record of everything reported back. Given a stream, it is a front end
// that takes the table as it is printed.
class FakeDialog : public RequestSource, public RunHost {
public:
    std::string path;
    int items = 0;     // Bytes
    int language = 0;  // C/C++
    std::map<NumberField, std::string> fields;
    std::map<CheckBox, bool> boxes;
    bool bigEndian = false;

    std::vector<std::string> fileBoxTexts;
    std::vector<std::string> progressTexts;
    std::vector<std::string> outputTexts;
    std::vector<Message> messages;
    std::vector<FileFailure> fileFailures;  // of the messages about a file
    int bigEndianReads = 0;
    RecordingStream* stream = nullptr;
    std::function<void()> whenOutputSet;  // called as the output box takes its text

    std::string loadedPath() override { return path; }
    int itemsSelection() override { return items; }
    int languageSelection() override { return language; }
    std::string fieldText(NumberField field) override { return fields[field]; }
    bool isChecked(CheckBox box) override { return boxes[box]; }
    void setFileBoxText(const std::string& text, const FileFailure& failure) override {
        fileBoxTexts.push_back(text);
        fileFailures.push_back(failure);
    }
    void setFileSizeBoxText(const std::string&) override {}
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    void showFileMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                         const FileFailure& failure) override {
        showMessage(text, caption, icon);
        fileFailures.push_back(failure);
    }
    void setProgressText(const std::string& text) override { progressTexts.push_back(text); }
    void setOutputText(TerminatedText text) override {
        outputTexts.emplace_back(text);
        if (whenOutputSet) whenOutputSet();
    }
    bool isBigEndianChecked() override {
        ++bigEndianReads;
        return bigEndian;
    }
    TableStream* tableStream() override { return stream; }

    void ask(const std::string& address, const std::string& size, const std::string& perLine) {
        fields[NumberField::Address] = address;
        fields[NumberField::TableSize] = size;
        fields[NumberField::ItemsPerLine] = perLine;
    }
};

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each test works in a directory of its own, where "result.txt" lands.
class RunWorker : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        directory_ = fs::temp_directory_path() / ("zemrik_worker_" + std::to_string(random()));
        fs::create_directories(directory_);
        previous_ = fs::current_path();
        fs::current_path(directory_);
        platform::clearFaults();
        test::primeSystemHandles();
        handlesBefore_ = platform::countOpenHandles();
    }
    void TearDown() override {
        platform::clearFaults();
        // Printing the reason for a skip may open a console handle.
        if (!IsSkipped()) {
            EXPECT_EQ(platform::countOpenHandles(), handlesBefore_) << "a handle leaked";
        }
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    std::string writeInput(const std::vector<std::uint8_t>& bytes, const std::string& name = "input.bin") {
        std::ofstream out(directory_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (directory_ / name).string();
    }

    // Go, then wait for the worker as the command line does.
    StartOutcome go() {
        StartResult result = startRun(state, dialog, dialog);
        if (result.worker) result.worker->join();
        return result.outcome;
    }

    // A table of zeros from a sparse file as long as it, straight to the
    // worker: the checks ask for no more than the file holds.
    RunOutcome runLargeTable(Language language, ElementSize size, std::uint32_t tableSize, std::uint8_t perLine,
                             Output output) {
        const std::string path = (directory_ / "zeros.bin").string();
        {
            auto zeros = platform::File::createReadWrite(path);
            EXPECT_TRUE(zeros && zeros->truncate(tableSize));
        }
        RunRequest request;
        request.inputFile = *platform::File::openForReading(path);
        request.language = language;
        request.elementSize = size;
        request.tableSize = tableSize;
        request.itemsPerLine = perLine;
        request.dumpToFile = output == Output::ResultFile;
        dialog.stream = output == Output::Stream ? &stream_ : nullptr;
        dialog.messages.clear();
        state.busy = true;
        return runWorker(std::move(request), state, dialog).outcome;
    }

    std::string result() const { return readWhole(directory_ / "result.txt"); }

    RunState state;
    FakeDialog dialog;
    RecordingStream stream_;
    fs::path directory_;
    fs::path previous_;
    long handlesBefore_ = 0;
};

TEST_F(RunWorker, DeliversTheTextAndReleasesEverything) {
    dialog.path = writeInput({0x01, 0x02, 0x03, 0x04});
    dialog.ask("0", "4", "2");
    ASSERT_EQ(go(), StartOutcome::Started);
    EXPECT_FALSE(state.busy);
    ASSERT_EQ(dialog.outputTexts.size(), 1u);
    EXPECT_EQ(dialog.outputTexts[0], "static unsigned char table[4] = {\r\n\t0x01, 0x02, \r\n\t0x03, 0x04 };");
    EXPECT_EQ(dialog.progressTexts, (std::vector<std::string>{"0%", "50%", "100%"}));
    EXPECT_EQ(dialog.bigEndianReads, 1);
    EXPECT_TRUE(dialog.messages.empty());
    EXPECT_FALSE(fs::exists(directory_ / "result.txt"));
}

TEST_F(RunWorker, StreamedTableIsWrittenAndFinished) {
    RecordingStream stream;
    dialog.stream = &stream;
    dialog.path = writeInput({0x01, 0x02, 0x03, 0x04});
    dialog.ask("0", "4", "2");
    ASSERT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(stream.text, "static unsigned char table[4] = {\r\n\t0x01, 0x02, \r\n\t0x03, 0x04 };");
    EXPECT_EQ(stream.finishes, 1);
    EXPECT_EQ(stream.discards, 0);
    EXPECT_TRUE(dialog.outputTexts.empty());
    EXPECT_EQ(dialog.progressTexts, (std::vector<std::string>{"0%", "50%", "100%"}));
    EXPECT_TRUE(dialog.messages.empty());

    // "Dump to file" still means result.txt.
    dialog.boxes[CheckBox::DumpToFile] = true;
    ASSERT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(stream.finishes, 1);
    EXPECT_EQ(dialog.outputTexts, std::vector<std::string>{"Table dumped in result.txt"});
}

TEST_F(RunWorker, StreamThatCannotOpenEndsTheRunQuietly) {
    RecordingStream stream;
    stream.opens = false;
    dialog.stream = &stream;
    dialog.path = writeInput({0x01, 0x02, 0x03, 0x04});
    dialog.ask("0", "4", "2");
    auto request = buildRunRequest(dialog);
    ASSERT_TRUE(request);
    state.busy = true;
    const RunEnd end = runWorker(std::move(*request), state, dialog);
    EXPECT_EQ(end.outcome, RunOutcome::OutputFailed);
    EXPECT_EQ(end.outputFailure, RecordingStream::refused().error()) << "the stream's failure is handed back";
    EXPECT_FALSE(state.busy);
    EXPECT_TRUE(dialog.messages.empty()) << "the front end says why";
    EXPECT_EQ(stream.text, "");
    EXPECT_EQ(stream.discards, 0);
}

// The notice comes once the file holds the text and nothing else.
TEST_F(RunWorker, DumpToFileHoldsExactlyTheText) {
    dialog.path = writeInput({0x01, 0x02, 0x03});
    dialog.ask("0", "3", "8");
    dialog.boxes[CheckBox::DumpToFile] = true;
    const std::string expected = "static unsigned char table[3] = {\r\n\t0x01, 0x02, 0x03 };";
    std::string resultAtNotice;
    dialog.whenOutputSet = [&] { resultAtNotice = result(); };
    ASSERT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(dialog.outputTexts, std::vector<std::string>{"Table dumped in result.txt"});
    EXPECT_EQ(expected.size(), 55u);
    EXPECT_EQ(resultAtNotice, expected);
    EXPECT_EQ(result(), expected);
}

TEST_F(RunWorker, SecondShorterDumpReplacesTheFileCompletely) {
    dialog.path = writeInput(std::vector<std::uint8_t>(300, 0xEE));
    dialog.boxes[CheckBox::DumpToFile] = true;
    dialog.ask("0", "12C", "16");  // 300 bytes
    ASSERT_EQ(go(), StartOutcome::Started);
    const std::size_t longer = result().size();
    dialog.ask("0", "1", "16");
    ASSERT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(result(), "static unsigned char table[1] = {\r\n\t0xEE };");
    EXPECT_LT(result().size(), longer);
}

TEST_F(RunWorker, DumpingOverItsOwnInputIsRefusedAndLosesNothing) {
    const std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03, 0x04};
    dialog.path = writeInput(bytes, "result.txt");
    dialog.ask("0", "4", "8");
    dialog.boxes[CheckBox::DumpToFile] = true;
    ASSERT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(dialog.messages, (std::vector<Message>{{"Cannot create Result.txt", "Error !", MessageIcon::Error}}));
    ASSERT_EQ(dialog.fileFailures.size(), 1u);
    EXPECT_EQ(dialog.fileFailures[0].path, "result.txt");
    EXPECT_EQ(result(), std::string(bytes.begin(), bytes.end()));
}

TEST_F(RunWorker, BigEndianIsReadOnceWhenTheRunStarts) {
    dialog.path = writeInput({0xA1, 0xB2, 0xC3, 0xD4, 0xE5});
    dialog.language = 3;
    dialog.ask("0", "5", "2");
    dialog.bigEndian = true;
    ASSERT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(dialog.bigEndianReads, 1);
    EXPECT_EQ(dialog.outputTexts, std::vector<std::string>{"E5D4\r\nC3B2\r\nA1"});
}

TEST_F(RunWorker, DelphiDecimalOutgrowingItsEstimateStillDumpsExactly) {
    dialog.path = writeInput(std::vector<std::uint8_t>(400, 200));
    dialog.language = 2;
    dialog.boxes[CheckBox::Decimal] = true;
    dialog.ask("0", "BE", "255");  // 190 values of 200 outgrow the estimate of 860
    for (bool toFile : {false, true}) {
        dialog.boxes[CheckBox::DumpToFile] = toFile;
        dialog.outputTexts.clear();
        ASSERT_EQ(go(), StartOutcome::Started);
        std::string expected = "CONST table : array[0..189] of byte = (\r\n\t";
        for (int i = 0; i < 189; ++i) expected += "200, ";
        expected += "200);";
        ASSERT_EQ(dialog.outputTexts.size(), 1u);
        EXPECT_EQ(toFile ? result() : dialog.outputTexts[0], expected) << toFile;
        EXPECT_TRUE(dialog.messages.empty());
    }
}

TEST_F(RunWorker, GoWhileBusyOpensAndShowsNothing) {
    dialog.path = writeInput({1, 2, 3, 4});
    dialog.ask("0", "4", "2");
    state.busy = true;
    const long handles = platform::countOpenHandles();
    EXPECT_EQ(go(), StartOutcome::Ignored);
    EXPECT_EQ(platform::countOpenHandles(), handles);
    EXPECT_TRUE(dialog.messages.empty());
    EXPECT_TRUE(dialog.fileBoxTexts.empty());
    EXPECT_TRUE(dialog.outputTexts.empty());
    state.busy = false;
    EXPECT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(dialog.outputTexts.size(), 2u);
}

TEST_F(RunWorker, RefusalStartsNothing) {
    dialog.path = writeInput({1, 2, 3, 4});
    dialog.ask("0", "5", "2");
    EXPECT_EQ(go(), StartOutcome::Refused);
    EXPECT_FALSE(state.busy);
    EXPECT_EQ(
        dialog.messages,
        (std::vector<Message>{{"Hey man, your table is bigger than the file itself !", "Error", MessageIcon::None}}));
}

// A front end that waits learns the run's end; a refused one has none.
TEST_F(RunWorker, RunToEndHandsBackHowTheRunEnded) {
    dialog.path = writeInput({1, 2, 3, 4});
    dialog.ask("0", "4", "2");
    const WaitedRun delivered = runToEnd(state, dialog, dialog);
    EXPECT_EQ(delivered.start, StartOutcome::Started);
    ASSERT_TRUE(delivered.end);
    EXPECT_EQ(delivered.end->outcome, RunOutcome::Delivered);
    EXPECT_FALSE(state.busy);

    dialog.ask("0", "5", "2");
    const WaitedRun refused = runToEnd(state, dialog, dialog);
    EXPECT_EQ(refused.start, StartOutcome::Refused);
    EXPECT_FALSE(refused.end);
}

// The four bytes 01 02 03 04 as C bytes, 8 per line, and the file their
// mapping makes: 4 / 8 x 3 + 4 x 6 + 100 bytes.
const std::string kFourBytesTable = "static unsigned char table[4] = {\r\n\t0x01, 0x02, 0x03, 0x04 };";
constexpr std::size_t kFourBytesEstimate = 124;
const std::string kEstimateOfZeros(kFourBytesEstimate, '\0');
const std::string kTableThenZeros = kFourBytesTable + std::string(kFourBytesEstimate - kFourBytesTable.size(), '\0');

struct FaultCase {
    const char* name;
    platform::Acquisition fault;
    bool dumpToFile;
    Message message;
    StartOutcome start;
    std::optional<std::string> resultFile;  // its content; nothing when it must not exist
};

class RunFaults : public RunWorker, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(RunFaults, ReportExactlyAndReleaseEverything) {
    const FaultCase& c = GetParam();
    dialog.path = writeInput({0x01, 0x02, 0x03, 0x04});
    dialog.ask("0", "4", "8");
    dialog.boxes[CheckBox::DumpToFile] = c.dumpToFile;
    platform::armFault(c.fault);
    EXPECT_EQ(go(), c.start);
    EXPECT_FALSE(state.busy);
    EXPECT_EQ(dialog.messages, std::vector<Message>{c.message});
    // Only the result file's failures are about a file, and they say why.
    const bool aboutResult =
        c.fault == platform::Acquisition::CreateReadWriteFile || c.fault == platform::Acquisition::TruncateFile;
    const auto fileFailures = aboutResult ? std::vector<FileFailure>{{"result.txt", platform::injectedFaultError()}}
                                          : std::vector<FileFailure>{};
    EXPECT_EQ(dialog.fileFailures, fileFailures);
    // No table, and no notice of one.
    EXPECT_TRUE(dialog.outputTexts.empty());
    EXPECT_EQ(fs::exists(directory_ / "result.txt"), c.resultFile.has_value());
    if (c.resultFile) {
        EXPECT_EQ(result(), *c.resultFile);
    }
    // Nothing stays held: the next Go works.
    platform::clearFaults();
    dialog.messages.clear();
    EXPECT_EQ(go(), StartOutcome::Started);
    EXPECT_EQ(dialog.outputTexts.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(RunWorker, RunFaults,
                         ::testing::Values(FaultCase{"ResultFile",
                                                     platform::Acquisition::CreateReadWriteFile,
                                                     true,
                                                     {"Cannot create Result.txt", "Error !", MessageIcon::Error},
                                                     StartOutcome::Started,
                                                     std::nullopt},
                                           FaultCase{"Mapping",
                                                     platform::Acquisition::CreateMapping,
                                                     true,
                                                     {"Cannot create Mapping", "Error !", MessageIcon::Error},
                                                     StartOutcome::Started,
                                                     ""},
                                           FaultCase{"Cut",
                                                     platform::Acquisition::TruncateFile,
                                                     true,
                                                     {"Cannot cut Result.txt to the table's length", "Error !",
                                                      MessageIcon::Error},
                                                     StartOutcome::Started,
                                                     kTableThenZeros},
                                           FaultCase{"View",
                                                     platform::Acquisition::MapView,
                                                     true,
                                                     {"Error allocating memory !", "Error", MessageIcon::None},
                                                     StartOutcome::Started,
                                                     kEstimateOfZeros},
                                           FaultCase{"Memory",
                                                     platform::Acquisition::AllocateMemory,
                                                     false,
                                                     {"Error allocating memory !", "Error", MessageIcon::None},
                                                     StartOutcome::Started,
                                                     std::nullopt},
                                           FaultCase{"Thread",
                                                     platform::Acquisition::StartThread,
                                                     false,
                                                     {"Cannot start the run !", "Error !", MessageIcon::Error},
                                                     StartOutcome::CouldNotStart,
                                                     std::nullopt}),
                         test::CaseName());

TEST_F(RunWorker, FileShrunkAfterAcceptanceIsAFailureNotATable) {
#ifdef _WIN32
    GTEST_SKIP() << "the input is shared for reading only, so Windows lets nobody shrink it during a run";
#endif
    for (Output output : {Output::Memory, Output::ResultFile, Output::Stream}) {
        const bool toFile = output == Output::ResultFile;
        RecordingStream stream;
        dialog.stream = output == Output::Stream ? &stream : nullptr;
        const std::string path = writeInput(std::vector<std::uint8_t>(100000, 0x5A));
        dialog.path = path;
        dialog.ask("0", "186A0", "16");  // 100000 bytes
        dialog.boxes[CheckBox::DumpToFile] = toFile;
        dialog.messages.clear();
        dialog.fileFailures.clear();
        auto request = buildRunRequest(dialog);
        ASSERT_TRUE(request);
        fs::resize_file(path, 5000);
        state.busy = true;
        EXPECT_EQ(runWorker(std::move(*request), state, dialog).outcome, RunOutcome::ReadFailed);
        EXPECT_FALSE(state.busy);
        EXPECT_EQ(dialog.messages, (std::vector<Message>{{"Error reading the file !", "Error !", MessageIcon::Error}}));
        const FileFailure shrank{path, platform::SystemError::ours(platform::SystemError::Ours::FileShrank)};
        EXPECT_EQ(dialog.fileFailures, std::vector<FileFailure>{shrank});
        EXPECT_TRUE(dialog.outputTexts.empty());
        if (toFile) {
            EXPECT_EQ(result(), "");
        }
        EXPECT_EQ(stream.finishes, 0);
        EXPECT_EQ(stream.discards, output == Output::Stream ? 1 : 0);
    }
}

const std::vector<Message> kNoBuffer{{"Error allocating memory !", "Error", MessageIcon::None}};

TEST_F(RunWorker, EstimateBeyond32BitsIsNoBuffer) {
    for (Output output : {Output::Memory, Output::ResultFile}) {
        EXPECT_EQ(runLargeTable(Language::C, ElementSize::Dword, 0xFFFFFFFC, 1, output), RunOutcome::NoBuffer);
        EXPECT_EQ(dialog.messages, kNoBuffer);
        EXPECT_FALSE(state.busy);
    }
}

// An estimate that fits in 32 bits but not in a 32-bit address space: no
// buffer, in memory and in result.txt alike (which the mapping has made as
// long as the estimate). A stream holds a few bounded pieces, so it prints.
TEST_F(RunWorker, BufferBeyondA32BitAddressSpaceIsNoBufferButAStreamPrints) {
    if (sizeof(void*) > 4) GTEST_SKIP() << "a 64-bit address space has room for this buffer";
    constexpr std::uint64_t kEstimate = 0x7F000000u / 255 * 2 + 0x7F000000ull * 2 + 100;
    // The first piece shows the table is being printed; the rest would be 4 GB.
    stream_.writesAccepted = 1;
    struct Case {
        Output output;
        RunOutcome outcome;
        std::vector<Message> messages;
    };
    const Case cases[] = {
        {Output::Memory, RunOutcome::NoBuffer, kNoBuffer},
        {Output::ResultFile, RunOutcome::NoBuffer, kNoBuffer},
        {Output::Stream, RunOutcome::OutputFailed, {}},  // the front end says why
    };
    // Not SCOPED_TRACE: its first use makes GoogleTest hold a handle on Windows.
    for (const Case& c : cases) {
        const int output = static_cast<int>(c.output);
        EXPECT_EQ(runLargeTable(Language::DataStr, ElementSize::Byte, 0x7F000000, 255, c.output), c.outcome) << output;
        EXPECT_EQ(dialog.messages, c.messages) << output;
        EXPECT_FALSE(state.busy);
    }
    EXPECT_EQ(fs::file_size(directory_ / "result.txt"), kEstimate);
    EXPECT_EQ(stream_.writes, 1);
    EXPECT_EQ(stream_.text.substr(0, 6), "000000");
    EXPECT_EQ(stream_.discards, 1);
}

}  // namespace
}  // namespace zemrik
