// MemoryRegion: memory the system handed out whole (a view, allocated pages),
// with the Owner traits that give it back.
#pragma once

#include <cstddef>

namespace zemrik::platform {

// Memory the system handed out as a whole: a mapped view or allocated pages.
// The size travels along because POSIX needs it to give the memory back.
struct MemoryRegion {
    void* data = nullptr;
    std::size_t size = 0;
    bool operator==(const MemoryRegion&) const = default;
};

// Owner traits of memory that `Release` gives back to the system.
template <void (*Release)(MemoryRegion) noexcept>
struct MemoryRegionTraits {
    using Handle = MemoryRegion;
    static constexpr Handle invalid{};
    static void release(Handle region) noexcept { Release(region); }
};

}  // namespace zemrik::platform
