// Fault injection for the tests: make the next acquisition of a kind fail,
// and count the handles still open.
#pragma once

#include "platform/SystemError.h"

namespace zemrik::platform {

// Lets tests make one acquisition of a kind fail, to prove that every failure
// path reports exactly and releases everything. Each armed fault fires once.
// Only test builds have these: programs link the platform layer without them.
// A new kind is one line here and one `injectedFault` check where it is acquired.
enum class Acquisition {
    // Not "CreateFile": <windows.h> defines that name as a macro.
    CreateReadWriteFile,  // File::createReadWrite
    OpenFile,             // File::openForReading
    CreateMapping,        // FileMapping::create
    MapView,              // MappedView::map
    AllocateMemory,       // ZeroedMemory::allocate
    StartThread,          // Thread::start
    CreateReplacement,    // ReplacementFile::createBeside
    TruncateFile,         // File::truncate
};

void armFault(Acquisition acquisition);
void clearFaults();
// The error an armed fault fails with: a genuine code of the system's (an I/O error).
SystemError injectedFaultError();

// Open handles (Win32) or file descriptors (POSIX) of this process, for the
// tests that prove nothing leaks.
long countOpenHandles();

}  // namespace zemrik::platform
