#pragma once

// A value or an error code, for the core's routines over bytes (std::expected arrives
// only with C++23).

#include <cassert>
#include <type_traits>
#include <utility>
#include <variant>

namespace dotcaster {

template <class T, class E>
class Expected {
 public:
  Expected(T value) : data_(std::in_place_index<0>, std::move(value)) {}  // NOLINT
  Expected(E error) : data_(std::in_place_index<1>, std::move(error)) {}  // NOLINT
  // Whatever makes an error (an error code) makes a failed result.
  template <class U>
  requires(std::is_convertible_v<U, E> && !std::is_convertible_v<U, T> &&
           !std::is_same_v<std::remove_cvref_t<U>, E>) Expected(U&& error)
      : data_(std::in_place_index<1>, E(std::forward<U>(error))) {}  // NOLINT

  bool has_value() const { return data_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & {
    assert(has_value());
    return std::get<0>(data_);
  }
  const T& value() const& {
    assert(has_value());
    return std::get<0>(data_);
  }
  T&& value() && {
    assert(has_value());
    return std::get<0>(std::move(data_));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  E error() const {
    assert(!has_value());
    return std::get<1>(data_);
  }

 private:
  std::variant<T, E> data_;
};

}  // namespace dotcaster
