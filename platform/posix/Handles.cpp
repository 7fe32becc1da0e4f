// How each kind of handle goes back to the system; the owners do the rest.
#include <sys/mman.h>
#include <unistd.h>

#include "platform/FileMapping.h"
#include "platform/NativeHandle.h"
#include "platform/Thread.h"
#include "platform/ZeroedMemory.h"

namespace zemrik::platform {

// close() is not retried on EINTR: Linux has released the descriptor already.
void NativeHandleTraits::release(Handle handle) noexcept { ::close(handle); }

void unmapView(MemoryRegion view) noexcept { ::munmap(view.data, view.size); }

void freePages(MemoryRegion memory) noexcept { ::munmap(memory.data, memory.size); }

// An owner dropped without join lets its thread finish on its own.
void ThreadTraits::release(Handle thread) noexcept { ::pthread_detach(*thread); }

}  // namespace zemrik::platform
