// FileMapping and MappedView: a file mapped into memory, read-only or
// read-write, the dialog's result.txt and --rva's views of the input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/File.h"
#include "platform/MemoryRegion.h"
#include "platform/NativeHandle.h"
#include "platform/SystemError.h"

namespace zemrik::platform {

enum class MappingAccess { ReadOnly, ReadWrite };

// Owns one file-mapping object. Move-only. On Win32 it is a named kernel
// object; a name that already exists belongs to somebody else (another
// instance mapping another file), so such an object is never used: the
// mapping is then made without a name. On POSIX the name has no meaning.
class FileMapping {
public:
    // `size` 0 maps the whole file (and fails for an empty file, as Win32 does).
    // A read-write mapping larger than the file makes the file that long.
    [[nodiscard]] static SystemResult<FileMapping> create(const File& file, MappingAccess access, std::uint64_t size,
                                                          const char* name);

    FileMapping() = default;

    bool isOpen() const { return handle_.isValid(); }
    void close() { handle_.reset(); }
    MappingAccess access() const { return access_; }
    // Bytes the mapping covers; 0 once it is closed or moved from.
    std::uint64_t size() const { return isOpen() ? size_ : 0; }

private:
    friend class MappedView;  // maps the object this owner holds
    FileMapping(HandleOwner handle, MappingAccess access, std::uint64_t size)
        : handle_(std::move(handle)), access_(access), size_(size) {}

    HandleOwner handle_;  // on POSIX a duplicate of the file's descriptor
    MappingAccess access_ = MappingAccess::ReadOnly;
    std::uint64_t size_ = 0;
};

// UnmapViewOfFile, munmap.
void unmapView(MemoryRegion view) noexcept;

// Owns one mapped view of a whole mapping. Move-only; unmaps on destruction.
class MappedView {
public:
    [[nodiscard]] static SystemResult<MappedView> map(const FileMapping& mapping);

    MappedView() = default;

    bool isMapped() const { return view_.isValid(); }
    void unmap() { view_.reset(); }
    std::uint8_t* data() const { return static_cast<std::uint8_t*>(view_.get().data); }
    std::size_t size() const { return view_.get().size; }

private:
    explicit MappedView(MemoryRegion view) : view_(view) {}

    Owner<MemoryRegionTraits<unmapView>> view_;
};

}  // namespace zemrik::platform
