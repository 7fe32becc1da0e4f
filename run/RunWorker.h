// Starting a run and carrying it out: startRun checks the request and starts
// the worker thread, runWorker prints the table and releases everything.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <utility>

#include "platform/Thread.h"
#include "run/FileFailure.h"
#include "run/RequestSource.h"
#include "run/RunHost.h"
#include "run/RunRequest.h"

namespace zemrik {

// Shared by the front end and the worker of at most one run.
struct RunState {
    // Set when a request is accepted; cleared by the worker once the buffer,
    // the mapping and the result file are released. Go is ignored while set.
    std::atomic<bool> busy{false};
};

enum class StartOutcome {
    Ignored,        // a run is in progress: nothing was opened or shown
    Refused,        // the request was refused; its message has been shown
    Started,        // the worker runs; `worker` owns its thread
    CouldNotStart,  // no thread could be started; reported, busy clear, file closed
};

struct StartResult {
    StartOutcome outcome;
    // Dropping it lets the worker run on by itself; join() waits for its end.
    std::optional<platform::Thread> worker;
};

// Go: ignored while busy, else validates the request and starts its worker.
[[nodiscard]] StartResult startRun(RunState& state, RequestSource& source, RunHost& host);

enum class RunOutcome {
    Delivered,
    CannotCreateResultFile,
    CannotCreateMapping,
    CannotCutResultFile,  // the table is in result.txt, but so are the zeros after it
    NoBuffer,
    ReadFailed,
    OutputFailed,  // the front end's stream refused the table; `outputFailure` says why
};

// How one run ended: every outcome but OutputFailed has been shown through
// the host already.
struct RunEnd {
    RunEnd(RunOutcome ended, FileFailure failure = {}) : outcome(ended), outputFailure(std::move(failure)) {}

    RunOutcome outcome;
    FileFailure outputFailure;  // which file and why, when the stream refused the table
};

// Carries out one accepted request to its end and releases everything it
// holds on every path: buffer, mapping and result file, then clears busy,
// then closes the request's input file. The worker thread's body.
[[nodiscard]] RunEnd runWorker(RunRequest request, RunState& state, RunHost& host);

// How a run that was waited for went: its start and, once started, its end.
struct WaitedRun {
    StartOutcome start;
    std::optional<RunEnd> end;  // set when it started
};

// Go for a front end that waits for its run (zemrik-cli): startRun's checks
// and worker thread, joined before it returns.
[[nodiscard]] WaitedRun runToEnd(RunState& state, RequestSource& source, RunHost& host);

}  // namespace zemrik
