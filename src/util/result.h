#pragma once
// The outcome of an operation that can fail: success, or a message that the
// window can show to the user as it stands. No exception crosses a module border.

#include <optional>
#include <string>
#include <utility>

namespace corvala {

class [[nodiscard]] Result {
 public:
  static Result Success() { return Result(); }
  static Result Failure(std::string message) {
    Result result;
    result.failed_ = true;
    result.message_ = std::move(message);
    return result;
  }

  bool Ok() const { return !failed_; }
  explicit operator bool() const { return Ok(); }
  // Empty on success.
  const std::string& Message() const { return message_; }

 private:
  bool failed_ = false;
  std::string message_;
};

// A value, or the failure that kept it from being made.
template <class T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
  // Takes a failed Result; a successful one would leave no value and is kept as a failure.
  Expected(Result failure)  // NOLINT: implicit on purpose
      : failure_(failure.Ok() ? Result::Failure("no value") : std::move(failure)) {}

  bool Ok() const { return value_.has_value(); }
  explicit operator bool() const { return Ok(); }
  T& Value() { return *value_; }
  const T& Value() const { return *value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  const std::string& Message() const { return failure_.Message(); }
  Result Status() const { return Ok() ? Result::Success() : failure_; }

 private:
  std::optional<T> value_;
  Result failure_;
};

}  // namespace corvala
