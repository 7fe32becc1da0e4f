// What run/'s tests share: temporary files holding given bytes, and a way to
// count handles without the system's own.
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

#include "image/tests/ImageBuilders.h"
#include "platform/File.h"
#include "run/ImageAddress.h"

namespace zemrik::test {

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

}  // namespace zemrik::test
