#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/File.h"
#include "platform/NativeHandle.h"

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
    static std::optional<FileMapping> create(const File& file, MappingAccess access, std::uint64_t size,
                                             const char* name);

    FileMapping() = default;
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;
    ~FileMapping();

    bool isOpen() const;
    void close();
    MappingAccess access() const { return access_; }
    std::uint64_t size() const { return size_; }

private:
    friend class MappedView;  // maps the object this owner holds
    void release() noexcept;

    MappingAccess access_ = MappingAccess::ReadOnly;
    std::uint64_t size_ = 0;           // bytes the mapping covers
    NativeHandle handle_ = kNoHandle;  // on POSIX a duplicate of the file's descriptor
};

// Owns one mapped view of a whole mapping. Move-only; unmaps on destruction.
class MappedView {
public:
    static std::optional<MappedView> map(const FileMapping& mapping);

    MappedView() = default;
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView();

    bool isMapped() const { return data_ != nullptr; }
    void unmap();
    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    MappedView(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    void release() noexcept;

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zemrik::platform
