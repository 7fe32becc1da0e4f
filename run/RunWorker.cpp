#include "run/RunWorker.h"

#include <cstring>
#include <new>
#include <string>

#include "core/OutputBuffer.h"
#include "core/OutputEstimate.h"
#include "core/TableWalk.h"
#include "platform/FileMapping.h"
#include "platform/ZeroedMemory.h"
#include "run/FileByteSource.h"
#include "run/RunMessages.h"
#include "run/StreamedWalk.h"

namespace zemrik {
namespace {

using namespace messages;

constexpr const char* kResultFileName = "result.txt";
constexpr const char* kResultMappingName = "Zemrik";

class HostProgress : public ProgressSink {
public:
    explicit HostProgress(RunHost& host) : host_(host) {}
    void reportProgress(std::uint32_t percent) override { host_.setProgressText(std::to_string(percent) + "%"); }

private:
    RunHost& host_;
};

// The buffer in plain zero-filled memory.
class MemoryStorage : public BufferGrowth {
public:
    explicit MemoryStorage(platform::ZeroedMemory memory) : memory_(std::move(memory)) {}

    char* data() const { return memory_.data(); }
    std::size_t size() const { return memory_.size(); }

    char* grow(std::size_t newCapacity) override {
        auto larger = platform::ZeroedMemory::allocate(newCapacity);
        if (!larger) return nullptr;
        std::memcpy(larger->data(), memory_.data(), memory_.size());
        memory_ = std::move(*larger);
        return memory_.data();
    }

private:
    platform::ZeroedMemory memory_;
};

// The buffer as a view of "result.txt", so the text is printed straight into
// the file with no copy in memory.
class ResultFileStorage : public BufferGrowth {
public:
    ResultFileStorage(platform::File& file, platform::FileMapping mapping, platform::MappedView view)
        : file_(file), mapping_(std::move(mapping)), view_(std::move(view)) {}

    char* data() const { return reinterpret_cast<char*>(view_.data()); }
    std::size_t size() const { return view_.size(); }

    // The larger mapping lengthens the file; the old view stays valid until
    // the new one is had, so a failure leaves the text where it was.
    char* grow(std::size_t newCapacity) override {
        auto mapping =
            platform::FileMapping::create(file_, platform::MappingAccess::ReadWrite, newCapacity, kResultMappingName);
        if (!mapping) return nullptr;
        auto view = platform::MappedView::map(*mapping);
        if (!view) return nullptr;
        view_ = std::move(*view);
        mapping_ = std::move(*mapping);
        return data();
    }

