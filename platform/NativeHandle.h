#pragma once

namespace zemrik::platform {

#ifdef _WIN32
using NativeHandle = void*;  // a Win32 HANDLE, without pulling <windows.h> into every header
inline constexpr NativeHandle kNoHandle = nullptr;
#else
using NativeHandle = int;  // a POSIX file descriptor
inline constexpr NativeHandle kNoHandle = -1;
#endif

}  // namespace zemrik::platform
