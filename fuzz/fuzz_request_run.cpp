// Go with fuzzed dialog fields over a small fuzzed file. Every outcome must be
// either the one refusal the fields call for, with nothing started, or a run
// that delivers the plain snprintf walk's text (or one failure message),
// clears busy and leaves no handle open.
//
// Input: Items selection, Language selection, a byte of check boxes (and of
// whether the front end takes the table as a stream, as zemrik-cli does), the
// Address, Size and Items-per-line texts (each a length byte and its
// characters), then the file's content.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/OutputStyle.h"
#include "core/tests/TestSupport.h"
#include "fuzz/FuzzSupport.h"
#include "platform/FaultInjection.h"
#include "run/FieldConversion.h"
#include "run/ImageAddress.h"
#include "run/RunMessages.h"
#include "run/RunWorker.h"

namespace {

namespace fs = std::filesystem;
using zemrik::fuzz::check;
using namespace zemrik::messages;

constexpr std::size_t kLargestFile = 4096;
constexpr std::size_t kLongestField = 24;
constexpr const char* kInputName = "input.bin";

struct DialogFields {
    int items = -1;
    int language = -1;
    bool dumpToFile = false;
    bool decimal = false;
    bool rva = false;
    bool bigEndian = false;
    bool fileMissing = false;
    bool streamed = false;
    std::string address;
    std::string size;
    std::string perLine;
    std::vector<std::uint8_t> content;
};

DialogFields readFields(const std::uint8_t* data, std::size_t size) {
    zemrik::fuzz::InputReader input(data, size);
    DialogFields fields;
    fields.items = input.byte() % 5 - 1;
    fields.language = input.byte() % 5 - 1;
    const std::uint8_t boxes = input.byte();
    fields.dumpToFile = (boxes & 1) != 0;
    fields.decimal = (boxes & 2) != 0;
    fields.rva = (boxes & 4) != 0;
    fields.bigEndian = (boxes & 8) != 0;
    fields.fileMissing = (boxes & 16) != 0;
    fields.streamed = (boxes & 32) != 0;
    fields.address = input.shortText(kLongestField);
    fields.size = input.shortText(kLongestField);
    fields.perLine = input.shortText(kLongestField);
    fields.content = input.rest(kLargestFile);
    return fields;
}

// A front end's stream, keeping what it is given and how it ended.
class RecordingStream : public zemrik::TableStream {
public:
    zemrik::StreamResult open() override {
        ++opens;
        return {};
    }
    zemrik::StreamResult write(std::string_view piece) override {
        text += piece;
        return {};
    }
    zemrik::StreamResult finish() override {
        ++finishes;
        return {};
    }
    void discard() override { ++discards; }

    std::string text;
    int opens = 0;
    int finishes = 0;
    int discards = 0;
};

// The dialog's side of Go and of the run, recording everything it is told.
class FakeDialog : public zemrik::RequestSource, public zemrik::RunHost {
public:
    explicit FakeDialog(const DialogFields& fields) : fields_(fields) {}

    std::string loadedPath() override { return fields_.fileMissing ? "missing.bin" : kInputName; }
    int itemsSelection() override { return fields_.items; }
    int languageSelection() override { return fields_.language; }
    std::string fieldText(zemrik::NumberField field) override {
        switch (field) {
        case zemrik::NumberField::TableSize: return fields_.size;
        case zemrik::NumberField::Address: return fields_.address;
        case zemrik::NumberField::ItemsPerLine: return fields_.perLine;
        }
        return {};
    }
    bool isChecked(zemrik::CheckBox box) override {
        switch (box) {
        case zemrik::CheckBox::DumpToFile: return fields_.dumpToFile;
        case zemrik::CheckBox::Decimal: return fields_.decimal;
        case zemrik::CheckBox::Rva: return fields_.rva;
        }
        return false;
    }
    void setFileBoxText(const std::string& text, const zemrik::FileFailure& failure) override {
        check(failure.path == loadedPath(), "a file refusal names another file");
        fileBoxTexts.push_back(text);
    }
    void setFileSizeBoxText(const std::string&) override {}
    void showMessage(const std::string& text, const std::string&, zemrik::MessageIcon) override {
        messages.push_back(text);
    }
    void showFileMessage(const std::string& text, const std::string& caption, zemrik::MessageIcon icon,
                         const zemrik::FileFailure& failure) override {
        check(failure.path == kInputName || failure.path == "result.txt", "a run's failure names another file");
        showMessage(text, caption, icon);
    }

