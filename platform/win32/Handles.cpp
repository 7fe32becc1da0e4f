// How each kind of handle goes back to the system; the owners do the rest.
#include <windows.h>

#include "platform/FileMapping.h"
#include "platform/NativeHandle.h"
#include "platform/ZeroedMemory.h"

namespace zemrik::platform {

// Files, mappings and threads alike; closing a thread's handle lets it run on.
void NativeHandleTraits::release(Handle handle) noexcept { CloseHandle(handle); }

void unmapView(MemoryRegion view) noexcept { UnmapViewOfFile(view.data); }

void freePages(MemoryRegion memory) noexcept { VirtualFree(memory.data, 0, MEM_RELEASE); }

}  // namespace zemrik::platform
