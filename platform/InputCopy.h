#pragma once

#include <cstdint>

#include "core/Expected.h"
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

// Reads `source` to its end into an anonymous file and returns that file, so
// that a stream (a pipe, standard input) can be used as a file of known
// length. Reading stops as soon as more than `limit` bytes have come.
[[nodiscard]] Expected<File, InputCopyFailure> copyIntoAnonymousFile(File& source, std::uint64_t limit);

}  // namespace zemrik::platform
