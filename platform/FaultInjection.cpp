#include "platform/FaultPoint.h"

#include <atomic>
#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace zemrik::platform {
namespace {

// One bit per acquisition kind; the worker thread and the test thread may both
// reach injectedFault, so arming and taking are atomic.
std::atomic<unsigned> armedFaults{0};

unsigned bitOf(Acquisition acquisition) { return 1u << static_cast<unsigned>(acquisition); }

}  // namespace

void armFault(Acquisition acquisition) { armedFaults.fetch_or(bitOf(acquisition)); }

void clearFaults() { armedFaults.store(0); }

SystemError injectedFaultError() {
#ifdef _WIN32
    return SystemError::fromCode(ERROR_IO_DEVICE);
#else
    return SystemError::fromCode(EIO);
#endif
}

std::optional<SystemError> injectedFault(Acquisition acquisition) noexcept {
    const unsigned bit = bitOf(acquisition);
    if ((armedFaults.fetch_and(~bit) & bit) == 0) return std::nullopt;
    return injectedFaultError();
}

#ifdef _WIN32

// Asks every slot of the handle table whether it holds a handle. Slots are
// filled lowest first, so a test process never reaches the end of this range.
long probeHandleTable() {
    constexpr ULONG_PTR handleStep = 4;
    constexpr ULONG_PTR probedSlots = 0x400;
    long count = 0;
    for (ULONG_PTR value = handleStep; value < probedSlots * handleStep; value += handleStep) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

long countOpenHandles() {
    DWORD count = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return -1;
    // A process always holds some handles; a count of none means the system
    // does not keep the count (Wine), so the table is probed instead.
    return count != 0 ? static_cast<long>(count) : probeHandleTable();
}

#else

long countOpenHandles() {
    DIR* directory = ::opendir("/proc/self/fd");
    if (directory == nullptr) return -1;
    long count = 0;
    while (const dirent* entry = ::readdir(directory)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(directory);
    return count - 1;  // the listing's own descriptor
}

#endif

}  // namespace zemrik::platform
