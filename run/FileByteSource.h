#pragma once

#include "core/ByteSource.h"
#include "platform/File.h"

namespace zemrik {

// Lets the walks read the run's input file.
class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(platform::File& file) : file_(file) {}

    bool seek(std::uint32_t offset) override { return file_.seek(offset); }
    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        return file_.read(destination, length).value_or(0);
    }

private:
    platform::File& file_;
};

}  // namespace zemrik
