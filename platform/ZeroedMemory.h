// ZeroedMemory: a large zero-filled block straight from the system, for the
// run's text buffer.
#pragma once

#include <cstddef>

#include "platform/MemoryRegion.h"
#include "platform/Owner.h"
#include "platform/SystemError.h"

namespace zemrik::platform {

// VirtualFree, munmap.
void freePages(MemoryRegion memory) noexcept;

// Owns a block of committed, zero-filled memory straight from the system
// (VirtualAlloc / mmap), so a large buffer costs no copy and no zeroing pass.
// Move-only; freed on destruction.
class ZeroedMemory {
public:
    [[nodiscard]] static SystemResult<ZeroedMemory> allocate(std::size_t size);

    ZeroedMemory() = default;

    void free() { memory_.reset(); }
    char* data() const { return static_cast<char*>(memory_.get().data); }
    std::size_t size() const { return memory_.get().size; }

private:
    explicit ZeroedMemory(MemoryRegion memory) : memory_(memory) {}

    Owner<MemoryRegionTraits<freePages>> memory_;
};

}  // namespace zemrik::platform
