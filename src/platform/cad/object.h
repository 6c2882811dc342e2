#pragma once
// The root of everything a database holds: entities, symbol table entries, block records
// and objects the database does not model.
//
// Every setter of a subclass calls touch(), which sets the modified flag (a file writer
// rewrites only modified objects) and bumps the revision (the database re-indexes an entity
// whose revision changed while it was open for write).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/cad/object_id.h"
#include "platform/cad/source_record.h"

namespace cad {

class Database;

enum class ObjectKind : std::uint8_t {
  // entities
  Line,
  LwPolyline,
  Polyline2d,
  Polyline3d,
  Arc,
  Circle,
  Ellipse,
  Spline,
  Text,
  BlockReference,
  Point,
  OpaqueEntity,
  // table entries and block records
  Layer,
  TextStyle,
  Linetype,
  BlockRecord,
  // anything else (dictionaries, other tables' entries, ...)
  OpaqueObject,
};

constexpr bool isEntityKind(ObjectKind k) { return k <= ObjectKind::OpaqueEntity; }

class Object {
 public:
  virtual ~Object() = default;
  Object& operator=(const Object&) = delete;

  virtual ObjectKind kind() const = 0;
  // A copy with the same fields, source record and modified flag, but no id, not erased.
  virtual std::unique_ptr<Object> clone() const = 0;

  ObjectId id() const { return id_; }
  ObjectId owner() const { return owner_; }
  void setOwner(ObjectId owner) {
    owner_ = owner;
    touch();
  }
  bool isErased() const { return erased_; }

  const SourcePtr& source() const { return source_; }
  void setSource(SourcePtr source) { source_ = std::move(source); }

  // Set by every change of a modelled field; a reader clears it after loading.
  bool isModified() const { return modified_; }
  void setModified(bool modified) { modified_ = modified; }
  std::uint64_t revision() const { return revision_; }
  bool isOpenForWrite() const { return openForWrite_ > 0; }

  static bool matches(ObjectKind) { return true; }

 protected:
  Object() = default;
  Object(const Object& o)
      : owner_(o.owner_), source_(o.source_), modified_(o.modified_), revision_(0) {}
  void touch() {
    modified_ = true;
    ++revision_;
  }

 private:
  friend class Database;
  friend class DeepCloner;
  ObjectId id_;
  ObjectId owner_;
  SourcePtr source_;
  bool modified_ = true;
  bool erased_ = false;
  std::uint8_t openForWrite_ = 0;
  std::uint64_t revision_ = 0;
};

// Checked down-cast by kind: every class has `static bool matches(ObjectKind)`.
template <class T>
T* objectCast(Object* o) {
  return o != nullptr && T::matches(o->kind()) ? static_cast<T*>(o) : nullptr;
}
template <class T>
const T* objectCast(const Object* o) {
  return o != nullptr && T::matches(o->kind()) ? static_cast<const T*>(o) : nullptr;
}

// Boilerplate of a concrete class: its kind, the kind test and clone().
#define KESTRA_CAD_OBJECT(Class, Kind)                             \
  static constexpr ObjectKind kKind = ObjectKind::Kind;            \
  static bool matches(ObjectKind k) { return k == kKind; }         \
  ObjectKind kind() const override { return kKind; }               \
  std::unique_ptr<Object> clone() const override {                 \
    return std::unique_ptr<Object>(new Class(*this)); /* NOLINT */ \
  }

// An object of a kind the database does not model (a dictionary, an entry of the VPORT,
// VIEW, UCS, APPID or DIMSTYLE tables, ...). Its type name is the file's, e.g. "DICTIONARY".
class OpaqueObject final : public Object {
 public:
  KESTRA_CAD_OBJECT(OpaqueObject, OpaqueObject)
  OpaqueObject() = default;
  explicit OpaqueObject(std::string typeName) : typeName_(std::move(typeName)) {}

  const std::string& typeName() const { return typeName_; }

 private:
  OpaqueObject(const OpaqueObject&) = default;
  std::string typeName_;
};

}  // namespace cad
