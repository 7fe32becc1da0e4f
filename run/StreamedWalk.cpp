#include "run/StreamedWalk.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "core/PieceBuffer.h"
#include "platform/Thread.h"
#include "platform/ZeroedMemory.h"
#include "run/FileByteSource.h"

namespace zemrik {
namespace {

// Large enough that a write costs little next to printing its text, small
// enough that the text is still in the caches when it is written.
constexpr std::size_t kPieceCapacity = 1 << 20;
// Writing the pieces out takes one thread's time; more printers than this
// only wait for their turn.
constexpr unsigned kMostPrinters = 4;

StreamOutcome outcomeOf(WalkOutcome walked) {
    switch (walked) {
    case WalkOutcome::Complete: return StreamOutcome::Complete;
    case WalkOutcome::ReadFailed: return StreamOutcome::ReadFailed;
    case WalkOutcome::InvalidStyle: return StreamOutcome::InvalidStyle;
    case WalkOutcome::BufferExhausted: break;
    }
    // Pieces are sized for their buffers, so this means the sizing is wrong.
    return StreamOutcome::NoBuffer;
}

// The pieces' shared schedule: the next piece to print, whose turn it is to
// be written, and the first failure, which stops everyone.
class PieceSchedule {
public:
    explicit PieceSchedule(std::uint32_t pieceCount) : pieceCount_(pieceCount) {}

    std::uint32_t pieceCount() const { return pieceCount_; }

    // The next piece to print; nothing when all are taken or the run failed.
    std::optional<std::uint32_t> claim() {
        const std::lock_guard lock(mutex_);
        if (failure_.outcome != StreamOutcome::Complete || next_ == pieceCount_) return std::nullopt;
        return next_++;
    }

    // Waits until every piece before `index` is written; false when the run
    // failed meanwhile.
    bool waitForTurn(std::uint32_t index) {
        std::unique_lock lock(mutex_);
        turnChanged_.wait(lock, [&] { return written_ == index || failure_.outcome != StreamOutcome::Complete; });
        return failure_.outcome == StreamOutcome::Complete;
    }

    void markWritten(std::uint32_t index) {
        {
            const std::lock_guard lock(mutex_);
            written_ = index + 1;
        }
        turnChanged_.notify_all();
    }

    // The first failure stands; the others follow from it.
    void fail(Streamed failure) {
        {
            const std::lock_guard lock(mutex_);
            if (failure_.outcome == StreamOutcome::Complete) failure_ = std::move(failure);
        }
        turnChanged_.notify_all();
    }

    Streamed outcome() {
        const std::lock_guard lock(mutex_);
        return failure_;
    }

private:
    std::mutex mutex_;
    std::condition_variable turnChanged_;
    const std::uint32_t pieceCount_;
    std::uint32_t next_ = 0;
    std::uint32_t written_ = 0;  // pieces written, all of them before any not written
    Streamed failure_{StreamOutcome::Complete, {}, {}};
};

// One streamed run: what every printer shares.
class StreamedRun {
public:
    StreamedRun(const PiecePrinter& printer, std::uint32_t tableOffset, platform::File& input, TableStream& stream,
                std::uint32_t pieceElements)
        : printer_(printer),
          tableOffset_(tableOffset),
          input_(input),
          stream_(stream),
          count_(printer.printedCount()),
          pieceElements_(pieceElements),
          // Widened: the count plus a piece less one may pass 32 bits.
          schedule_(static_cast<std::uint32_t>((std::uint64_t{count_} + pieceElements - 1) / pieceElements)) {}

    std::uint32_t pieceCount() const { return schedule_.pieceCount(); }
    PieceSchedule& schedule() { return schedule_; }

