#include "platform/FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/FaultInjection.h"

namespace zemrik::platform {
namespace {

std::optional<std::uint64_t> fileSize(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || status.st_size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

bool isWritable(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) == O_RDWR;
}

bool extendTo(int descriptor, std::uint64_t length) {
    if (length > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
    int result;
    do {
        result = ::ftruncate(descriptor, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// The size the mapping will cover, or nothing where the Win32 call would
// refuse: an empty file mapped whole, a read-only mapping past the end (its
// pages would fault on access), or a read-write mapping of a read-only file.
std::optional<std::uint64_t> coveredSize(int descriptor, MappingAccess access, std::uint64_t requested,
                                         std::uint64_t current) {
    if (access == MappingAccess::ReadWrite && !isWritable(descriptor)) return std::nullopt;
    if (requested == 0) {
        if (current == 0) return std::nullopt;
        return current;
    }
    if (requested > current && access == MappingAccess::ReadOnly) return std::nullopt;
    return requested;
}

}  // namespace

std::optional<FileMapping> FileMapping::create(const File& file, MappingAccess access, std::uint64_t size,
                                               const char* /*name*/) {
    if (takeFault(Acquisition::CreateMapping)) return std::nullopt;
    if (!file.isOpen()) return std::nullopt;
    const auto current = fileSize(file.native());
    if (!current) return std::nullopt;
    const auto covered = coveredSize(file.native(), access, size, *current);
    if (!covered) return std::nullopt;

    FileMapping mapping;
    mapping.handle_ = ::fcntl(file.native(), F_DUPFD_CLOEXEC, 0);
    if (mapping.handle_ < 0) return std::nullopt;
    mapping.access_ = access;
    mapping.size_ = *covered;
    // Win32 grows the file to the mapping's size when the mapping is made.
    if (*covered > *current && !extendTo(mapping.handle_, *covered)) return std::nullopt;
    return mapping;
}

void FileMapping::release() noexcept {
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
    size_ = 0;
}

std::optional<MappedView> MappedView::map(const FileMapping& mapping) {
    if (takeFault(Acquisition::MapView)) return std::nullopt;
    if (!mapping.isOpen() || mapping.size_ > std::numeric_limits<std::size_t>::max()) return std::nullopt;
    const auto length = static_cast<std::size_t>(mapping.size_);
    const int protection = mapping.access_ == MappingAccess::ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
    void* address = ::mmap(nullptr, length, protection, MAP_SHARED, mapping.handle_, 0);
    if (address == MAP_FAILED) return std::nullopt;
    return MappedView(static_cast<std::uint8_t*>(address), length);
}

void MappedView::release() noexcept {
    if (data_ != nullptr) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace zemrik::platform
