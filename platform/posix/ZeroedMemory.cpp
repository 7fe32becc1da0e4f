#include "platform/ZeroedMemory.h"

#include <sys/mman.h>

#include <cerrno>

#include "platform/FaultPoint.h"

namespace zemrik::platform {

SystemResult<ZeroedMemory> ZeroedMemory::allocate(std::size_t size) {
    if (const auto fault = injectedFault(Acquisition::AllocateMemory)) return failedWith<ZeroedMemory>(*fault);
    if (size == 0) return failedWith<ZeroedMemory>(SystemError::fromCode(EINVAL));
    // Anonymous pages arrive zero-filled, as VirtualAlloc's do.
    void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) return lastFailure<ZeroedMemory>();
    return ZeroedMemory({address, size});
}

}  // namespace zemrik::platform