    // Releases the view and the mapping, then cuts the file to `length`.
    [[nodiscard]] platform::SystemResult<void> cutTo(std::size_t length) {
        view_.unmap();
        mapping_.close();
        return file_.truncate(length);
    }

private:
    platform::File& file_;
    platform::FileMapping mapping_;
    platform::MappedView view_;
};

void reportNoBuffer(RunHost& host) { host.showMessage(kNoMemory, kErrorCaption, MessageIcon::None); }

TableLayout layoutOf(const RunRequest& request) {
    TableLayout layout;
    layout.offset = request.offset;
    layout.tableSize = request.tableSize;
    layout.elementSize = request.elementSize;
    layout.language = request.language;
    layout.itemsPerLine = request.itemsPerLine;
    return layout;
}

struct Walked {
    WalkOutcome outcome;
    platform::SystemError readFailure;  // why, when the outcome is ReadFailed
};

// Positions the input at the table, takes the big-endian flag as it is now
// (the dialog's box may change while a run is accepted), and prints.
Walked walk(RunRequest& request, const OutputStyle& style, OutputBuffer& buffer, RunHost& host) {
    FileByteSource source(request.inputFile);
    if (!source.seek(request.offset)) return {WalkOutcome::ReadFailed, source.failure()};
    TableLayout layout = layoutOf(request);
    layout.bigEndian = host.isBigEndianChecked();
    HostProgress progress(host);
    const bool reversed = layout.language == Language::DataStr && layout.bigEndian;
    const WalkOutcome outcome = reversed ? renderReversed(layout, style, source, buffer, progress)
                                         : renderForward(layout, style, source, buffer, progress);
    return {outcome, source.failure()};
}

RunOutcome reportWalkFailure(const Walked& walked, const RunRequest& request, RunHost& host) {
    if (walked.outcome == WalkOutcome::ReadFailed) {
        host.showFileMessage(kReadFailed, kFailureCaption, MessageIcon::Error, {request.inputPath, walked.readFailure});
        return RunOutcome::ReadFailed;
    }
    // The built-in rows always compile, so what is left is a buffer that could not grow.
    reportNoBuffer(host);
    return RunOutcome::NoBuffer;
}

RunOutcome runIntoMemory(RunRequest& request, const OutputStyle& style, std::uint32_t estimate, RunHost& host) {
    auto memory = platform::ZeroedMemory::allocate(estimate);
    if (!memory) {
        reportNoBuffer(host);
        return RunOutcome::NoBuffer;
    }
    MemoryStorage storage(std::move(*memory));
    OutputBuffer buffer(storage.data(), storage.size(), &storage);
    const Walked walked = walk(request, style, buffer, host);
    if (walked.outcome != WalkOutcome::Complete) return reportWalkFailure(walked, request, host);
    host.setOutputText(TerminatedText::followedByNul(buffer.data(), buffer.length()));
    return RunOutcome::Delivered;
}

RunOutcome runIntoResultFile(RunRequest& request, const OutputStyle& style, std::optional<std::uint32_t> estimate,
                             RunHost& host) {
    auto file = platform::File::createReadWrite(kResultFileName);
    if (!file) {
        host.showFileMessage(kCannotCreateResult, kFailureCaption, MessageIcon::Error, {kResultFileName, file.error()});
        return RunOutcome::CannotCreateResultFile;
    }
    if (!estimate) {
        reportNoBuffer(host);
        return RunOutcome::NoBuffer;
    }
    auto mapping =
        platform::FileMapping::create(*file, platform::MappingAccess::ReadWrite, *estimate, kResultMappingName);
    if (!mapping) {
        host.showMessage(kCannotCreateMapping, kFailureCaption, MessageIcon::Error);
        return RunOutcome::CannotCreateMapping;
    }
    auto view = platform::MappedView::map(*mapping);
    if (!view) {
        reportNoBuffer(host);
        return RunOutcome::NoBuffer;
    }
    // A file created anew and lengthened by its mapping reads as zeros
    // already, so the view needs no zeroing pass.
    ResultFileStorage storage(*file, std::move(*mapping), std::move(*view));
    OutputBuffer buffer(storage.data(), storage.size(), &storage);
    const Walked walked = walk(request, style, buffer, host);
    if (walked.outcome != WalkOutcome::Complete) {
        // An incomplete table must not pass for a dumped one. A failed cut
        // goes unreported: the read failure is the one shown.
        static_cast<void>(storage.cutTo(0));
        return reportWalkFailure(walked, request, host);
    }
    // Cut before the table is announced: a file left as long as the estimate,
    // zeros after the text, must not pass for a dumped table.
    if (const auto cut = storage.cutTo(buffer.length()); !cut) {
        host.showFileMessage(kCannotCutResult, kFailureCaption, MessageIcon::Error, {kResultFileName, cut.error()});
        return RunOutcome::CannotCutResultFile;
    }
    host.setOutputText(kDumped);
    return RunOutcome::Delivered;
}

// Takes back what a stream holds of a table unless it was finished, on
// every way out, an exception's included.
class UnfinishedStream {
public:
    explicit UnfinishedStream(TableStream& stream) : stream_(stream) {}
    UnfinishedStream(const UnfinishedStream&) = delete;
    UnfinishedStream& operator=(const UnfinishedStream&) = delete;
    ~UnfinishedStream() {
        if (!finished_) stream_.discard();
    }

