#include "platform/FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>

#include "platform/FaultPoint.h"
#include "platform/posix/SystemCalls.h"

namespace zemrik::platform {
namespace {

SystemResult<std::uint64_t> fileSize(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) return lastFailure<std::uint64_t>();
    if (status.st_size < 0) return failedWith<std::uint64_t>(SystemError::fromCode(EOVERFLOW));
    return static_cast<std::uint64_t>(status.st_size);
}

bool isWritable(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) == O_RDWR;
}

// The size the mapping will cover, or mmap's error where the Win32 call would
// refuse: an empty file mapped whole, a read-only mapping past the end (its
// pages would fault on access), or a read-write mapping of a read-only file.
SystemResult<std::uint64_t> coveredSize(int descriptor, MappingAccess access, std::uint64_t requested,
                                        std::uint64_t current) {
    if (access == MappingAccess::ReadWrite && !isWritable(descriptor)) {
        return failedWith<std::uint64_t>(SystemError::fromCode(EACCES));
    }
    const std::uint64_t covered = requested == 0 ? current : requested;
    if (covered == 0 || (covered > current && access == MappingAccess::ReadOnly)) {
        return failedWith<std::uint64_t>(SystemError::fromCode(EINVAL));
    }
    return covered;
}

}  // namespace

SystemResult<FileMapping> FileMapping::create(const File& file, MappingAccess access, std::uint64_t size,
                                              const char* /*name*/) {
    if (const auto fault = injectedFault(Acquisition::CreateMapping)) return failedWith<FileMapping>(*fault);
    const auto current = fileSize(file.native());
    if (!current) return failedWith<FileMapping>(current.error());
    const auto covered = coveredSize(file.native(), access, size, *current);
    if (!covered) return failedWith<FileMapping>(covered.error());

    HandleOwner duplicate(::fcntl(file.native(), F_DUPFD_CLOEXEC, 0));
    if (!duplicate) return lastFailure<FileMapping>();
    // Win32 grows the file to the mapping's size when the mapping is made.
    if (*covered > *current) {
        if (const auto grown = setFileLength(duplicate.get(), *covered); !grown) {
            return failedWith<FileMapping>(grown.error());
        }
    }
    return FileMapping(std::move(duplicate), access, *covered);
}

SystemResult<MappedView> MappedView::map(const FileMapping& mapping) {
    if (const auto fault = injectedFault(Acquisition::MapView)) return failedWith<MappedView>(*fault);
    if (mapping.size() > std::numeric_limits<std::size_t>::max()) {
        return failedWith<MappedView>(SystemError::fromCode(ENOMEM));
    }
    const auto length = static_cast<std::size_t>(mapping.size());
    const int protection = mapping.access_ == MappingAccess::ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
    void* address = ::mmap(nullptr, length, protection, MAP_SHARED, mapping.handle_.get(), 0);
    if (address == MAP_FAILED) return lastFailure<MappedView>();
    return MappedView({address, length});
}

}  // namespace zemrik::platform
