#include "platform/StandardStream.h"

#include <windows.h>
#include <io.h>

#include <string>

namespace zemrik::platform {

void writeText(std::FILE* stream, std::string_view text) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode) || text.empty()) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    // What the stream still holds goes first, so that lines keep their order.
    std::fflush(stream);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace zemrik::platform
