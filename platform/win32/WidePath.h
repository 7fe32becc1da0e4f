// Paths for the W file functions, read in the process's PathEncoding.
// Included by the Windows sources of the platform only.
#pragma once

#include <string>

namespace zemrik::platform {

// True while paths are in the ANSI code page, where the A functions take
// them as they are (the dialog's files are opened with CreateFileA).
bool pathsInAnsiCodePage();
std::wstring widePath(const std::string& path);
// A path the system gave back (a link's target), in the process's encoding.
std::string narrowPath(const std::wstring& path);

}  // namespace zemrik::platform
