#include "platform/Thread.h"

#include <windows.h>

#include <new>

#include "platform/FaultPoint.h"

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

SystemResult<Thread> Thread::start(Entry entry, void* argument) {
    if (const auto fault = injectedFault(Acquisition::StartThread)) return failedWith<Thread>(*fault);
    auto* record = new (std::nothrow) StartRecord{entry, argument};
    if (record == nullptr) return failedWith<Thread>(SystemError::fromCode(ERROR_NOT_ENOUGH_MEMORY));
    HANDLE handle = CreateThread(nullptr, 0, &runStartRecord, record, 0, nullptr);
    if (handle == nullptr) {
        const SystemError error = SystemError::last();
        delete record;
        return failedWith<Thread>(error);
    }
    return Thread(handle);
}

void Thread::join() {
    if (!joinable()) return;
    // A thread waiting for itself would never wake; it is let go instead.
    if (GetThreadId(handle_.get()) != GetCurrentThreadId()) WaitForSingleObject(handle_.get(), INFINITE);
    handle_.reset();
}

unsigned processorCount() {
    // The processors of the process's affinity mask, so a confined process
    // starts no threads it cannot run.
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) && processMask != 0) {
        unsigned count = 0;
        for (; processMask != 0; processMask &= processMask - 1) ++count;
        return count;
    }
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1u;
}

}  // namespace zemrik::platform
