#pragma once

#include <cstddef>
#include <optional>

namespace zemrik::platform {

// Owns a block of committed, zero-filled memory straight from the system
// (VirtualAlloc / mmap), so a large buffer costs no copy and no zeroing pass.
// Move-only; freed on destruction.
class ZeroedMemory {
public:
    static std::optional<ZeroedMemory> allocate(std::size_t size);

    ZeroedMemory() = default;
    ZeroedMemory(ZeroedMemory&& other) noexcept;
    ZeroedMemory& operator=(ZeroedMemory&& other) noexcept;
    ZeroedMemory(const ZeroedMemory&) = delete;
    ZeroedMemory& operator=(const ZeroedMemory&) = delete;
    ~ZeroedMemory();

    void free();
    char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    ZeroedMemory(char* data, std::size_t size) : data_(data), size_(size) {}
    void release() noexcept;

    char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zemrik::platform
