// ReplacementFile: a file written beside another and renamed over it once
// complete, so that the other holds either its old or its whole new contents.
#pragma once

#include <cstdint>
#include <string>

#include "platform/File.h"
#include "platform/Owner.h"
#include "platform/SystemError.h"

namespace zemrik::platform {

// The name of a file written to replace another: releasing it removes the
// file, so that a replacement never outlives a run that did not finish it.
struct ReplacementNameTraits {
    using Handle = std::string;
    static inline const Handle invalid{};
    static void release(const Handle& path) noexcept;
};

// A file written beside `destination` under a name of its own and renamed
// over it only once complete and on the disk, so that `destination` holds
// either what it held before or the whole new contents, never a part.
// Move-only; removed unless committed.
class ReplacementFile {
public:
    // Created anew, for writing only, in the destination's directory; on
    // POSIX with the destination's permissions when it exists. A destination
    // that is a symbolic link stands for the file it leads to, which is
    // replaced in its own directory while the link stays; a link to no file
    // is refused (DanglingLink). A file with other hard links is replaced as
    // a new file under this name: the other names keep the old contents.
    [[nodiscard]] static SystemResult<ReplacementFile> createBeside(const std::string& destination);

    File& file() { return file_; }
    const std::string& path() const { return name_.get(); }
    const std::string& destination() const { return destination_; }

    // Puts the file on the disk, closes it and renames it over the
    // destination. When that fails the replacement is removed.
    [[nodiscard]] SystemResult<void> commit();

private:
    ReplacementFile(Owner<ReplacementNameTraits> name, File file, std::string destination)
        : name_(std::move(name)), file_(std::move(file)), destination_(std::move(destination)) {}

    // Declared before the file, so that the file is closed before its name is removed.
    Owner<ReplacementNameTraits> name_;
    File file_;
    std::string destination_;
};

// The name a replacement of `destination` takes: hidden in the same
// directory, told apart from others by `unique`.
std::string replacementName(const std::string& destination, std::uint64_t unique);

}  // namespace zemrik::platform
