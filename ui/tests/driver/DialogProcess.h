#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace zemrik::dialogtest {

// Owns one kernel handle. Move-only; closes it on destruction.
class HandleOwner {
public:
    HandleOwner() = default;
    explicit HandleOwner(HANDLE handle) noexcept : handle_(handle) {}
    HandleOwner(HandleOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    HandleOwner& operator=(HandleOwner&& other) noexcept {
        if (this != &other) {
            release();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;
    ~HandleOwner() { release(); }

    HANDLE get() const { return handle_; }

private:
    void release() noexcept {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

    HANDLE handle_ = nullptr;
};

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
    HandleOwner process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND dialog_ = nullptr;
};

// The program's path: ZEMRIK_EXE if set, else app\zemrik.exe of the build tree
// the driver belongs to.
std::string programPath();

}  // namespace zemrik::dialogtest
