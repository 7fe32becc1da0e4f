#include "platform/SystemError.h"

#include <windows.h>

#include <cstdio>

namespace zemrik::platform {

SystemError SystemError::last() { return fromCode(GetLastError()); }

bool SystemError::meansNoSuchFile() const {
    return reason_ == Ours::None && (code_ == ERROR_FILE_NOT_FOUND || code_ == ERROR_PATH_NOT_FOUND);
}

// FormatMessage's text, which ends in a line break.
std::string SystemError::systemText() const {
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code_, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' ')) --length;
    if (length == 0) {
        std::snprintf(text, sizeof text, "Error %lu", static_cast<unsigned long>(code_));
        return text;
    }
    return std::string(text, length);
}

}  // namespace zemrik::platform
