// How the bytes of a path handed to the platform are read on Windows, whose
// file functions take UTF-16: the dialog's names come from its ANSI controls,
// zemrik-cli's from a UTF-16 command line kept in UTF-8. POSIX paths are
// bytes, passed on as they are.
#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace zemrik::platform {

enum class PathEncoding {
    AnsiCodePage,  // the default: files opened with the A functions, as the dialog's are
    Utf8,
};

// Set once, before any file is opened.
void setPathEncoding(PathEncoding encoding);

// UTF-16 from the system (a command-line argument) as UTF-8.
std::string utf8FromWide(std::wstring_view text);

}  // namespace zemrik::platform

#endif
