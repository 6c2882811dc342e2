#include "platform/cad/status.h"

namespace cad {

std::string_view toString(Status s) {
  switch (s) {
    case Status::Ok:
      return "ok";
    case Status::InvalidInput:
      return "invalid input";
    case Status::NullObjectId:
      return "null object id";
    case Status::KeyNotFound:
      return "not found";
    case Status::DuplicateKey:
      return "duplicate key";
    case Status::WrongObjectType:
      return "wrong object type";
    case Status::WasErased:
      return "object was erased";
    case Status::OnLockedLayer:
      return "entity is on a locked layer";
    case Status::WasOpenForWrite:
      return "object is open for write";
    case Status::NotSupported:
      return "not supported for this object";
    case Status::FileError:
      return "file error";
    case Status::CycleDetected:
      return "block would contain itself";
  }
  return "unknown status";
}

}  // namespace cad
