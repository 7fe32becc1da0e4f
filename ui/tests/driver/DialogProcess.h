// DialogProcess: a real zemrik.exe started for a test, found by its caption
// and ended when the test ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/NativeHandle.h"

namespace zemrik::dialogtest {

// The real zemrik.exe, started in a working directory of the test's choice,
// with its dialog found. Ending the owner ends the program.
class DialogProcess {
public:
    explicit DialogProcess(const std::string& workingDirectory);
    DialogProcess(const DialogProcess&) = delete;
    DialogProcess& operator=(const DialogProcess&) = delete;
    ~DialogProcess();

    HWND dialog() const { return dialog_; }
    DWORD threadId() const { return threadId_; }
    // Waits for the program to end; its exit code, or nothing in time.
    std::optional<DWORD> waitForExit(DWORD timeoutMs);

private:
    platform::HandleOwner process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND dialog_ = nullptr;
};

// The program's path: ZEMRIK_EXE if set, else app\zemrik.exe of the build tree
// the driver belongs to.
std::string programPath();

}  // namespace zemrik::dialogtest
