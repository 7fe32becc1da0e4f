#include "platform/File.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#ifdef __linux__
#include <sys/mman.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "platform/FaultInjection.h"

namespace zemrik::platform {
namespace {

constexpr std::uint64_t largestFileOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());

// Retries the system's interruptions so that a signal never looks like a failure.
int openRetrying(const char* path, int flags, mode_t mode) {
    int descriptor;
    do {
        descriptor = ::open(path, flags, mode);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

// Windows' share modes, among the processes that use these files: a reader
// shares the file with other readers only, a writer with nobody, so two runs
// never write one "result.txt" at once and a run never cuts its own input.
bool lockAsWindowsShares(int descriptor, int operation) {
    int result;
    do {
        result = ::flock(descriptor, operation | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace

std::optional<File> File::openForReading(const std::string& path) {
    if (takeFault(Acquisition::OpenFile)) return std::nullopt;
    // Not blocking: opening a FIFO for reading would wait for a writer forever.
    const int descriptor = openRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (descriptor < 0) return std::nullopt;
    File file(descriptor);
    // A table lives in a file: not in a directory, a pipe or a device.
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    if (!lockAsWindowsShares(descriptor, LOCK_SH)) return std::nullopt;
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
    return file;
}

std::optional<File> File::createReadWrite(const std::string& path) {
    if (takeFault(Acquisition::CreateReadWriteFile)) return std::nullopt;
    // Not O_TRUNC: the file is emptied only once it is ours alone.
    const int descriptor = openRetrying(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) return std::nullopt;
    File file(descriptor);
    if (!lockAsWindowsShares(descriptor, LOCK_EX) || ::ftruncate(descriptor, 0) != 0) return std::nullopt;
    return file;
}

std::optional<File> File::createAnonymous() {
#ifdef __linux__
    const int descriptor = ::memfd_create("zemrik-input", MFD_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    return File(descriptor);
#else
    // Elsewhere a temporary file whose name is removed at once.
    std::string path = "/tmp/zemrik-input-XXXXXX";
    const int descriptor = ::mkstemp(path.data());
    if (descriptor < 0) return std::nullopt;
    File file(descriptor);
    ::unlink(path.c_str());
    return file;
#endif
}

std::optional<File> File::duplicateStandardInput() {
    const int descriptor = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) return std::nullopt;
    return File(descriptor);
}

void File::release() noexcept {
    // close() is not retried on EINTR: Linux has released the descriptor already.
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
}

std::optional<std::uint32_t> File::size32() const {
    struct stat status {};
    if (!isOpen() || ::fstat(handle_, &status) != 0 || status.st_size < 0) return std::nullopt;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFFu));
}

bool File::seek(std::uint64_t offset) {
    if (!isOpen() || offset > largestFileOffset) return false;
    return ::lseek(handle_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::optional<std::size_t> File::read(void* destination, std::size_t length) {
    if (!isOpen()) return std::nullopt;
    auto* cursor = static_cast<unsigned char*>(destination);
    std::size_t total = 0;
    while (total < length) {
        const ssize_t got = ::read(handle_, cursor + total, length - total);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;  // end of file
        total += static_cast<std::size_t>(got);
    }
    return total;
}

bool File::write(const void* source, std::size_t length) {
    if (!isOpen()) return false;
    const auto* cursor = static_cast<const unsigned char*>(source);
    std::size_t total = 0;
    while (total < length) {
        const ssize_t put = ::write(handle_, cursor + total, length - total);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        total += static_cast<std::size_t>(put);
    }
    return true;
}

bool File::truncate(std::uint64_t length) {
    if (!isOpen() || length > largestFileOffset) return false;
    int result;
    do {
        result = ::ftruncate(handle_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace zemrik::platform
