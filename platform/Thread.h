// Thread: a worker thread started on a function, owned until it is joined
// or let run on by itself.
#pragma once

#include <memory>
#include <utility>

#include "platform/NativeHandle.h"
#include "platform/SystemError.h"

#ifndef _WIN32
#include <pthread.h>

#include <optional>
#endif

namespace zemrik::platform {

#ifdef _WIN32
using ThreadTraits = NativeHandleTraits;  // closing the handle lets the thread run on
#else
// A started thread; releasing it detaches it, so it runs on by itself.
struct ThreadTraits {
    using Handle = std::optional<pthread_t>;
    static constexpr Handle invalid{};
    static void release(Handle thread) noexcept;
};
#endif

// Owns one started thread. Move-only. Dropping the owner lets the thread run
// on by itself (the dialog never waits for its worker); join() waits for it.
class Thread {
public:
    using Entry = void (*)(void* argument) noexcept;

    // Starts `entry(argument)` on a new thread. Nothing is started on failure.
    [[nodiscard]] static SystemResult<Thread> start(Entry entry, void* argument);

    // Starts a move-only callable; it is destroyed on the new thread after it
    // ran, or right here when the thread cannot be started.
    template <class Function>
    [[nodiscard]] static SystemResult<Thread> start(Function&& function) {
        auto owned = std::make_unique<std::decay_t<Function>>(std::forward<Function>(function));
        auto thread = start(&runOwned<std::decay_t<Function>>, owned.get());
        if (thread) owned.release();
        return thread;
    }

    Thread() = default;

    bool joinable() const { return handle_.isValid(); }
    void join();

private:
    explicit Thread(ThreadTraits::Handle handle) : handle_(handle) {}

    template <class Function>
    static void runOwned(void* argument) noexcept {
        std::unique_ptr<Function> function(static_cast<Function*>(argument));
        (*function)();
    }

    Owner<ThreadTraits> handle_;
};

// The processors this process may run on (at least 1).
unsigned processorCount();

}  // namespace zemrik::platform
