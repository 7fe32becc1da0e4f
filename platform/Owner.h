// Owner: the one move-only owner of a system handle, parameterised by traits
// that say what the handle is and how it is released.
#pragma once

#include <utility>

namespace zemrik::platform {

// Owns one handle of the kind `Traits` describes, and releases it once:
//   using Handle = ...;                     // what the system hands out
//   static constexpr Handle invalid = ...;  // what no acquisition returns
//   static void release(Handle) noexcept;   // gives the handle back
// Move-only; a moved-from owner holds `invalid`.
template <class Traits>
class Owner {
public:
    using Handle = typename Traits::Handle;

    Owner() noexcept = default;
    explicit Owner(Handle handle) noexcept : handle_(handle) {}
    Owner(Owner&& other) noexcept : handle_(other.relinquish()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(other.relinquish());
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    ~Owner() { reset(); }

    const Handle& get() const noexcept { return handle_; }
    bool isValid() const noexcept { return !(handle_ == Traits::invalid); }
    explicit operator bool() const noexcept { return isValid(); }

    // Releases the handle held, if any, and holds `handle` instead.
    void reset(Handle handle = Traits::invalid) noexcept {
        const Handle previous = std::exchange(handle_, handle);
        if (!(previous == Traits::invalid)) Traits::release(previous);
    }

    // Hands the handle over without releasing it.
    Handle relinquish() noexcept { return std::exchange(handle_, Traits::invalid); }

private:
    Handle handle_ = Traits::invalid;
};

}  // namespace zemrik::platform
