// SystemError and SystemResult: why a call on the system failed, errno or
// GetLastError kept for the user, returned as a value.
#pragma once

#include <cstdint>
#include <string>

#include "base/Expected.h"

namespace zemrik::platform {

// Why a call on the system failed, kept so that a front end can tell its
// user: the system's own code (errno on POSIX, GetLastError on Windows), or a
// reason of ours where the calls succeeded but what they found can't serve.
class SystemError {
public:
    enum class Ours : std::uint8_t {
        None,            // the system's code says why
        NotRegularFile,  // a FIFO, a device or a socket where a file must be
        InUse,           // another open of the file holds a lock that excludes this one
        FileShrank,      // the file ended before bytes it held when the run began
        SymbolicLink,    // a link (a reparse point on Windows) where a file is written
        DanglingLink,    // a link to no file where a file is replaced
    };

    SystemError() = default;
    static SystemError fromCode(std::uint32_t code) { return SystemError(code, Ours::None); }
    static SystemError ours(Ours reason) { return SystemError(0, reason); }
    // The code the calling thread's last failed system call left behind.
    static SystemError last();

    std::uint32_t code() const { return code_; }
    Ours reason() const { return reason_; }
    // The reason as a user reads it: the system's own text for its code
    // (strerror, FormatMessage), or ours, without a trailing line break.
    std::string describe() const;
    // Whether it says the path leads to no file (no such file, or a folder
    // on the way missing), rather than to one that can't be read.
    bool meansNoSuchFile() const;
    bool operator==(const SystemError&) const = default;

private:
    SystemError(std::uint32_t code, Ours reason) : code_(code), reason_(reason) {}
    std::string systemText() const;  // differs per platform

    std::uint32_t code_ = 0;
    Ours reason_ = Ours::None;
};

template <class T>
using SystemResult = Expected<T, SystemError>;

template <class T>
SystemResult<T> failedWith(SystemError error) {
    return SystemResult<T>::failure(error);
}

// The failure of the system call that just failed.
template <class T>
SystemResult<T> lastFailure() {
    return failedWith<T>(SystemError::last());
}

}  // namespace zemrik::platform
