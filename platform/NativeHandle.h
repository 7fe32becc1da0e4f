#pragma once

namespace zemrik::platform {

#ifdef _WIN32
using NativeHandle = void*;  // a Win32 HANDLE, without pulling <windows.h> into every header
#else
using NativeHandle = int;  // a POSIX file descriptor
#endif

}  // namespace zemrik::platform
