// NativeHandle: a file descriptor or a Win32 HANDLE, owned through Owner,
// without <windows.h> in every header.
#pragma once

#include "platform/Owner.h"

namespace zemrik::platform {

// A kernel object held open: a POSIX file descriptor, or a Win32 HANDLE
// (kept as void*, without pulling <windows.h> into every header).
struct NativeHandleTraits {
#ifdef _WIN32
    using Handle = void*;
    static constexpr Handle invalid = nullptr;
#else
    using Handle = int;
    static constexpr Handle invalid = -1;
#endif
    static void release(Handle handle) noexcept;  // CloseHandle, close
};

using NativeHandle = NativeHandleTraits::Handle;
using HandleOwner = Owner<NativeHandleTraits>;

}  // namespace zemrik::platform
