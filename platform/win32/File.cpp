#include "platform/File.h"

#include <windows.h>

#include <algorithm>
#include <limits>

#include "platform/FaultInjection.h"

namespace zemrik::platform {
namespace {

constexpr std::uint64_t largestFileOffset = static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max());
// ReadFile and WriteFile count in DWORDs; larger requests go in pieces.
constexpr std::size_t largestPiece = 0x40000000;

bool moveTo(HANDLE handle, std::uint64_t offset) {
    if (offset > largestFileOffset) return false;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, distance, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

std::optional<File> File::openForReading(const std::string& path) {
    if (takeFault(Acquisition::OpenFile)) return std::nullopt;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    return File(handle);
}

std::optional<File> File::createReadWrite(const std::string& path) {
    if (takeFault(Acquisition::CreateReadWriteFile)) return std::nullopt;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    return File(handle);
}

std::optional<File> File::createAnonymous() {
    char directory[MAX_PATH + 1];
    char path[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length > MAX_PATH || GetTempFileNameA(directory, "zmk", 0, path) == 0) return std::nullopt;
    // Deleted when the last handle closes, whatever ends the program; kept in
    // memory by the cache as long as there is room.
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DeleteFileA(path);
        return std::nullopt;
    }
    return File(handle);
}

std::optional<File> File::duplicateStandardInput() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE process = GetCurrentProcess();
    HANDLE copy = nullptr;
    if (input == nullptr || input == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(process, input, process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return std::nullopt;
    }
    return File(copy);
}

void File::release() noexcept {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = nullptr;
}

std::optional<std::uint32_t> File::size32() const {
    LARGE_INTEGER size;
    if (!isOpen() || !GetFileSizeEx(handle_, &size) || size.QuadPart < 0) return std::nullopt;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart), 0xFFFFFFFFu));
}

bool File::seek(std::uint64_t offset) { return isOpen() && moveTo(handle_, offset); }

std::optional<std::size_t> File::read(void* destination, std::size_t length) {
    if (!isOpen()) return std::nullopt;
    auto* cursor = static_cast<unsigned char*>(destination);
    std::size_t total = 0;
    while (total < length) {
        const auto piece = static_cast<DWORD>(std::min(length - total, largestPiece));
        DWORD got = 0;
        if (!ReadFile(handle_, cursor + total, piece, &got, nullptr)) return std::nullopt;
        if (got == 0) break;  // end of file
        total += got;
    }
    return total;
}

bool File::write(const void* source, std::size_t length) {
    if (!isOpen()) return false;
    const auto* cursor = static_cast<const unsigned char*>(source);
    std::size_t total = 0;
    while (total < length) {
        const auto piece = static_cast<DWORD>(std::min(length - total, largestPiece));
        DWORD put = 0;
        if (!WriteFile(handle_, cursor + total, piece, &put, nullptr) || put == 0) return false;
        total += put;
    }
    return true;
}

bool File::truncate(std::uint64_t length) { return isOpen() && moveTo(handle_, length) && SetEndOfFile(handle_) != 0; }

}  // namespace zemrik::platform
