// Moving, closing and destroying the owners is the same on every platform;
// only acquiring and releasing differ.
#include <utility>

#include "platform/File.h"
#include "platform/FileMapping.h"
#include "platform/ZeroedMemory.h"

namespace zemrik::platform {

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

File::~File() { release(); }
bool File::isOpen() const { return handle_ != kNoHandle; }
void File::close() { release(); }

FileMapping::FileMapping(FileMapping&& other) noexcept
    : access_(other.access_), size_(std::exchange(other.size_, 0)), handle_(std::exchange(other.handle_, kNoHandle)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
    if (this != &other) {
        release();
        access_ = other.access_;
        size_ = std::exchange(other.size_, 0);
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

FileMapping::~FileMapping() { release(); }
bool FileMapping::isOpen() const { return handle_ != kNoHandle; }
void FileMapping::close() { release(); }

MappedView::MappedView(MappedView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedView& MappedView::operator=(MappedView&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedView::~MappedView() { release(); }
void MappedView::unmap() { release(); }

ZeroedMemory::ZeroedMemory(ZeroedMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

ZeroedMemory& ZeroedMemory::operator=(ZeroedMemory&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

ZeroedMemory::~ZeroedMemory() { release(); }
void ZeroedMemory::free() { release(); }

}  // namespace zemrik::platform