    void setProgressText(const std::string& text) override {
        check(!text.empty() && text.back() == '%', "progress text without %");
    }
    void setOutputText(zemrik::TerminatedText text) override { outputTexts.emplace_back(text); }
    bool isBigEndianChecked() override {
        ++bigEndianReads;
        return fields_.bigEndian;
    }
    zemrik::TableStream* tableStream() override { return fields_.streamed ? &stream : nullptr; }

    RecordingStream stream;
    std::vector<std::string> fileBoxTexts;
    std::vector<std::string> messages;  // from the request and the run alike
    std::vector<std::string> outputTexts;
    int bigEndianReads = 0;

private:
    const DialogFields& fields_;
};

struct Table {
    zemrik::TableLayout layout;
    zemrik::Notation notation = zemrik::Notation::Hex;
};

// What Go must answer for these fields: the table of an accepted request, or
// the one refusal text.
struct Expectation {
    std::optional<Table> table;
    std::string refusal;
};

Expectation refuse(std::string text) { return {std::nullopt, std::move(text)}; }

std::optional<zemrik::ElementSize> elementSizeOf(int items) {
    static constexpr zemrik::ElementSize kSizes[] = {zemrik::ElementSize::Byte, zemrik::ElementSize::Word,
                                                     zemrik::ElementSize::Dword};
    if (items < 0 || items > 2) return std::nullopt;
    return kSizes[items];
}

// The checks of Go, in the order they refuse a request.
Expectation expectationFor(const DialogFields& fields) {
    if (fields.fileMissing) return refuse(kCannotOpenFile);
    const auto elementSize = elementSizeOf(fields.items);
    if (!elementSize) return refuse(kNoElementSize);
    if (fields.language < 0 || fields.language > 3) return refuse(kNoLanguage);
    if (fields.size.empty()) return refuse(kMissingSize);
    const auto size = zemrik::convertHexField(fields.size);
    if (!size) return refuse(kUnconvertibleSize);
    if (fields.address.empty()) return refuse(kMissingOffset);
    auto offset = zemrik::convertHexField(fields.address);
    if (!offset) return refuse(kUnconvertibleOffset);
    if (fields.perLine.empty()) return refuse(kMissingItemsPerLine);
    const auto perLine = zemrik::convertDecimalField(fields.perLine);
    if (!perLine) return refuse(kUnconvertibleItemsPerLine);
    if (*size % byteCount(*elementSize) != 0) return refuse(kNotDivisible);
    if ((*perLine & 0xFF) == 0 || *size == 0) return refuse(kZero);
    if (fields.rva) {
        // An empty file cannot be mapped at all.
        if (fields.content.empty())
            return refuse(std::string(zemrik::refusalMessage(zemrik::TranslationRefusal::CannotCreateMapping)));
        const zemrik::Translation translation = zemrik::image::translateDialogRva(fields.content, *offset);
        if (!translation) return refuse(std::string(zemrik::refusalMessage(translation.error())));
        offset = *translation;
    }
    if (std::uint64_t{*offset} + *size > fields.content.size()) {
        return refuse(kBiggerThanFile);
    }
    Table table;
    table.layout.offset = *offset;
    table.layout.tableSize = *size;
    table.layout.language = static_cast<zemrik::Language>(fields.language);
    table.layout.elementSize =
        table.layout.language == zemrik::Language::DataStr ? zemrik::ElementSize::Byte : *elementSize;
    table.layout.itemsPerLine = static_cast<std::uint8_t>(*perLine);
    table.layout.bigEndian = fields.bigEndian;
    table.notation = fields.decimal ? zemrik::Notation::Decimal : zemrik::Notation::Hex;
    return {table, {}};
}

std::string expectedText(const Table& table, const std::vector<std::uint8_t>& content) {
    const std::vector<std::uint8_t> bytes(content.begin() + table.layout.offset,
                                          content.begin() + table.layout.offset + table.layout.tableSize);
    const zemrik::OutputStyle& style =
        zemrik::styleRow(table.layout.language, zemrik::styleColumn(table.layout.elementSize, table.notation));
    return zemrik::test::referenceRender(table.layout, style, bytes);
}

std::string readWhole(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void checkRefusal(const FakeDialog& dialog, const std::string& refusal) {
    const std::size_t reports = dialog.messages.size() + dialog.fileBoxTexts.size();
    check(reports == 1, "a refusal must report exactly once");
    const std::string& shown = dialog.messages.empty() ? dialog.fileBoxTexts[0] : dialog.messages[0];
    check(shown == refusal, "refused with another message");
    check(dialog.outputTexts.empty() && dialog.bigEndianReads == 0 && dialog.stream.opens == 0,
          "a refused request ran");
}

void checkRun(const FakeDialog& dialog, const DialogFields& fields, const Table& table) {
    check(dialog.fileBoxTexts.empty(), "an accepted request touched the File box");
    check(dialog.bigEndianReads <= 1, "Big Endian read more than once");
    const RecordingStream& stream = dialog.stream;
    check(stream.finishes + stream.discards == stream.opens && stream.opens <= 1, "a stream was left open");
    if (!dialog.messages.empty()) {
        // A run that fails reports once and delivers nothing.
        check(dialog.messages.size() == 1 && dialog.outputTexts.empty(), "a failed run reported more than once");
        check(stream.finishes == 0, "a failed run finished its stream");
        return;
    }
    check(dialog.bigEndianReads == 1, "Big Endian not read once");
    const std::string expected = expectedText(table, fields.content);
    if (fields.streamed && !fields.dumpToFile) {
        check(dialog.outputTexts.empty() && stream.finishes == 1, "a streamed run delivered other than once");
        check(stream.text == expected, "streamed text differs from the snprintf reference");
        return;
    }
    check(dialog.outputTexts.size() == 1, "a run delivered other than once");
    if (fields.dumpToFile) {
        check(dialog.outputTexts[0] == kDumped, "dump to file showed another text");
        check(readWhole("result.txt") == expected, "result.txt differs from the snprintf reference");
    } else {
        check(dialog.outputTexts[0] == expected, "output text differs from the snprintf reference");
    }
}

void writeInput(const std::vector<std::uint8_t>& content) {
    std::ofstream out(kInputName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    check(out.good(), "cannot write the input file");
}

}  // namespace

// One scratch directory per process, also the current directory, so that
// "result.txt" and the input file never meet those of another fuzzing job.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "zemrik_fuzz_run_XXXXXX").string();
    check(::mkdtemp(pattern.data()) != nullptr, "cannot create the scratch directory");
    fs::current_path(pattern);
    static const fs::path scratch = pattern;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DialogFields fields = readFields(data, size);
    writeInput(fields.content);
    const Expectation expectation = expectationFor(fields);

    FakeDialog dialog(fields);
    zemrik::RunState state;
    const long handlesBefore = zemrik::platform::countOpenHandles();
    zemrik::StartResult start = zemrik::startRun(state, dialog, dialog);
    if (start.worker) start.worker->join();
    check(!state.busy, "busy still set after the run");
    check(zemrik::platform::countOpenHandles() == handlesBefore, "a handle leaked");

    if (expectation.table) {
        check(start.outcome == zemrik::StartOutcome::Started, "a valid request was not started");
        checkRun(dialog, fields, *expectation.table);
    } else {
        check(start.outcome == zemrik::StartOutcome::Refused, "an invalid request was not refused");
        checkRefusal(dialog, expectation.refusal);
    }
    return 0;
}
