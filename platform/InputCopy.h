// A stream (standard input, a pipe) copied into an anonymous file, so that
// the run reads it as it reads any input file.
#pragma once

#include <cstdint>

#include "base/Expected.h"
#include "platform/File.h"
#include "platform/SystemError.h"

namespace zemrik::platform {

struct InputCopyFailure {
    enum class Kind {
        CannotCreate,  // no anonymous file to be had
        ReadFailed,
        WriteFailed,  // the memory behind the anonymous file ran out
        TooLarge,     // the source holds more than the limit
    };
    Kind kind;
    SystemError reason;  // the system's, but for TooLarge
};

// What to do with a source that holds more than the limit.
enum class PastLimit {
    Refuse,  // fail with TooLarge
    Ignore,  // keep the first `limit` bytes and read no further
};

// Reads `source` to its end into an anonymous file and returns that file, so
// that a stream (a pipe, standard input) can be used as a file of known
// length. Reading stops as soon as more than `limit` bytes have come, or
// with PastLimit::Ignore once `limit` bytes have.
[[nodiscard]] Expected<File, InputCopyFailure> copyIntoAnonymousFile(File& source, std::uint64_t limit,
                                                                     PastLimit pastLimit = PastLimit::Refuse);

}  // namespace zemrik::platform
