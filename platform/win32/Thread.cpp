#include "platform/Thread.h"

#include <windows.h>

#include <new>

#include "platform/FaultInjection.h"

namespace zemrik::platform {
namespace {

struct StartRecord {
    Thread::Entry entry;
    void* argument;
};

DWORD WINAPI runStartRecord(LPVOID record) {
    const StartRecord start = *static_cast<StartRecord*>(record);
    delete static_cast<StartRecord*>(record);
    start.entry(start.argument);
    return 0;
}

}  // namespace

std::optional<Thread> Thread::start(Entry entry, void* argument) {
    if (takeFault(Acquisition::StartThread)) return std::nullopt;
    auto* record = new (std::nothrow) StartRecord{entry, argument};
    if (record == nullptr) return std::nullopt;
    HANDLE handle = CreateThread(nullptr, 0, &runStartRecord, record, 0, nullptr);
    if (handle == nullptr) {
        delete record;
        return std::nullopt;
    }
    Thread thread;
    thread.handle_ = handle;
    return thread;
}

Thread::Thread(Thread&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

Thread::~Thread() { release(); }

bool Thread::joinable() const { return handle_ != nullptr; }

void Thread::join() {
    if (handle_ == nullptr) return;
    // A thread waiting for itself would never wake; it is let go instead.
    if (GetThreadId(handle_) != GetCurrentThreadId()) WaitForSingleObject(handle_, INFINITE);
    release();
}

void Thread::release() noexcept {
    // Closing the handle lets the thread finish on its own.
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace zemrik::platform
