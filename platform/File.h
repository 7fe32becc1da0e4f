#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/NativeHandle.h"

namespace zemrik::platform {

// Owns one open file. Move-only; closes on destruction.
class File {
public:
    // Opens an existing file for reading; other processes may read it meanwhile.
    static std::optional<File> openForReading(const std::string& path);
    // Creates the file anew for reading and writing (an existing one is replaced);
    // others may read it meanwhile.
    static std::optional<File> createReadWrite(const std::string& path);
    // A file for reading and writing with no name anyone else can open, gone
    // once closed: held in memory where the system can (a memfd on Linux), a
    // delete-on-close temporary file on Windows.
    static std::optional<File> createAnonymous();
    // A handle of its own on the process's standard input, which stays open
    // when this one is closed.
    static std::optional<File> duplicateStandardInput();

    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool isOpen() const;
    void close();

    // The size as the program's 32-bit world sees it: a file of 4 GiB or more
    // reports 0xFFFFFFFF, so every offset below that stays reachable and no
    // check against the size can let a read run past the real end.
    std::optional<std::uint32_t> size32() const;

    // Positions the next read or write at an absolute offset.
    bool seek(std::uint64_t offset);
    // Reads up to `length` bytes at the current position. Returns the number
    // read (fewer at the end of the file), or nothing on an error.
    std::optional<std::size_t> read(void* destination, std::size_t length);
    // Writes all `length` bytes at the current position.
    bool write(const void* source, std::size_t length);
    // Sets the end of the file at `length` bytes, cutting or extending it.
    bool truncate(std::uint64_t length);

    NativeHandle native() const { return handle_; }

private:
    explicit File(NativeHandle handle) : handle_(handle) {}
    void release() noexcept;

    NativeHandle handle_ = kNoHandle;
};

}  // namespace zemrik::platform
