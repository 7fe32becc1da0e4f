#include "platform/FileMapping.h"

#include <windows.h>

#include <limits>

#include "platform/FaultInjection.h"

namespace zemrik::platform {
namespace {

std::optional<std::uint64_t> fileSize(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

HANDLE createMappingObject(HANDLE file, DWORD protection, std::uint64_t size, const char* name) {
    SetLastError(ERROR_SUCCESS);
    return CreateFileMappingA(file, nullptr, protection, static_cast<DWORD>(size >> 32),
                              static_cast<DWORD>(size & 0xFFFFFFFFu), name);
}

// A name already in use is somebody else's object: as a mapping it would show
// their file, as another kind of object it refuses us. Either way the mapping
// is made again without a name, so only an object of our own is ever used.
HANDLE createOwnMapping(HANDLE file, DWORD protection, std::uint64_t size, const char* name) {
    HANDLE mapping = createMappingObject(file, protection, size, name);
    if (name == nullptr) return mapping;
    if (mapping != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return createMappingObject(file, protection, size, nullptr);
    }
    if (mapping == nullptr && GetLastError() == ERROR_INVALID_HANDLE) {
        return createMappingObject(file, protection, size, nullptr);
    }
    return mapping;
}

}  // namespace

std::optional<FileMapping> FileMapping::create(const File& file, MappingAccess access, std::uint64_t size,
                                               const char* name) {
    if (takeFault(Acquisition::CreateMapping)) return std::nullopt;
    if (!file.isOpen()) return std::nullopt;
    const auto current = fileSize(file.native());
    if (!current || (size == 0 && *current == 0)) return std::nullopt;

    const DWORD protection = access == MappingAccess::ReadWrite ? PAGE_READWRITE : PAGE_READONLY;
    HANDLE handle = createOwnMapping(file.native(), protection, size, name);
    if (handle == nullptr) return std::nullopt;

    FileMapping mapping;
    mapping.handle_ = handle;
    mapping.access_ = access;
    // Size 0 covers the file as it was when the mapping was made.
    mapping.size_ = size == 0 ? *current : size;
    return mapping;
}

void FileMapping::release() noexcept {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = nullptr;
    size_ = 0;
}

std::optional<MappedView> MappedView::map(const FileMapping& mapping) {
    if (takeFault(Acquisition::MapView)) return std::nullopt;
    if (!mapping.isOpen() || mapping.size_ > std::numeric_limits<SIZE_T>::max()) return std::nullopt;
    const auto length = static_cast<SIZE_T>(mapping.size_);
    const DWORD access = mapping.access_ == MappingAccess::ReadWrite ? FILE_MAP_ALL_ACCESS : FILE_MAP_READ;
    void* address = MapViewOfFile(mapping.handle_, access, 0, 0, length);
    if (address == nullptr) return std::nullopt;
    return MappedView(static_cast<std::uint8_t*>(address), length);
}

void MappedView::release() noexcept {
    if (data_ != nullptr) UnmapViewOfFile(data_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace zemrik::platform
