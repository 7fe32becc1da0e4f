// FileByteSource: the ByteSource that reads a run's input file by position,
// keeping why a read came up short.
#pragma once

#include "core/ByteSource.h"
#include "platform/File.h"

namespace zemrik {

// Lets a walk read the run's input file, and keeps why the last read came up
// short. Each source keeps its own position and reads at it, so walks on
// several threads can share one open file.
class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(platform::File& file) : file_(file) {}

    bool seek(std::uint32_t offset) override {
        position_ = offset;
        return true;
    }

    // A walk asks only for bytes the file held when the run was accepted, so
    // fewer bytes without an error mean the file shrank since.
    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        const auto got = file_.readAt(position_, destination, length);
        if (!got) {
            failure_ = got.error();
            return 0;
        }
        if (*got < length) failure_ = platform::SystemError::ours(platform::SystemError::Ours::FileShrank);
        position_ += *got;
        return *got;
    }

    platform::SystemError failure() const { return failure_; }

private:
    platform::File& file_;
    std::uint64_t position_ = 0;
    platform::SystemError failure_;
};

}  // namespace zemrik
