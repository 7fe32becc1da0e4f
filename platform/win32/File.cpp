#include "platform/File.h"

#include <windows.h>

#include <algorithm>
#include <limits>

#include "platform/FaultPoint.h"
#include "platform/win32/WidePath.h"

namespace zemrik::platform {
namespace {

constexpr std::uint64_t kLargestFileOffset = static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max());
// ReadFile and WriteFile count in DWORDs; larger requests go in pieces.
constexpr std::size_t kLargestPiece = 0x40000000;

SystemResult<File> createFile(const std::string& path, DWORD access, DWORD disposition, DWORD flags = 0) {
    constexpr DWORD kShare = FILE_SHARE_READ;
    const DWORD attributes = FILE_ATTRIBUTE_NORMAL | flags;
    HANDLE handle =
        pathsInAnsiCodePage()
            ? CreateFileA(path.c_str(), access, kShare, nullptr, disposition, attributes, nullptr)
            : CreateFileW(widePath(path).c_str(), access, kShare, nullptr, disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastFailure<File>();
    return File(HandleOwner(handle));
}

SystemResult<void> moveTo(HANDLE handle, std::uint64_t offset) {
    if (offset > kLargestFileOffset) return failedWith<void>(SystemError::fromCode(ERROR_NEGATIVE_SEEK));
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle, distance, nullptr, FILE_BEGIN)) return lastFailure<void>();
    return {};
}

SystemResult<void> setEndAt(HANDLE handle, std::uint64_t length) {
    if (const auto moved = moveTo(handle, length); !moved) return moved;
    if (!SetEndOfFile(handle)) return lastFailure<void>();
    return {};
}

SystemResult<void> refuseReparsePoint(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return lastFailure<void>();
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return failedWith<void>(SystemError::ours(SystemError::Ours::SymbolicLink));
    }
    return {};
}

// Reads until `length` bytes are in or the file ends: `readPiece(into,
// wanted, done, got)` calls ReadFile once; a failure with `endError` is the end.
template <class ReadPiece>
SystemResult<std::size_t> readToEnd(void* destination, std::size_t length, DWORD endError, const ReadPiece& readPiece) {
    auto* cursor = static_cast<unsigned char*>(destination);
    std::size_t total = 0;
    while (total < length) {
        const auto piece = static_cast<DWORD>(std::min(length - total, kLargestPiece));
        DWORD got = 0;
        if (!readPiece(cursor + total, piece, total, got)) {
            if (GetLastError() == endError) break;
            return lastFailure<std::size_t>();
        }
        if (got == 0) break;  // end of file
        total += got;
    }
    return total;
}

}  // namespace

SystemResult<File> File::openForReading(const std::string& path) {
    if (const auto fault = injectedFault(Acquisition::OpenFile)) return failedWith<File>(*fault);
    return createFile(path, GENERIC_READ, OPEN_EXISTING);
}

SystemResult<File> File::createReadWrite(const std::string& path) {
    if (const auto fault = injectedFault(Acquisition::CreateReadWriteFile)) return failedWith<File>(*fault);
    // The name itself, never what a reparse point (a symbolic link) names:
    // CREATE_ALWAYS would write through a link into another file. Emptied
    // only once it is known to be no link.
    auto file = createFile(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT);
    if (!file) return file;
    if (auto ready = refuseReparsePoint(file->native()); !ready) return failedWith<File>(ready.error());
    if (auto emptied = setEndAt(file->native(), 0); !emptied) return failedWith<File>(emptied.error());
    return file;
}

SystemResult<File> File::createAnonymous() {
    // Wide, so that a temporary directory under any user's name is reached.
    wchar_t directory[MAX_PATH + 1];
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, directory);
    if (length == 0 || GetTempFileNameW(directory, L"zmk", 0, path) == 0) return lastFailure<File>();
    if (length > MAX_PATH) return failedWith<File>(SystemError::fromCode(ERROR_FILENAME_EXCED_RANGE));
    // Deleted when the last handle closes, whatever ends the program; kept in
    // memory by the cache as long as there is room.
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const SystemError error = SystemError::last();
        DeleteFileW(path);
        return failedWith<File>(error);
    }
    return File(HandleOwner(handle));
}

namespace {

SystemResult<File> duplicateStandardHandle(DWORD which) {
    HANDLE standard = GetStdHandle(which);
    if (standard == nullptr) return failedWith<File>(SystemError::fromCode(ERROR_INVALID_HANDLE));
    if (standard == INVALID_HANDLE_VALUE) return lastFailure<File>();
    HANDLE process = GetCurrentProcess();
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, standard, process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return lastFailure<File>();
    }
    return File(HandleOwner(copy));
}

}  // namespace

