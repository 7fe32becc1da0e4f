#include "ui/tests/driver/TestFiles.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace zemrik::dialogtest {

TempDirectory::TempDirectory() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("zemrik_dialog_" + std::to_string(GetCurrentProcessId()) + "_" +
                                                        std::to_string(GetTickCount() + attempt));
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

std::string TempDirectory::write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::string path = pathOf(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::vector<std::uint8_t> countingBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::vector<std::uint8_t> textBytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace zemrik::dialogtest
