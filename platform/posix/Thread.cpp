#include "platform/Thread.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/FaultPoint.h"

namespace zemrik::platform {
namespace {

struct StartRecord {
    Thread::Entry entry;
    void* argument;
};

void* runStartRecord(void* record) {
    const StartRecord start = *static_cast<StartRecord*>(record);
    delete static_cast<StartRecord*>(record);
    start.entry(start.argument);
    return nullptr;
}

}  // namespace

SystemResult<Thread> Thread::start(Entry entry, void* argument) {
    if (const auto fault = injectedFault(Acquisition::StartThread)) return failedWith<Thread>(*fault);
    auto* record = new (std::nothrow) StartRecord{entry, argument};
    if (record == nullptr) return failedWith<Thread>(SystemError::fromCode(ENOMEM));
    pthread_t thread{};
    // pthread_create answers its error instead of setting errno.
    if (const int error = ::pthread_create(&thread, nullptr, &runStartRecord, record); error != 0) {
        delete record;
        return failedWith<Thread>(SystemError::fromCode(static_cast<std::uint32_t>(error)));
    }
    return Thread(thread);
}

void Thread::join() {
    if (!joinable()) return;
    // A thread joining itself cannot wait; it is let go instead.
    if (::pthread_join(*handle_.get(), nullptr) != 0) {
        handle_.reset();
        return;
    }
    handle_.relinquish();  // joined: nothing left to give back
}

unsigned processorCount() {
    // The affinity mask, not the machine's count: a process confined to
    // fewer processors (taskset, a container) gains nothing from more threads.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        return static_cast<unsigned>(std::max(CPU_COUNT(&allowed), 1));
    }
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1u;
}

}  // namespace zemrik::platform
