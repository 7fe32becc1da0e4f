#pragma once

#include <utility>
#include <variant>

namespace zemrik {

// A value or the reason there is none; errors travel as values, never as
// exceptions across a dialog procedure or a thread entry.
template <class T, class E>
class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    static Expected failure(E error) { return Expected(std::in_place_index<1>, std::move(error)); }

    bool hasValue() const { return state_.index() == 0; }
    explicit operator bool() const { return hasValue(); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    const E& error() const { return std::get<1>(state_); }

private:
    template <class... Args>
    Expected(std::in_place_index_t<1> tag, Args&&... args) : state_(tag, std::forward<Args>(args)...) {}

    std::variant<T, E> state_;
};

}  // namespace zemrik
