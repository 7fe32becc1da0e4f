// The streamed walk: a table printed in bounded pieces on several threads and
// written out in order, for zemrik-cli's standard output and -o.
#pragma once

#include <cstddef>

#include "core/OutputStyle.h"
#include "core/TableWalk.h"
#include "platform/File.h"
#include "platform/SystemError.h"
#include "run/FileFailure.h"
#include "run/PiecePrinter.h"
#include "run/TableStream.h"

namespace zemrik {

enum class StreamOutcome {
    Complete,
    ReadFailed,    // the input ran short: what was written is no table
    OutputFailed,  // the stream refused a write
    NoBuffer,      // the piece buffers could not be had
    InvalidStyle,
};

struct Streamed {
    StreamOutcome outcome;
    platform::SystemError readFailure;  // why, when the outcome is ReadFailed
    FileFailure outputFailure;          // which file and why, when it is OutputFailed
};

// How much a streamed table may hold in memory at once and how many threads
// print it.
struct StreamLimits {
    std::size_t pieceCapacity;  // characters of text one piece may reserve
    unsigned printers;          // threads printing pieces side by side, the caller's included
};

// The machine's: a few pieces of text of a size that stays in the caches,
// one printer per processor, at most four.
StreamLimits defaultStreamLimits();

// Prints the whole table in pieces of bounded text, on up to
// `limits.printers` threads side by side, each piece written to `stream` in
// table order as soon as the ones before it are. The calling thread is one
// of the printers and the only one that reports progress, each percentage
// once, in order. The table's bytes are read from `input` at `tableOffset`
// on, each piece's own stretch, by position.
Streamed streamTable(const PiecePrinter& printer, std::uint32_t tableOffset, platform::File& input, TableStream& stream,
                     ProgressSink& progress, StreamLimits limits);
// The dialog's walk over a style row, the table at the layout's offset.
Streamed streamTable(const TableLayout& layout, const OutputStyle& style, platform::File& input, TableStream& stream,
                     ProgressSink& progress, StreamLimits limits);

}  // namespace zemrik
