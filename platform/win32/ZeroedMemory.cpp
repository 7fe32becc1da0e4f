#include "platform/ZeroedMemory.h"

#include <windows.h>

#include "platform/FaultPoint.h"

namespace zemrik::platform {

SystemResult<ZeroedMemory> ZeroedMemory::allocate(std::size_t size) {
    if (const auto fault = injectedFault(Acquisition::AllocateMemory)) return failedWith<ZeroedMemory>(*fault);
    if (size == 0) return failedWith<ZeroedMemory>(SystemError::fromCode(ERROR_INVALID_PARAMETER));
    // Committed pages arrive zero-filled.
    void* address = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address == nullptr) return lastFailure<ZeroedMemory>();
    return ZeroedMemory({address, size});
}

}  // namespace zemrik::platform
