#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

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

// Replacements being written, removed by the handler of a signal that ends
// the program (Ctrl-C, kill, a closed terminal) before it ends: an
// interrupted run leaves nothing behind either. The handler reads only
// these slots, which hold copies of the names. kFilling and kCreating last
// only while the thread that set them holds the ending signals back, so a
// handler that waits for them runs on another thread and never waits long.
enum SlotState : int { kFree, kFilling, kCreating, kHeld };
struct PendingName {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
std::array<PendingName, 4> pendingNames;

constexpr std::array<int, 3> kEndingSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kEndingSignals.size()> previousActions{};

extern "C" void removePendingAndEnd(int signal) {
    for (PendingName& name : pendingNames) {
        // A replacement being created exists, or not, a moment later.
        int state = name.state.load();
        while (state == kFilling || state == kCreating) state = name.state.load();
        if (state == kHeld) ::unlink(name.path);
    }
    // The signal's earlier disposition, usually the default that ends the program.
    for (std::size_t index = 0; index < kEndingSignals.size(); ++index) {
        if (kEndingSignals[index] == signal) ::sigaction(signal, &previousActions[index], nullptr);
    }
    ::raise(signal);
}

void installRemovingHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = removePendingAndEnd;
        ::sigemptyset(&action.sa_mask);
        for (std::size_t index = 0; index < kEndingSignals.size(); ++index) {
            ::sigaction(kEndingSignals[index], &action, &previousActions[index]);
        }
    });
}

// Holds the ending signals back on this thread while a replacement is noted
// and created; another thread may still take one meanwhile.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t ending;
        ::sigemptyset(&ending);
        for (const int signal : kEndingSignals) ::sigaddset(&ending, signal);
        ::pthread_sigmask(SIG_BLOCK, &ending, &previous_);
    }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;
    ~EndingSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

// Notes a name about to be created; nothing when no slot is free.
PendingName* notePending(const std::string& path) {
    if (path.size() >= PATH_MAX) return nullptr;
    for (PendingName& name : pendingNames) {
        int free = kFree;
        if (!name.state.compare_exchange_strong(free, kFilling)) continue;
        std::memcpy(name.path, path.c_str(), path.size() + 1);
        name.state.store(kCreating);
        return &name;
    }
    return nullptr;
}

// Whether the noted name was created: kHeld, or kFree when it was not.
void settlePending(PendingName* name, SlotState created) {
    if (name != nullptr) name->state.store(created);
}

void forgetPending(const std::string& path) {
    for (PendingName& name : pendingNames) {
        if (name.state.load() != kHeld || std::strcmp(name.path, path.c_str()) != 0) continue;
        int held = kHeld;
        if (name.state.compare_exchange_strong(held, kFree)) return;
    }
}

// As many links in a row as Linux follows before it says ELOOP.
constexpr int kLinkHops = 40;

// The file a destination names once symbolic links are followed: replacing
// that file, beside it, keeps the link (a rename over the link would put a
// plain file in its place). A link to no file is refused rather than
// followed: a link planted where a table is written must not decide where a
// new file appears. A name that is no link, or not there yet, is itself.
SystemResult<std::string> fileLinkedFrom(const std::string& destination) {
    std::string path = destination;
    for (int hop = 0; hop < kLinkHops; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            if (hop > 0 && (errno == ENOENT || errno == ENOTDIR)) {
                return failedWith<std::string>(SystemError::ours(SystemError::Ours::DanglingLink));
            }
            return hop == 0 ? SystemResult<std::string>(path) : lastFailure<std::string>();
        }
        if (!S_ISLNK(status.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length < 0) return lastFailure<std::string>();
        if (static_cast<std::size_t>(length) == sizeof target) {
            return failedWith<std::string>(SystemError::fromCode(ENAMETOOLONG));
        }
        // A relative target is taken from the link's own directory.
        std::string next(target, static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        if (next.rfind('/', 0) != 0 && slash != std::string::npos) next.insert(0, path, 0, slash + 1);
        path = std::move(next);
    }
    return failedWith<std::string>(SystemError::fromCode(ELOOP));
}

}  // namespace

void ReplacementNameTraits::release(const Handle& path) noexcept {
    ::unlink(path.c_str());
    forgetPending(path);
}

SystemResult<ReplacementFile> ReplacementFile::createBeside(const std::string& name) {
    if (const auto fault = injectedFault(Acquisition::CreateReplacement)) return failedWith<ReplacementFile>(*fault);
    const auto linked = fileLinkedFrom(name);
    if (!linked) return failedWith<ReplacementFile>(linked.error());
    const std::string& destination = *linked;
    // A rename puts a plain file in place of a device, a FIFO or a link to one
    // (as root, in place of /dev/null): only a regular file, or none, is replaced.
    struct stat status {};
    if (::stat(destination.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return failedWith<ReplacementFile>(S_ISDIR(status.st_mode)
                                               ? SystemError::fromCode(EISDIR)
                                               : SystemError::ours(SystemError::Ours::NotRegularFile));
    }
    installRemovingHandler();
    const EndingSignalsHeld held;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string path = replacementName(destination, uniqueNumber());
        // Noted before it exists: the program's other threads may take an
        // ending signal at any moment, and their handler then waits for it.
        PendingName* const pending = notePending(path);
        const int descriptor =
            retryInterrupted([&] { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (descriptor < 0) {
            const SystemError error = SystemError::last();
            settlePending(pending, kFree);
            if (error.code() == EEXIST) continue;
            return failedWith<ReplacementFile>(error);
        }
        settlePending(pending, kHeld);
        Owner<ReplacementNameTraits> ownedPath(std::move(path));
        File file{HandleOwner(descriptor)};
        takePermissionsOf(destination, descriptor);
        return ReplacementFile(std::move(ownedPath), std::move(file), destination);
    }
    return failedWith<ReplacementFile>(SystemError::fromCode(EEXIST));
}

SystemResult<void> ReplacementFile::commit() {
    if (retryInterrupted([&] { return ::fsync(file_.native()); }) != 0) return lastFailure<void>();
    file_.close();
    if (::rename(path().c_str(), destination_.c_str()) != 0) return lastFailure<void>();
    forgetPending(path());
    static_cast<void>(name_.relinquish());  // the name is the destination's now
    return {};
}

}  // namespace zemrik::platform
