#include "testing/TestFiles.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace zemrik::test {
namespace {

std::string randomSuffix() {
    std::random_device random;
    return std::to_string(random()) + "_" + std::to_string(random());
}

}  // namespace

TempDirectory::TempDirectory(const std::string& prefix) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / (prefix + "_" + randomSuffix());
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary directory could be made");
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::write(const std::string& name, const Bytes& bytes) const {
    const std::string path = pathOf(name);
    writeFile(path, bytes);
    if (!std::filesystem::exists(path)) throw std::runtime_error("cannot write " + path);
    return path;
}

TempFile::TempFile(const Bytes& bytes)
    : path_(std::filesystem::temp_directory_path() / ("zemrik_test_" + randomSuffix() + ".bin")) {
    writeFile(path_, bytes);
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

Bytes countingBytes(std::size_t size, std::uint8_t first) {
    Bytes bytes(size);
    for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<std::uint8_t>(first + index);
    return bytes;
}

Bytes textBytes(const std::string& text) { return {text.begin(), text.end()}; }

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace zemrik::test
