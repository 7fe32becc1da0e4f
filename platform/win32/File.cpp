#include "platform/File.h"

#include <windows.h>

#include <algorithm>
#include <limits>

#include "platform/FaultInjection.h"

namespace zemrik::platform {
namespace {

constexpr std::uint64_t largestFileOffset = static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max());
// ReadFile counts in DWORDs; larger requests are read in pieces.
constexpr std::size_t largestReadPiece = 0x40000000;

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
        const auto piece = static_cast<DWORD>(std::min(length - total, largestReadPiece));
        DWORD got = 0;
        if (!ReadFile(handle_, cursor + total, piece, &got, nullptr)) return std::nullopt;
        if (got == 0) break;  // end of file
        total += got;
    }
    return total;
}

bool File::truncate(std::uint64_t length) { return isOpen() && moveTo(handle_, length) && SetEndOfFile(handle_) != 0; }

}  // namespace zemrik::platform
