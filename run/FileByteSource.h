#pragma once

#include "core/ByteSource.h"
#include "platform/File.h"

namespace zemrik {

// Lets the walks read the run's input file, and keeps why the last seek or
// read came up short.
class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(platform::File& file) : file_(file) {}

    bool seek(std::uint32_t offset) override {
        const auto moved = file_.seek(offset);
        if (!moved) failure_ = moved.error();
        return moved.hasValue();
    }

    // A walk asks only for bytes the file held when the run was accepted, so
    // fewer bytes without an error mean the file shrank since.
    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        const auto got = file_.read(destination, length);
        if (!got) {
            failure_ = got.error();
            return 0;
        }
        if (*got < length) failure_ = platform::SystemError::ours(platform::SystemError::Ours::FileShrank);
        return *got;
    }

    platform::SystemError failure() const { return failure_; }

private:
    platform::File& file_;
    platform::SystemError failure_;
};

}  // namespace zemrik
