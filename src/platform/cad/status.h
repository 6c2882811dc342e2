#pragma once
// Status codes of the drawing database. Success is 5100, as the hosts the plug-ins were
// written for report it, so that host code can pass the value through unchanged.

#include <string_view>
#include <utility>

#include "platform/cad/result.h"

namespace cad {

enum class Status : int {
  Ok = 5100,
  InvalidInput = 5001,
  NullObjectId,
  KeyNotFound,      // no object or table entry of that id / name
  DuplicateKey,     // a table entry or handle of that name / value exists already
  WrongObjectType,  // the object is not of the type asked for
  WasErased,        // the object is erased (open it with Erased::Include)
  OnLockedLayer,    // entity on a locked layer cannot be opened for write
  WasOpenForWrite,  // the object is already open for write
  NotSupported,     // the change cannot be expressed for this object (opaque entities)
  FileError,        // a file could not be read or written
  CycleDetected,    // a block would contain itself
};

constexpr bool ok(Status s) { return s == Status::Ok; }

std::string_view toString(Status s);

}  // namespace cad

namespace cad {

template <class T>
using Result = BasicResult<T, Status, Status::Ok, Status::InvalidInput>;

}  // namespace cad
