#include "platform/ReplacementFile.h"

#include <windows.h>

#include <atomic>

#include "platform/FaultPoint.h"

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

}  // namespace

void ReplacementNameTraits::release(const Handle& path) noexcept { DeleteFileA(path.c_str()); }

SystemResult<ReplacementFile> ReplacementFile::createBeside(const std::string& destination) {
    if (const auto fault = injectedFault(Acquisition::CreateReplacement)) return failedWith<ReplacementFile>(*fault);
    // Refused before a whole table is written for nothing; a device can't be
    // renamed over at all.
    const DWORD attributes = GetFileAttributesA(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return failedWith<ReplacementFile>(SystemError::fromCode(ERROR_ACCESS_DENIED));  // as opening it would say
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string path = replacementName(destination, uniqueNumber());
        // Shared with nobody until it is renamed into place.
        HANDLE handle =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return lastFailure<ReplacementFile>();
        }
        Owner<ReplacementNameTraits> name(std::move(path));
        File file{HandleOwner(handle)};
        return ReplacementFile(std::move(name), std::move(file), destination);
    }
    return failedWith<ReplacementFile>(SystemError::fromCode(ERROR_FILE_EXISTS));
}

SystemResult<void> ReplacementFile::commit() {
    if (!FlushFileBuffers(file_.native())) return lastFailure<void>();
    // Windows renames no file that is open.
    file_.close();
    if (!MoveFileExA(path().c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return lastFailure<void>();
    }
    static_cast<void>(name_.relinquish());  // the name is the destination's now
    return {};
}

}  // namespace zemrik::platform
