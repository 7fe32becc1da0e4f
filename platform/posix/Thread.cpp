#include "platform/Thread.h"

#include <new>

#include "platform/FaultInjection.h"

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

std::optional<Thread> Thread::start(Entry entry, void* argument) {
    if (takeFault(Acquisition::StartThread)) return std::nullopt;
    auto* record = new (std::nothrow) StartRecord{entry, argument};
    if (record == nullptr) return std::nullopt;
    Thread thread;
    if (::pthread_create(&thread.handle_, nullptr, &runStartRecord, record) != 0) {
        delete record;
        return std::nullopt;
    }
    thread.started_ = true;
    return thread;
}

Thread::Thread(Thread&& other) noexcept : handle_(other.handle_), started_(other.started_) { other.started_ = false; }

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = other.handle_;
        started_ = other.started_;
        other.started_ = false;
    }
    return *this;
}

Thread::~Thread() { release(); }

bool Thread::joinable() const { return started_; }

void Thread::join() {
    if (!started_) return;
    // A thread joining itself cannot wait; it is let go instead.
    if (::pthread_join(handle_, nullptr) != 0) ::pthread_detach(handle_);
    started_ = false;
}

void Thread::release() noexcept {
    // An owner dropped without join lets its thread finish on its own.
    if (started_) ::pthread_detach(handle_);
    started_ = false;
}

}  // namespace zemrik::platform