SystemResult<File> File::duplicateStandardInput() { return duplicateStandardHandle(STD_INPUT_HANDLE); }

SystemResult<File> File::duplicateStandardOutput() { return duplicateStandardHandle(STD_OUTPUT_HANDLE); }

// A closed file has no handle; the calls below then fail with ERROR_INVALID_HANDLE.
SystemResult<std::uint32_t> File::size32() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(native(), &size)) return lastFailure<std::uint32_t>();
    const auto bytes = static_cast<std::uint64_t>(std::max<LONGLONG>(size.QuadPart, 0));
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFu));
}

SystemResult<void> File::seek(std::uint64_t offset) { return moveTo(native(), offset); }

SystemResult<std::size_t> File::read(void* destination, std::size_t length) {
    // A pipe whose writer has closed its end reads as a failure; it is the
    // end of what the writer gave.
    return readToEnd(destination, length, ERROR_BROKEN_PIPE,
                     [&](unsigned char* into, DWORD wanted, std::size_t, DWORD& got) {
                         return ReadFile(native(), into, wanted, &got, nullptr);
                     });
}

SystemResult<std::size_t> File::readAt(std::uint64_t offset, void* destination, std::size_t length) {
    return readToEnd(destination, length, ERROR_HANDLE_EOF,
                     [&](unsigned char* into, DWORD wanted, std::size_t done, DWORD& got) {
                         const std::uint64_t at = offset + done;
                         if (at > kLargestFileOffset) {
                             SetLastError(ERROR_NEGATIVE_SEEK);
                             return FALSE;
                         }
                         // The offset rides in the OVERLAPPED, so readers on other
                         // threads do not move each other's position.
                         OVERLAPPED position{};
                         position.Offset = static_cast<DWORD>(at);
                         position.OffsetHigh = static_cast<DWORD>(at >> 32);
                         return ReadFile(native(), into, wanted, &got, &position);
                     });
}

SystemResult<void> File::write(const void* source, std::size_t length) {
    const auto* cursor = static_cast<const unsigned char*>(source);
    std::size_t total = 0;
    while (total < length) {
        const auto piece = static_cast<DWORD>(std::min(length - total, kLargestPiece));
        DWORD put = 0;
        if (!WriteFile(native(), cursor + total, piece, &put, nullptr)) return lastFailure<void>();
        if (put == 0) return failedWith<void>(SystemError::fromCode(ERROR_WRITE_FAULT));
        total += put;
    }
    return {};
}

SystemResult<void> File::truncate(std::uint64_t length) {
    if (const auto fault = injectedFault(Acquisition::TruncateFile)) return failedWith<void>(*fault);
    return setEndAt(native(), length);
}

SystemResult<void> File::flushToDisk() {
    if (!FlushFileBuffers(native())) return lastFailure<void>();
    return {};
}

namespace {

SystemResult<FileIdentity> identityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return lastFailure<FileIdentity>();
    return FileIdentity{information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

}  // namespace

SystemResult<FileIdentity> File::identityAt(const std::string& path) {
    // No access asked for, and every sharing allowed: this open conflicts
    // with none, not even a writer's that shares nothing.
    HANDLE handle = CreateFileW(widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastFailure<FileIdentity>();
    const HandleOwner owner(handle);
    return identityOf(handle);
}

SystemResult<std::string> File::absolutePathOf(const std::string& path) {
    const std::wstring wide = widePath(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return lastFailure<std::string>();
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return lastFailure<std::string>();
    full.resize(written);
    return narrowPath(full);
}

SystemResult<FileIdentity> File::identity() const { return identityOf(native()); }

SystemResult<std::optional<File::WritePlace>> File::writePlace() const {
    using Result = SystemResult<std::optional<WritePlace>>;
    SetLastError(NO_ERROR);
    if (GetFileType(native()) != FILE_TYPE_DISK) {
        if (GetLastError() != NO_ERROR) return lastFailure<std::optional<WritePlace>>();
        return Result(std::nullopt);
    }
    LARGE_INTEGER size;
    LARGE_INTEGER position;
    LARGE_INTEGER none{};
    if (!GetFileSizeEx(native(), &size) || !SetFilePointerEx(native(), none, &position, FILE_CURRENT)) {
        return lastFailure<std::optional<WritePlace>>();
    }
    return Result(WritePlace{static_cast<std::uint64_t>(std::max<LONGLONG>(position.QuadPart, 0)),
                             static_cast<std::uint64_t>(std::max<LONGLONG>(size.QuadPart, 0))});
}

}  // namespace zemrik::platform
