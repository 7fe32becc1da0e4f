// What the POSIX owners share around the system calls they make.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>

#include "platform/SystemError.h"

namespace zemrik::platform {

// Repeats a call that a signal interrupted, so that a signal never looks like
// a failure. `call` returns -1 and sets errno when it fails.
template <class Call>
auto retryInterrupted(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

// Files of 2 GiB and more on 32-bit systems too (CMake defines _FILE_OFFSET_BITS=64).
static_assert(sizeof(off_t) == 8, "off_t must be 64 bits");

inline constexpr std::uint64_t kLargestFileOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());

// Sets the end of the file at `length` bytes, cutting or extending it.
inline SystemResult<void> setFileLength(int descriptor, std::uint64_t length) {
    if (length > kLargestFileOffset) return failedWith<void>(SystemError::fromCode(EFBIG));
    if (retryInterrupted([&] { return ::ftruncate(descriptor, static_cast<off_t>(length)); }) != 0) {
        return lastFailure<void>();
    }
    return {};
}

}  // namespace zemrik::platform
