#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>

#include "platform/FaultPoint.h"
#include "platform/posix/SystemCalls.h"

namespace zemrik::platform {
namespace {

// Tries enough names that only a directory full of our own leftovers fails.
constexpr int kNameAttempts = 64;

std::uint64_t uniqueNumber() {
    static std::atomic<std::uint64_t> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const auto time = static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
    return time ^ (static_cast<std::uint64_t>(::getpid()) << 40) ^ (++counter * 0x9E3779B97F4A7C15u);
}

// The replacement takes the destination's permissions, so that replacing a
// file does not change who may read it. A destination not there yet leaves
// the creation mode, 0666 less the umask, as a new file would have.
void takePermissionsOf(const std::string& destination, int descriptor) {
    struct stat status {};
    if (::stat(destination.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        static_cast<void>(::fchmod(descriptor, status.st_mode & 07777));
    }
}

}  // namespace

void ReplacementNameTraits::release(const Handle& path) noexcept { ::unlink(path.c_str()); }

SystemResult<ReplacementFile> ReplacementFile::createBeside(const std::string& destination) {
    if (const auto fault = injectedFault(Acquisition::CreateReplacement)) return failedWith<ReplacementFile>(*fault);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string path = replacementName(destination, uniqueNumber());
        const int descriptor =
            retryInterrupted([&] { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return lastFailure<ReplacementFile>();
        }
        Owner<ReplacementNameTraits> name(std::move(path));
        File file{HandleOwner(descriptor)};
        takePermissionsOf(destination, descriptor);
        return ReplacementFile(std::move(name), std::move(file), destination);
    }
    return failedWith<ReplacementFile>(SystemError::fromCode(EEXIST));
}

SystemResult<void> ReplacementFile::commit() {
    if (retryInterrupted([&] { return ::fsync(file_.native()); }) != 0) return lastFailure<void>();
    file_.close();
    if (::rename(path().c_str(), destination_.c_str()) != 0) return lastFailure<void>();
    static_cast<void>(name_.relinquish());  // the name is the destination's now
    return {};
}

}  // namespace zemrik::platform
