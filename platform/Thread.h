#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "platform/NativeHandle.h"

#ifndef _WIN32
#include <pthread.h>
#endif

namespace zemrik::platform {

// Owns one started thread. Move-only. Dropping the owner lets the thread run
// on by itself (the dialog never waits for its worker); join() waits for it.
class Thread {
public:
    using Entry = void (*)(void* argument) noexcept;

    // Starts `entry(argument)` on a new thread. Nothing is started on failure.
    static std::optional<Thread> start(Entry entry, void* argument);

    // Starts a move-only callable; it is destroyed on the new thread after it
    // ran, or right here when the thread cannot be started.
    template <class Function>
    static std::optional<Thread> start(Function&& function) {
        auto owned = std::make_unique<std::decay_t<Function>>(std::forward<Function>(function));
        auto thread = start(&runOwned<std::decay_t<Function>>, owned.get());
        if (thread) owned.release();
        return thread;
    }

    Thread() = default;
    Thread(Thread&& other) noexcept;
    Thread& operator=(Thread&& other) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    ~Thread();

    bool joinable() const;
    void join();

private:
    template <class Function>
    static void runOwned(void* argument) noexcept {
        std::unique_ptr<Function> function(static_cast<Function*>(argument));
        (*function)();
    }
    void release() noexcept;

#ifdef _WIN32
    NativeHandle handle_ = nullptr;
#else
    pthread_t handle_{};
    bool started_ = false;
#endif
};

}  // namespace zemrik::platform
