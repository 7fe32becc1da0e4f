#include "platform/ReplacementFile.h"

#include <windows.h>

#include <atomic>

#include "platform/FaultPoint.h"
#include "platform/win32/WidePath.h"

namespace zemrik::platform {
namespace {

// Tries enough names that only a directory full of our own leftovers fails.
constexpr int kNameAttempts = 64;

std::uint64_t uniqueNumber() {
    static std::atomic<std::uint64_t> counter{0};
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return static_cast<std::uint64_t>(ticks.QuadPart) ^ (std::uint64_t{GetCurrentProcessId()} << 40) ^
           (++counter * 0x9E3779B97F4A7C15u);
}

// The file a symbolic link at `destination` leads to, whose place the
// replacement takes so that the link stays (MoveFileEx over the link would
// replace the link itself); a link to no file is refused. Any other name is
// itself.
SystemResult<std::string> fileLinkedFrom(const std::string& destination, DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return destination;
    HANDLE handle =
        CreateFileW(widePath(destination).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return failedWith<std::string>(SystemError::ours(SystemError::Ours::DanglingLink));
        }
        return failedWith<std::string>(SystemError::fromCode(error));
    }
    const HandleOwner owner(handle);
    std::wstring target(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, target.data(), static_cast<DWORD>(target.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return lastFailure<std::string>();
        if (length < target.size()) {
            target.resize(length);
            return narrowPath(target);
        }
        target.resize(length);
    }
}

}  // namespace

void ReplacementNameTraits::release(const Handle& path) noexcept { DeleteFileW(widePath(path).c_str()); }

SystemResult<ReplacementFile> ReplacementFile::createBeside(const std::string& name) {
    if (const auto fault = injectedFault(Acquisition::CreateReplacement)) return failedWith<ReplacementFile>(*fault);
    const auto linked = fileLinkedFrom(name, GetFileAttributesW(widePath(name).c_str()));
    if (!linked) return failedWith<ReplacementFile>(linked.error());
    const std::string& destination = *linked;
    // Refused before a whole table is written for nothing; a device can't be
    // renamed over at all.
    const DWORD attributes = GetFileAttributesW(widePath(destination).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return failedWith<ReplacementFile>(SystemError::fromCode(ERROR_ACCESS_DENIED));  // as opening it would say
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string path = replacementName(destination, uniqueNumber());
        // Shared with nobody until it is renamed into place.
        HANDLE handle =
            CreateFileW(widePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return lastFailure<ReplacementFile>();
        }
        Owner<ReplacementNameTraits> ownedPath(std::move(path));
        File file{HandleOwner(handle)};
        return ReplacementFile(std::move(ownedPath), std::move(file), destination);
    }
    return failedWith<ReplacementFile>(SystemError::fromCode(ERROR_FILE_EXISTS));
}

SystemResult<void> ReplacementFile::commit() {
    if (!FlushFileBuffers(file_.native())) return lastFailure<void>();
    // Windows renames no file that is open.
    file_.close();
    if (!MoveFileExW(widePath(path()).c_str(), widePath(destination_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return lastFailure<void>();
    }
    static_cast<void>(name_.relinquish());  // the name is the destination's now
    return {};
}

}  // namespace zemrik::platform
