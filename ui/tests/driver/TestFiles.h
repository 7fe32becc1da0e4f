// What the dialog's tests share for files: a temporary directory the program
// runs in, the bytes tests write there, and reading a file back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zemrik::dialogtest {

// A fresh directory under the temporary directory, removed with everything in
// it when the test ends. The program under test runs in it, so its result.txt
// lands here.
class TempDirectory {
public:
    TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory();

    std::string path() const { return path_.string(); }
    std::string pathOf(const std::string& name) const { return (path_ / name).string(); }
    // Writes the bytes into a file of the directory and answers its path.
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

private:
    std::filesystem::path path_;
};

// Bytes whose value is their offset's low byte: byte 0x2C0 holds 0xC0.
std::vector<std::uint8_t> countingBytes(std::size_t size);
std::vector<std::uint8_t> textBytes(const std::string& text);
std::string readWholeFile(const std::string& path);

}  // namespace zemrik::dialogtest
