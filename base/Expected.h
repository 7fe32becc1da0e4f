// Expected<T>: a value or the reason there is none, the error type every
// layer returns instead of throwing.
#pragma once

#include <concepts>
#include <type_traits>
#include <utility>
#include <variant>

namespace zemrik {

// A failure's reason on its way into an Expected of whatever value type, so
// that `return failure(reason);` needs no name of the Expected it becomes.
template <class E>
struct [[nodiscard]] Unexpected {
    E error;
};

template <class E>
Unexpected<std::decay_t<E>> failure(E&& error) {
    return {std::forward<E>(error)};
}

// A value or the reason there is none; errors travel as values, never as
// exceptions across a dialog procedure or a thread entry. Dropping one
// unread is a compile error.
template <class T, class E>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    template <std::convertible_to<E> G>
    Expected(Unexpected<G> unexpected) : state_(std::in_place_index<1>, std::move(unexpected.error)) {}
    static Expected failure(E error) { return Expected(std::in_place_index<1>, std::move(error)); }

    bool hasValue() const { return state_.index() == 0; }
    explicit operator bool() const { return hasValue(); }
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const E& error() const { return std::get<1>(state_); }

    // Equal to a plain value only when it holds that value.
    friend bool operator==(const Expected& expected, const T& value) {
        return expected.hasValue() && expected.value() == value;
    }

private:
    template <class... Args>
    Expected(std::in_place_index_t<1> tag, Args&&... args) : state_(tag, std::forward<Args>(args)...) {}

    std::variant<T, E> state_;
};

// Success with nothing to hand back, or the reason of the failure.
template <class E>
class [[nodiscard]] Expected<void, E> {
public:
    Expected() = default;
    template <std::convertible_to<E> G>
    Expected(Unexpected<G> unexpected) : Expected(E(std::move(unexpected.error))) {}
    static Expected failure(E error) { return Expected(std::move(error)); }

    bool hasValue() const { return !failed_; }
    explicit operator bool() const { return hasValue(); }
    const E& error() const { return error_; }

private:
    explicit Expected(E error) : error_(std::move(error)), failed_(true) {}

    E error_{};
    bool failed_ = false;
};

}  // namespace zemrik
