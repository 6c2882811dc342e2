#pragma once
// The listener of a database's changes.

#include "platform/cad/object.h"

namespace cad {

class Database;

// Told of every change of a database, by id, as it happens (on the thread that changes
// it). The view, the undo history and anything else that mirrors the drawing listen.
class DatabaseReactor {
 public:
  virtual ~DatabaseReactor() = default;
  // An object, entity or table entry was added (also when undo or redo puts it back).
  virtual void objectAppended(const Database&, ObjectId) {}
  // An object was opened for write; `current` is its state before any change, so that a
  // listener can keep a copy to take the change back.
  virtual void objectOpenedForModify(const Database&, const Object& /*current*/) {}
  // An object open for write was closed with a new revision, or was restored.
  virtual void objectModified(const Database&, ObjectId) {}
  // Erased or un-erased.
  virtual void objectErased(const Database&, ObjectId, bool /*erased*/) {}
  // Taken out of the database by undo (detachObject).
  virtual void objectRemoved(const Database&, ObjectId) {}
};

}  // namespace cad
