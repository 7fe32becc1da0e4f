#include "platform/ZeroedMemory.h"

#include <windows.h>

#include "platform/FaultInjection.h"

namespace zemrik::platform {

std::optional<ZeroedMemory> ZeroedMemory::allocate(std::size_t size) {
    if (takeFault(Acquisition::AllocateMemory)) return std::nullopt;
    if (size == 0) return std::nullopt;
    // Committed pages arrive zero-filled.
    void* address = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address == nullptr) return std::nullopt;
    return ZeroedMemory(static_cast<char*>(address), size);
}

void ZeroedMemory::release() noexcept {
    if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace zemrik::platform
