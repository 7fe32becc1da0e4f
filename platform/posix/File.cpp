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
#include <cstdlib>

#include "platform/FaultPoint.h"
#include "platform/posix/SystemCalls.h"

namespace zemrik::platform {
namespace {

// Runs the steps in order until one fails.
template <class... Steps>
SystemResult<void> inOrder(Steps... steps) {
    SystemResult<void> result;
    static_cast<void>(((result = steps()) && ...));
    return result;
}

// A table lives in a file, and so does a result: not in a directory, a pipe
// or a device.
SystemResult<void> requireRegularFile(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) return lastFailure<void>();
    if (S_ISDIR(status.st_mode)) return failedWith<void>(SystemError::fromCode(EISDIR));
    if (!S_ISREG(status.st_mode)) return failedWith<void>(SystemError::ours(SystemError::Ours::NotRegularFile));
    return {};
}

// Windows' share modes, among the processes that use these files: a reader
// shares the file with other readers only, a writer with nobody, so two runs
// never write one "result.txt" at once and a run never cuts its own input.
SystemResult<void> lockAsWindowsShares(int descriptor, int operation) {
    if (retryInterrupted([&] { return ::flock(descriptor, operation | LOCK_NB); }) == 0) return {};
    if (errno == EWOULDBLOCK) return failedWith<void>(SystemError::ours(SystemError::Ours::InUse));
    return lastFailure<void>();
}

SystemResult<void> makeBlocking(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) return lastFailure<void>();
    return {};
}

// Opens a regular file, locks it as `lockOperation` says and lets `prepare`
// finish it; on any failure nothing stays open.
SystemResult<File> openShared(const std::string& path, int flags, int lockOperation,
                              SystemResult<void> (*prepare)(int descriptor)) {
    const int descriptor = retryInterrupted([&] { return ::open(path.c_str(), flags, 0644); });
    if (descriptor < 0) return lastFailure<File>();
    File file{HandleOwner(descriptor)};
    const auto ready =
        inOrder([&] { return requireRegularFile(descriptor); },
                [&] { return lockAsWindowsShares(descriptor, lockOperation); }, [&] { return prepare(descriptor); });
    if (!ready) return failedWith<File>(ready.error());
    return file;
}

SystemResult<void> emptyFile(int descriptor) { return setFileLength(descriptor, 0); }

// Reads until `length` bytes are in or the file ends: `readPiece(into,
// wanted, done)` reads once, returning a count (0 at the end) or -1 with errno.
template <class ReadPiece>
SystemResult<std::size_t> readToEnd(void* destination, std::size_t length, const ReadPiece& readPiece) {
    auto* cursor = static_cast<unsigned char*>(destination);
    std::size_t total = 0;
    while (total < length) {
        const ssize_t got = readPiece(cursor + total, length - total, total);
        if (got < 0) return lastFailure<std::size_t>();
        if (got == 0) break;  // end of file
        total += static_cast<std::size_t>(got);
    }
    return total;
}

}  // namespace

SystemResult<File> File::openForReading(const std::string& path) {
    if (const auto fault = injectedFault(Acquisition::OpenFile)) return failedWith<File>(*fault);
    // Not blocking until it is known to be a file: opening a FIFO for
    // reading would wait for a writer forever.
    return openShared(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, LOCK_SH, makeBlocking);
}

SystemResult<File> File::createReadWrite(const std::string& path) {
    if (const auto fault = injectedFault(Acquisition::CreateReadWriteFile)) return failedWith<File>(*fault);
    // Not O_TRUNC: the file is emptied only once it is ours alone. O_NOFOLLOW:
    // written through a link, the text would land in whatever file the link
    // names, someone else's or one it makes up.
    auto file = openShared(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, LOCK_EX, emptyFile);
    if (!file && file.error() == SystemError::fromCode(ELOOP)) {
        return failedWith<File>(SystemError::ours(SystemError::Ours::SymbolicLink));
    }
    return file;
}

SystemResult<File> File::createAnonymous() {
#ifdef __linux__
    const int descriptor = ::memfd_create("zemrik-input", MFD_CLOEXEC);
    if (descriptor < 0) return lastFailure<File>();
    return File(HandleOwner(descriptor));
#else
    // Elsewhere a temporary file whose name is removed at once.
    std::string path = "/tmp/zemrik-input-XXXXXX";
    const int descriptor = ::mkstemp(path.data());
    if (descriptor < 0) return lastFailure<File>();
    File file{HandleOwner(descriptor)};
    ::unlink(path.c_str());
    return file;
#endif
}

