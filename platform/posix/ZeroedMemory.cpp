#include "platform/ZeroedMemory.h"

#include <sys/mman.h>

#include "platform/FaultInjection.h"

namespace zemrik::platform {

std::optional<ZeroedMemory> ZeroedMemory::allocate(std::size_t size) {
    if (takeFault(Acquisition::AllocateMemory)) return std::nullopt;
    if (size == 0) return std::nullopt;
    // Anonymous pages arrive zero-filled, as VirtualAlloc's do.
    void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) return std::nullopt;
    return ZeroedMemory(static_cast<char*>(address), size);
}

void ZeroedMemory::release() noexcept {
    if (data_ != nullptr) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace zemrik::platform