    // A printer's loop: claims pieces, reads each one's bytes into `bytes`
    // (which grows to a piece's once), prints it into `buffer`, writes it in
    // its turn. `progress`, on the caller's thread only, hears of every piece
    // written up to this printer's.
    void printPieces(std::vector<std::uint8_t>& bytes, PieceBuffer& buffer, WalkProgress* progress) {
        FileByteSource source(input_);
        while (const std::optional<std::uint32_t> index = schedule_.claim()) {
            const TablePiece piece = pieceAt(*index);
            const ByteStretch stretch = printer_.stretchOf(piece);
            // offset + table size lies inside a 32-bit file: no wrap.
            source.seek(tableOffset_ + stretch.offset);
            bytes.resize(stretch.length);
            if (source.read(bytes.data(), bytes.size()) != bytes.size()) {
                schedule_.fail({StreamOutcome::ReadFailed, source.failure(), {}});
                return;
            }
            buffer.clear();
            const WalkOutcome walked = printer_.printPiece(bytes, piece, buffer);
            if (walked != WalkOutcome::Complete) {
                schedule_.fail({outcomeOf(walked), source.failure(), {}});
                return;
            }
            if (!schedule_.waitForTurn(*index)) return;
            if (const StreamResult written = stream_.write(buffer.text()); !written) {
                schedule_.fail({StreamOutcome::OutputFailed, {}, written.error()});
                return;
            }
            schedule_.markWritten(*index);
            if (progress != nullptr) progress->printedThrough(piece.first + piece.count - 1);
        }
    }

private:
    TablePiece pieceAt(std::uint32_t index) const {
        const std::uint32_t first = index * pieceElements_;
        return {first, std::min(pieceElements_, count_ - first)};
    }

    const PiecePrinter& printer_;
    const std::uint32_t tableOffset_;
    platform::File& input_;
    TableStream& stream_;
    const std::uint32_t count_;
    const std::uint32_t pieceElements_;
    PieceSchedule schedule_;
};

// A helper printer: its own buffer, its own thread.
struct Helper {
    platform::ZeroedMemory storage;
    PieceBuffer buffer;
    std::vector<std::uint8_t> bytes;
    platform::Thread thread;  // not joinable when it could not be started
};

void runHelper(StreamedRun& run, Helper& helper) noexcept {
    try {
        run.printPieces(helper.bytes, helper.buffer, nullptr);
    } catch (...) {
        // Only memory can run out here; the run then stops as one without a buffer.
        run.schedule().fail({StreamOutcome::NoBuffer, {}, {}});
    }
}

}  // namespace

StreamLimits defaultStreamLimits() {
    return {kPieceCapacity, std::clamp(platform::processorCount(), 1u, kMostPrinters)};
}

Streamed streamTable(const PiecePrinter& printer, std::uint32_t tableOffset, platform::File& input, TableStream& stream,
                     ProgressSink& progressSink, StreamLimits limits) {
    const std::uint32_t pieceElements = printer.elementsPerPiece(limits.pieceCapacity);
    if (pieceElements == 0) return {StreamOutcome::InvalidStyle, {}, {}};
    StreamedRun run(printer, tableOffset, input, stream, pieceElements);

    auto ownStorage = platform::ZeroedMemory::allocate(limits.pieceCapacity);
    if (!ownStorage) return {StreamOutcome::NoBuffer, {}, {}};
    PieceBuffer ownBuffer(ownStorage->data(), ownStorage->size());

    // Helpers are only a speed-up: one without memory or a thread is left out.
    const unsigned helperCount = std::min(std::max(limits.printers, 1u) - 1, run.pieceCount() - 1);
    std::vector<Helper> helpers;
    helpers.reserve(helperCount);
    for (unsigned index = 0; index < helperCount; ++index) {
        auto storage = platform::ZeroedMemory::allocate(limits.pieceCapacity);
        if (!storage) break;
        PieceBuffer buffer(storage->data(), storage->size());
        helpers.push_back({std::move(*storage), buffer, {}, {}});
    }
    for (Helper& helper : helpers) {
        auto started = platform::Thread::start([&run, &helper]() noexcept { runHelper(run, helper); });
        if (started) helper.thread = std::move(*started);
    }

    const TableLayout progressLayout = printer.progressLayout();
    WalkProgress progress(progressSink, progressLayout);
    try {
        std::vector<std::uint8_t> bytes;
        run.printPieces(bytes, ownBuffer, &progress);
    } catch (...) {
        run.schedule().fail({StreamOutcome::NoBuffer, {}, {}});
    }
    for (Helper& helper : helpers) {
        helper.thread.join();
    }
    const Streamed streamed = run.schedule().outcome();
    if (streamed.outcome == StreamOutcome::Complete) progress.printedThrough(printer.printedCount() - 1);
    return streamed;
}

Streamed streamTable(const TableLayout& layout, const OutputStyle& style, platform::File& input, TableStream& stream,
                     ProgressSink& progress, StreamLimits limits) {
    return streamTable(StylePiecePrinter(layout, style), layout.offset, input, stream, progress, limits);
}

}  // namespace zemrik
