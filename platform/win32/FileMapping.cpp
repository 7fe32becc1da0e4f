#include "platform/FileMapping.h"

#include <windows.h>

#include <limits>

#include "platform/FaultPoint.h"

namespace zemrik::platform {
namespace {

SystemResult<std::uint64_t> fileSize(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return lastFailure<std::uint64_t>();
    if (size.QuadPart < 0) return failedWith<std::uint64_t>(SystemError::fromCode(ERROR_INVALID_DATA));
    return static_cast<std::uint64_t>(size.QuadPart);
}

HandleOwner createMappingObject(HANDLE file, DWORD protection, std::uint64_t size, const char* name) {
    SetLastError(ERROR_SUCCESS);
    return HandleOwner(CreateFileMappingA(file, nullptr, protection, static_cast<DWORD>(size >> 32),
                                          static_cast<DWORD>(size & 0xFFFFFFFFu), name));
}

// A name already in use is somebody else's object: as a mapping it would show
// their file, as another kind of object it refuses us. Either way the mapping
// is made again without a name, so only an object of our own is ever used.
HandleOwner createOwnMapping(HANDLE file, DWORD protection, std::uint64_t size, const char* name) {
    HandleOwner mapping = createMappingObject(file, protection, size, name);
    if (name == nullptr) return mapping;
    const bool someoneElses = mapping ? GetLastError() == ERROR_ALREADY_EXISTS : GetLastError() == ERROR_INVALID_HANDLE;
    if (!someoneElses) return mapping;
    mapping.reset();
    return createMappingObject(file, protection, size, nullptr);
}

}  // namespace

SystemResult<FileMapping> FileMapping::create(const File& file, MappingAccess access, std::uint64_t size,
                                              const char* name) {
    if (const auto fault = injectedFault(Acquisition::CreateMapping)) return failedWith<FileMapping>(*fault);
    const auto current = fileSize(file.native());
    if (!current) return failedWith<FileMapping>(current.error());
    if (size == 0 && *current == 0) return failedWith<FileMapping>(SystemError::fromCode(ERROR_FILE_INVALID));

    const DWORD protection = access == MappingAccess::ReadWrite ? PAGE_READWRITE : PAGE_READONLY;
    HandleOwner handle = createOwnMapping(file.native(), protection, size, name);
    if (!handle) return lastFailure<FileMapping>();
    // Size 0 covers the file as it was when the mapping was made.
    return FileMapping(std::move(handle), access, size == 0 ? *current : size);
}

SystemResult<MappedView> MappedView::map(const FileMapping& mapping) {
    if (const auto fault = injectedFault(Acquisition::MapView)) return failedWith<MappedView>(*fault);
    if (mapping.size() > std::numeric_limits<SIZE_T>::max()) {
        return failedWith<MappedView>(SystemError::fromCode(ERROR_NOT_ENOUGH_MEMORY));
    }
    const auto length = static_cast<SIZE_T>(mapping.size());
    const DWORD access = mapping.access_ == MappingAccess::ReadWrite ? FILE_MAP_ALL_ACCESS : FILE_MAP_READ;
    void* address = MapViewOfFile(mapping.handle_.get(), access, 0, 0, length);
    if (address == nullptr) return lastFailure<MappedView>();
    return MappedView({address, length});
}

}  // namespace zemrik::platform
