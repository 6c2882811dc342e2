#pragma once
// A value or the status that explains why there is none (C++20 has no std::expected). One
// shape for every status vocabulary of the platform: the database's (cad::Result) and the
// host interface's (host::Result) differ only in their codes.

#include <utility>

namespace cad {

template <class T, class S, S OkStatus, S FailedStatus>
class BasicResult {
 public:
  BasicResult() : status_(FailedStatus) {}
  BasicResult(T value) : value_(std::move(value)), status_(OkStatus) {}  // NOLINT: implicit
  BasicResult(S status) : status_(status) {}                             // NOLINT: implicit

  bool ok() const { return status_ == OkStatus; }
  explicit operator bool() const { return ok(); }
  S status() const { return status_; }
  // Meaningful only when ok().
  T& value() { return value_; }
  const T& value() const { return value_; }
  T* operator->() { return &value_; }
  const T* operator->() const { return &value_; }
  T& operator*() { return value_; }
  const T& operator*() const { return value_; }

 private:
  T value_{};
  S status_;
};

}  // namespace cad
