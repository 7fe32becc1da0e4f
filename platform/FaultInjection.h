#pragma once

namespace zemrik::platform {

// Lets tests make one acquisition of a kind fail, to prove that every failure
// path reports exactly and releases everything. Each armed fault fires once.
enum class Acquisition {
    // Not "CreateFile": <windows.h> defines that name as a macro.
    CreateReadWriteFile,  // File::createReadWrite
    OpenFile,             // File::openForReading
    CreateMapping,        // FileMapping::create
    MapView,              // MappedView::map
    AllocateMemory,       // ZeroedMemory::allocate
    StartThread,          // Thread::start
};

void armFault(Acquisition acquisition);
void clearFaults();
// True (and disarms it) when a fault of this kind is armed.
bool takeFault(Acquisition acquisition);

// Open handles (Win32) or file descriptors (POSIX) of this process, for the
// tests that prove nothing leaks.
long countOpenHandles();

}  // namespace zemrik::platform