namespace {

SystemResult<File> duplicateDescriptor(int descriptor) {
    const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return lastFailure<File>();
    return File(HandleOwner(copy));
}

}  // namespace

SystemResult<File> File::duplicateStandardInput() { return duplicateDescriptor(STDIN_FILENO); }

SystemResult<File> File::duplicateStandardOutput() { return duplicateDescriptor(STDOUT_FILENO); }

// A closed file has no descriptor; the calls below then fail with EBADF.
SystemResult<std::uint32_t> File::size32() const {
    struct stat status {};
    if (::fstat(native(), &status) != 0) return lastFailure<std::uint32_t>();
    const auto size = static_cast<std::uint64_t>(std::max<off_t>(status.st_size, 0));
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFFu));
}

SystemResult<void> File::seek(std::uint64_t offset) {
    if (offset > kLargestFileOffset) return failedWith<void>(SystemError::fromCode(EINVAL));
    if (::lseek(native(), static_cast<off_t>(offset), SEEK_SET) < 0) return lastFailure<void>();
    return {};
}

SystemResult<std::size_t> File::read(void* destination, std::size_t length) {
    return readToEnd(destination, length, [&](unsigned char* into, std::size_t wanted, std::size_t) {
        return retryInterrupted([&] { return ::read(native(), into, wanted); });
    });
}

SystemResult<std::size_t> File::readAt(std::uint64_t offset, void* destination, std::size_t length) {
    return readToEnd(destination, length, [&](unsigned char* into, std::size_t wanted, std::size_t done) -> ssize_t {
        const std::uint64_t at = offset + done;
        if (at > kLargestFileOffset) {
            errno = EINVAL;
            return -1;
        }
        return retryInterrupted([&] { return ::pread(native(), into, wanted, static_cast<off_t>(at)); });
    });
}

SystemResult<void> File::write(const void* source, std::size_t length) {
    const auto* cursor = static_cast<const unsigned char*>(source);
    std::size_t total = 0;
    while (total < length) {
        const ssize_t put = retryInterrupted([&] { return ::write(native(), cursor + total, length - total); });
        if (put < 0) return lastFailure<void>();
        total += static_cast<std::size_t>(put);
    }
    return {};
}

SystemResult<void> File::truncate(std::uint64_t length) {
    if (const auto fault = injectedFault(Acquisition::TruncateFile)) return failedWith<void>(*fault);
    return setFileLength(native(), length);
}

SystemResult<void> File::flushToDisk() {
    if (retryInterrupted([&] { return ::fsync(native()); }) != 0) return lastFailure<void>();
    return {};
}

namespace {

FileIdentity identityOf(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace

SystemResult<FileIdentity> File::identityAt(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return lastFailure<FileIdentity>();
    return identityOf(status);
}

SystemResult<std::string> File::absolutePathOf(const std::string& path) {
    char* const resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return lastFailure<std::string>();
    std::string text(resolved);
    std::free(resolved);
    return text;
}

SystemResult<FileIdentity> File::identity() const {
    struct stat status {};
    if (::fstat(native(), &status) != 0) return lastFailure<FileIdentity>();
    return identityOf(status);
}

SystemResult<std::optional<File::WritePlace>> File::writePlace() const {
    using Result = SystemResult<std::optional<WritePlace>>;
    struct stat status {};
    if (::fstat(native(), &status) != 0) return lastFailure<std::optional<WritePlace>>();
    if (!S_ISREG(status.st_mode)) return Result(std::nullopt);
    const auto length = static_cast<std::uint64_t>(std::max<off_t>(status.st_size, 0));
    const int flags = ::fcntl(native(), F_GETFL);
    if (flags < 0) return lastFailure<std::optional<WritePlace>>();
    if ((flags & O_APPEND) != 0) return Result(WritePlace{length, length});
    const off_t position = ::lseek(native(), 0, SEEK_CUR);
    if (position < 0) return lastFailure<std::optional<WritePlace>>();
    return Result(WritePlace{static_cast<std::uint64_t>(position), length});
}

}  // namespace zemrik::platform
