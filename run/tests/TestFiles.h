#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "platform/File.h"
#include "run/ImageAddress.h"

namespace zemrik::testing {

// A file in the temporary directory holding given bytes, removed again when
// the test ends. A random suffix keeps parallel test runs apart.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes) : path_(uniquePath()) {
        std::ofstream out(path_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    explicit TempFile(const std::string& text) : TempFile(std::vector<std::uint8_t>(text.begin(), text.end())) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }

    std::string path() const { return path_.string(); }

private:
    static std::filesystem::path uniquePath() {
        std::random_device random;
        return std::filesystem::temp_directory_path() /
               ("zemrik_run_test_" + std::to_string(random()) + "_" + std::to_string(random()) + ".bin");
    }

    std::filesystem::path path_;
};

// Builds PE32 images in memory: a DOS header pointing at the PE signature,
// the file header, an optional header of a chosen size and the section table
// right after it.
class PeImageBuilder {
public:
    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t pointerToRawData;
    };

    PeImageBuilder& lfanew(std::uint32_t value) {
        lfanew_ = value;
        return *this;
    }
    PeImageBuilder& imageBase(std::uint32_t value) {
        imageBase_ = value;
        return *this;
    }
    PeImageBuilder& magic(std::uint16_t value) {
        magic_ = value;
        return *this;
    }
    PeImageBuilder& optionalHeaderSize(std::uint16_t value) {
        optionalHeaderSize_ = value;
        return *this;
    }
    // Overrides NumberOfSections; by default it counts the sections added.
    PeImageBuilder& declaredSectionCount(std::uint16_t value) {
        declaredCount_ = value;
        return *this;
    }
    PeImageBuilder& section(Section value) {
        sections_.push_back(value);
        return *this;
    }
    // The image grows to at least this many bytes.
    PeImageBuilder& minimumSize(std::size_t value) {
        minimumSize_ = value;
        return *this;
    }

    std::uint64_t sectionTable() const { return std::uint64_t{lfanew_} + 24 + optionalHeaderSize_; }

    std::vector<std::uint8_t> build() const {
        const std::uint64_t end = sectionTable() + 40 * sections_.size();
        std::vector<std::uint8_t> image(std::max<std::size_t>({static_cast<std::size_t>(end), minimumSize_, 0x40}));
        image[0] = 'M';
        image[1] = 'Z';
        put32(image, 0x3C, lfanew_);
        put32(image, lfanew_, 0x00004550);
        put16(image, lfanew_ + 6, declaredCount_ ? *declaredCount_ : static_cast<std::uint16_t>(sections_.size()));
        put16(image, lfanew_ + 20, optionalHeaderSize_);
        put16(image, lfanew_ + 24, magic_);
        put32(image, lfanew_ + 0x34, imageBase_);
        for (std::size_t index = 0; index < sections_.size(); ++index) {
            const std::uint64_t header = sectionTable() + 40 * index;
            put32(image, header + 8, sections_[index].virtualSize);
            put32(image, header + 12, sections_[index].virtualAddress);
            put32(image, header + 20, sections_[index].pointerToRawData);
        }
        return image;
    }

    static void put16(std::vector<std::uint8_t>& image, std::uint64_t at, std::uint16_t value) {
        image.at(at) = static_cast<std::uint8_t>(value);
        image.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
    }
    static void put32(std::vector<std::uint8_t>& image, std::uint64_t at, std::uint32_t value) {
        put16(image, at, static_cast<std::uint16_t>(value));
        put16(image, at + 2, static_cast<std::uint16_t>(value >> 16));
    }

private:
    std::uint32_t lfanew_ = 0x80;
    std::uint32_t imageBase_ = 0x400000;
    std::uint16_t magic_ = 0x10B;
    std::uint16_t optionalHeaderSize_ = 0xE0;
    std::optional<std::uint16_t> declaredCount_;
    std::vector<Section> sections_;
    std::size_t minimumSize_ = 0;
};

// The first named mapping of a process makes the system keep a handle of its
// own (Windows and Wine open the named-object directory once), which is not a
// leak. One translation before counting keeps it out of the counts.
inline void primeSystemHandles() {
    static const bool primed = [] {
        const TempFile image(PeImageBuilder().build());
        if (const auto file = platform::File::openForReading(image.path())) {
            static_cast<void>(translateImageAddress(*file, 0));
        }
        return true;
    }();
    (void)primed;
}

}  // namespace zemrik::testing
