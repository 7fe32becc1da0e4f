// What the tests of every folder share for files: a temporary directory or
// file that is gone again when the test ends, the bytes they are filled with,
// and reading a file back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zemrik::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the temporary directory, removed with everything in
// it when the test ends; `prefix` starts its name, a random suffix keeps
// parallel test runs apart.
class TempDirectory {
public:
    explicit TempDirectory(const std::string& prefix = "zemrik_test");
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory();

    const std::filesystem::path& directory() const { return path_; }
    std::string path() const { return path_.string(); }
    std::string pathOf(const std::string& name) const { return (path_ / name).string(); }
    // Writes the bytes into a file of the directory and answers its path.
    std::string write(const std::string& name, const Bytes& bytes) const;

private:
    std::filesystem::path path_;
};

// A file in the temporary directory holding given bytes, removed again when
// the test ends.
class TempFile {
public:
    explicit TempFile(const Bytes& bytes);
    explicit TempFile(const std::string& text) : TempFile(Bytes(text.begin(), text.end())) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Bytes whose value is their offset's low byte (plus `first`), so that any
// byte read back names where it was read: byte 0x2C0 holds 0xC0.
Bytes countingBytes(std::size_t size, std::uint8_t first = 0);
Bytes textBytes(const std::string& text);
void writeFile(const std::filesystem::path& path, const Bytes& bytes);
std::string readWholeFile(const std::filesystem::path& path);

}  // namespace zemrik::test