    [[nodiscard]] StreamResult finish() {
        finished_ = true;
        return stream_.finish();
    }

private:
    TableStream& stream_;
    bool finished_ = false;
};

RunEnd runIntoStream(RunRequest& request, const PiecePrinter& printer, TableStream& stream, RunHost& host) {
    if (const StreamResult opened = stream.open(); !opened) return {RunOutcome::OutputFailed, opened.error()};
    UnfinishedStream unfinished(stream);
    HostProgress progress(host);
    const Streamed streamed =
        streamTable(printer, request.offset, request.inputFile, stream, progress, defaultStreamLimits());
    switch (streamed.outcome) {
    case StreamOutcome::Complete: {
        const StreamResult finished = unfinished.finish();
        if (!finished) return {RunOutcome::OutputFailed, finished.error()};
        return RunOutcome::Delivered;
    }
    case StreamOutcome::ReadFailed:
        return reportWalkFailure({WalkOutcome::ReadFailed, streamed.readFailure}, request, host);
    case StreamOutcome::OutputFailed: return {RunOutcome::OutputFailed, streamed.outputFailure};
    case StreamOutcome::NoBuffer:
    case StreamOutcome::InvalidStyle: break;
    }
    reportNoBuffer(host);
    return RunOutcome::NoBuffer;
}

// Only a front end that streams its tables offers typed ones.
RunEnd carryOutTyped(RunRequest& request, TypedChoice& choice, RunHost& host) {
    TableStream* stream = host.tableStream();
    if (stream == nullptr) {
        reportNoBuffer(host);
        return RunOutcome::NoBuffer;
    }
    choice.options.order = host.isBigEndianChecked() ? ByteOrder::BigEndian : ByteOrder::LittleEndian;
    switch (choice.form) {
    case forms::ByteForm::StringLiteral:
        return runIntoStream(request, StringLiteralPiecePrinter(*choice.row, choice.options), *stream, host);
    case forms::ByteForm::Embed:
        return runIntoStream(request, EmbedPiecePrinter(*choice.row, choice.options, choice.embedPath, request.offset),
                             *stream, host);
    case forms::ByteForm::Array: break;
    }
    return runIntoStream(request, TypedPiecePrinter(*choice.row, choice.options), *stream, host);
}

RunEnd carryOut(RunRequest& request, RunHost& host) {
    if (request.typedTable) return carryOutTyped(request, *request.typedTable, host);
    const OutputStyle& style = request.style != nullptr
                                   ? *request.style
                                   : styleRow(request.language, styleColumn(request.elementSize, request.notation));
    const auto estimate = estimateOutputSize(request.tableSize, request.elementSize, request.itemsPerLine, style);
    if (request.dumpToFile) return runIntoResultFile(request, style, estimate, host);
    // The estimate is checked whatever the output: a table is refused alike
    // by the dialog and by a stream that would not need the buffer.
    if (!estimate) {
        reportNoBuffer(host);
        return RunOutcome::NoBuffer;
    }
    if (TableStream* stream = host.tableStream()) {
        TableLayout layout = layoutOf(request);
        layout.bigEndian = host.isBigEndianChecked();
        return runIntoStream(request, StylePiecePrinter(layout, style), *stream, host);
    }
    return runIntoMemory(request, style, *estimate, host);
}

}  // namespace

RunEnd runWorker(RunRequest request, RunState& state, RunHost& host) {
    RunEnd outcome = RunOutcome::NoBuffer;
    try {
        outcome = carryOut(request, host);
    } catch (const std::bad_alloc&) {
        // Everything the run held has been released on the way out.
        reportNoBuffer(host);
    }
    state.busy = false;
    request.inputFile.close();
    return outcome;
}

namespace {

// startRun's body; the worker leaves its end in `end` when given one.
StartResult startWorker(RunState& state, RequestSource& source, RunHost& host, std::optional<RunEnd>* end) {
    if (state.busy) return {StartOutcome::Ignored, std::nullopt};
    auto request = buildRunRequest(source);
    if (!request) return {StartOutcome::Refused, std::nullopt};

    state.busy = true;
    auto worker = platform::Thread::start([request = std::move(*request), &state, &host, end]() mutable noexcept {
        RunEnd ended = runWorker(std::move(request), state, host);
        if (end != nullptr) *end = std::move(ended);
    });
    if (!worker) {
        // The request, and with it the input file, went with the failed start.
        state.busy = false;
        host.showMessage(kCannotStart, kFailureCaption, MessageIcon::Error);
        return {StartOutcome::CouldNotStart, std::nullopt};
    }
    return {StartOutcome::Started, std::move(*worker)};
}

}  // namespace

StartResult startRun(RunState& state, RequestSource& source, RunHost& host) {
    // The host has been told the outcome; a front end that doesn't wait learns no more.
    return startWorker(state, source, host, nullptr);
}

WaitedRun runToEnd(RunState& state, RequestSource& source, RunHost& host) {
    std::optional<RunEnd> end;
    StartResult start = startWorker(state, source, host, &end);
    if (start.worker) start.worker->join();
    return {start.outcome, std::move(end)};
}

}  // namespace zemrik
