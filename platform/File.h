// File: an open file owned by one object, with the reads, writes and queries
// the run and zemrik-cli make, each failure returned with the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/NativeHandle.h"
#include "platform/SystemError.h"

namespace zemrik::platform {

// Which file a name or an open handle leads to: the same for every name of
// one file (another spelling of its path, a hard link, a symbolic link to it).
struct FileIdentity {
    std::uint64_t volume;  // st_dev; the volume's serial number on Windows
    std::uint64_t index;   // st_ino; the file index on Windows
    bool operator==(const FileIdentity&) const = default;
};

// Owns one open file. Move-only; closes on destruction.
class File {
public:
    // Opens an existing regular file for reading; other processes may read it meanwhile.
    [[nodiscard]] static SystemResult<File> openForReading(const std::string& path);
    // Creates the file anew for reading and writing (an existing one is replaced);
    // others may read it meanwhile.
    [[nodiscard]] static SystemResult<File> createReadWrite(const std::string& path);
    // A file for reading and writing with no name anyone else can open, gone
    // once closed: held in memory where the system can (a memfd on Linux), a
    // delete-on-close temporary file on Windows.
    [[nodiscard]] static SystemResult<File> createAnonymous();
    // A handle of its own on the process's standard input, which stays open
    // when this one is closed.
    [[nodiscard]] static SystemResult<File> duplicateStandardInput();
    // The same on standard output.
    [[nodiscard]] static SystemResult<File> duplicateStandardOutput();
    // The identity of the file `path` leads to, symbolic links followed.
    [[nodiscard]] static SystemResult<FileIdentity> identityAt(const std::string& path);
    // The absolute path of the file `path` leads to, for a compiler that
    // would resolve a relative one against another folder.
    [[nodiscard]] static SystemResult<std::string> absolutePathOf(const std::string& path);

    File() = default;
    // Takes over a file opened by other means.
    explicit File(HandleOwner handle) : handle_(std::move(handle)) {}

    bool isOpen() const { return handle_.isValid(); }
    void close() { handle_.reset(); }

    // The size as the program's 32-bit world sees it: a file of 4 GiB or more
    // reports 0xFFFFFFFF, so every offset below that stays reachable and no
    // check against the size can let a read run past the real end.
    [[nodiscard]] SystemResult<std::uint32_t> size32() const;

    // Positions the next read or write at an absolute offset.
    [[nodiscard]] SystemResult<void> seek(std::uint64_t offset);
    // Reads up to `length` bytes at the current position. Returns the number
    // read (fewer at the end of the file).
    [[nodiscard]] SystemResult<std::size_t> read(void* destination, std::size_t length);
    // Writes all `length` bytes at the current position.
    [[nodiscard]] SystemResult<void> write(const void* source, std::size_t length);
    // Reads up to `length` bytes at `offset`, whatever the position read()
    // goes on from, so that several threads may read one file at once; that
    // position is unspecified afterwards (Windows moves it, POSIX does not).
    // Returns the number read (fewer at the end of the file).
    [[nodiscard]] SystemResult<std::size_t> readAt(std::uint64_t offset, void* destination, std::size_t length);
    // Sets the end of the file at `length` bytes, cutting or extending it.
    [[nodiscard]] SystemResult<void> truncate(std::uint64_t length);
    // Has the system put everything written so far on the disk.
    [[nodiscard]] SystemResult<void> flushToDisk();

    // Where writes through this handle land in a regular file: the position
    // (the end, for a file opened to append) and the file's length then.
    struct WritePlace {
        std::uint64_t offset;
        std::uint64_t length;
    };
    // Nothing for a pipe, a terminal or a device, where what is written is
    // passed on at once.
    [[nodiscard]] SystemResult<std::optional<WritePlace>> writePlace() const;

    [[nodiscard]] SystemResult<FileIdentity> identity() const;

    NativeHandle native() const { return handle_.get(); }

private:
    HandleOwner handle_;
};

}  // namespace zemrik::platform
