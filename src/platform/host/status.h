#pragma once
// Status codes of the host interface.
//
// Input requests answer with the first six codes, which mirror the user's possible
// reactions (picked, pressed Enter, pressed Escape, ...). The remaining codes describe
// why a host service refused a request. Success is always Normal (5100).

#include <string_view>
#include <utility>

#include "platform/cad/result.h"

namespace host {

enum class Status : int {
  Normal = 5100,     // done; for input: the user gave what was asked
  None = 5000,       // the user gave nothing (Enter, or nothing under the cursor)
  Error = -5001,     // the request failed
  Cancel = -5002,    // the user cancelled (Escape)
  Keyword = -5005,   // the user typed one of the keywords the request was given
  Rejected = -5003,  // the request is not allowed in the current state
  InvalidInput = -6001,
  NotFound = -6002,
  AlreadyExists = -6003,
  Locked = -6004,
  FileError = -6005,
  NotSupported = -6006,
  Refused = -6007,
  AutomationError = -6008,  // a menu or automation member failed
};

constexpr bool ok(Status s) { return s == Status::Normal; }

constexpr std::string_view statusName(Status s) {
  switch (s) {
    case Status::Normal:
      return "normal";
    case Status::None:
      return "none";
    case Status::Error:
      return "error";
    case Status::Cancel:
      return "cancel";
    case Status::Keyword:
      return "keyword";
    case Status::Rejected:
      return "rejected";
    case Status::InvalidInput:
      return "invalid input";
    case Status::NotFound:
      return "not found";
    case Status::AlreadyExists:
      return "already exists";
    case Status::Locked:
      return "locked";
    case Status::FileError:
      return "file error";
    case Status::NotSupported:
      return "not supported";
    case Status::Refused:
      return "refused";
    case Status::AutomationError:
      return "automation error";
  }
  return "unknown";
}

// A value together with the status of the call that produced it, in the database's shape:
// ok(), status(), value().
template <class T>
using Result = cad::BasicResult<T, Status, Status::Normal, Status::Error>;

}  // namespace host
