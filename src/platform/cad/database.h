#pragma once
// The drawing database: the storage of a drawing. It owns every object, hands out ids
// (handles) and guards for reading and writing, keeps the symbol tables and the block
// definitions with model and paper space, and tells every change to its reactors. What is
// derived from the drawing lives beside it and follows those change notifications: the
// spatial index of model space (model_index.h) and the model extents (model_extents.h);
// selection and intersection are queries on both (queries.h); copying between databases is
// in block_ops.h. A database need not be the working one: side databases hold drawings
// read for their blocks, block write-outs, and so on.
//
// Readers: add objects with their file handles first (addObject / appendEntity with a
// handle), set the handle seed, then clear the modified flags (clearModifiedFlags). Fresh
// handles (handle 0) are always above every handle in use.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/cad/block_reference.h"
#include "platform/cad/database_reactor.h"
#include "platform/cad/model_extents.h"
#include "platform/cad/model_index.h"
#include "platform/cad/open_guard.h"
#include "platform/cad/polylines.h"
#include "platform/cad/spline.h"
#include "platform/cad/symbol_table.h"
#include "platform/cad/table_records.h"
#include "platform/cad/text.h"

namespace cad {

inline constexpr std::string_view kModelSpace = "*Model_Space";

inline constexpr std::string_view kPaperSpace = "*Paper_Space";

class Database {
 public:
  // Empty: nothing at all (a reader fills it). Standard: layer "0", linetypes "ByBlock",
  // "ByLayer", "Continuous", text style "Standard", model and paper space.
  enum class Contents { Empty, Standard };

  explicit Database(Contents contents = Contents::Standard);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The file layer's document-level record (header, classes, objects, ...).
  const std::shared_ptr<SourceRecord>& source() const { return source_; }
  void setSource(std::shared_ptr<SourceRecord> s) { source_ = std::move(s); }

  // ---- handles
  Handle handleSeed() const { return seed_; }  // the next fresh handle
  void setHandleSeed(Handle seed);             // never below the highest handle in use + 1
  Handle newHandle() { return seed_++; }
  // Marks a handle as used (by a sub-record); DuplicateKey if it is in use already.
  Status reserveHandle(Handle h);
  bool isHandleUsed(Handle h) const;

  // ---- adding objects
  // Adds an object that belongs to no block (OpaqueObject, ...). Handle 0: a fresh one.
  Result<ObjectId> addObject(std::unique_ptr<Object> obj, Handle handle = 0);
  // Adds a table entry or block record to its table; DuplicateKey on a name in use.
  Result<ObjectId> addTableRecord(std::unique_ptr<TableRecord> rec, Handle handle = 0);
  // Appends an entity to a block definition (owner = the block record).
  Result<ObjectId> appendEntity(ObjectId block, std::unique_ptr<Entity> e, Handle handle = 0);
  Result<ObjectId> appendToModelSpace(std::unique_ptr<Entity> e) {
    return appendEntity(modelSpaceId(), std::move(e));
  }
  void clearModifiedFlags();

  // ---- change notifications and undo
  // Reactors are called in the order added; adding one twice adds it once.
  void addReactor(DatabaseReactor* reactor);
  void removeReactor(DatabaseReactor* reactor);
  // Puts `state` (a copy made by clone()) in place of the object `id`, with that id, the
  // given erased state and a new revision; returns the object it replaced. Table entries
  // keep their place in the name lookup under the restored name. WasOpenForWrite while
  // the object is open; KeyNotFound for an unknown id.
  Result<std::unique_ptr<Object>> replaceObject(ObjectId id, std::unique_ptr<Object> state,
                                                bool erased);
  // Takes an object out of the database altogether (out of its block or table and of the
  // index), to take back its adding; attachObject puts it back with the same handle, at
  // the end of its block or table.
  Result<std::unique_ptr<Object>> detachObject(ObjectId id);
  Status attachObject(std::unique_ptr<Object> object);

  // ---- opening
  template <class T = Object>
  Opened<const T> openForRead(ObjectId id, Erased erased = Erased::Exclude) const;
  template <class T = Object>
  Opened<T> openForWrite(ObjectId id, Erased erased = Erased::Exclude);
  Status erase(ObjectId id);
  Status unerase(ObjectId id);
  // The object whatever its state (erased ones included); nullptr when unknown. For
  // writers and listings that must not fail on erased objects.
  const Object* peek(ObjectId id) const;
  std::size_t objectCount() const { return objects_.size(); }
  // Every object, erased ones included, in ascending handle order.
  std::vector<ObjectId> allIds() const;

  // ---- tables and blocks
  SymbolTable& layers() { return layers_; }
  const SymbolTable& layers() const { return layers_; }
  SymbolTable& textStyles() { return styles_; }
  const SymbolTable& textStyles() const { return styles_; }
  SymbolTable& linetypes() { return linetypes_; }
  const SymbolTable& linetypes() const { return linetypes_; }
  SymbolTable& blocks() { return blocks_; }
  const SymbolTable& blocks() const { return blocks_; }
  // The table that holds entries of kind `k` (layers, text styles, linetypes, blocks);
  // nullptr for any other kind.
  const SymbolTable* tableFor(ObjectKind k) const;
  ObjectId modelSpaceId() const;
  ObjectId paperSpaceId() const;
  Status renameTableRecord(ObjectId id, std::string newName);
  // Entities of a block that are not erased, in order, until `visit` returns false.
  void forEachEntity(ObjectId block, const std::function<bool(const Entity&)>& visit) const;
  // Loads `name` ("*" for all) from a linetype file. KeyNotFound when the file has no such
  // linetype, FileError when it cannot be read, DuplicateKey when it is loaded already.
  Status loadLinetypes(const std::filesystem::path& linFile, std::string_view name);

  // ---- header values
  // The drawing extents as last computed (or as the reader set them from the file); see
  // ModelExtents::update.
  const geom::Extents3d& drawingExtents() const { return extents_; }
  void setDrawingExtents(const geom::Extents3d& e) { extents_ = e; }
  geom::Point3d insertionBase() const { return insBase_; }
  void setInsertionBase(geom::Point3d p) { insBase_ = p; }

  // ---- what is kept in step with the drawing
  // Both hear every change before any reactor does, so a reactor may query them.
  ModelIndex& modelIndex() { return *index_; }
  const ModelIndex& modelIndex() const { return *index_; }
  ModelExtents& modelExtents() { return *modelExtents_; }
  const ModelExtents& modelExtents() const { return *modelExtents_; }
  // Objects open for write now: while any is, an entity may be half changed.
  int writesOpen() const { return writesOpen_; }

  // Erases every entity of a block definition, whatever layer it is on, to redefine the
  // block; each erase is told to the reactors as any other, so an undo brings them back.
  // WasOpenForWrite (and nothing erased) while one of them is open.
  Status eraseBlockContents(ObjectId block);

 private:
  friend void detail::closeWrite(Database*, Object*, std::uint64_t);
  friend void detail::eraseOpened(Database*, Object*, bool);

  Object* find(ObjectId id) const;
  Status checkOpen(const Object* o, bool kindMatches, Erased erased) const;
  Status checkWritable(const Object* o) const;
  Result<ObjectId> place(std::unique_ptr<Object> obj, Handle handle);
  void willModify(const Object& o);
  // Tells the index and the extents first, then the reactors.
  template <class F>
  void notify(F&& f);
  SymbolTable* tableFor(ObjectKind k) {
    return const_cast<SymbolTable*>(std::as_const(*this).tableFor(k));
  }
  void reserveSubRecords(Object& o);
  void closeWrite(Object& obj, std::uint64_t revisionAtOpen);
  void setErased(Object& obj, bool erase);

  std::unordered_map<Handle, std::unique_ptr<Object>> objects_;
  SymbolTable layers_, styles_, linetypes_, blocks_;
  std::shared_ptr<SourceRecord> source_;
  Handle seed_ = 1;
  geom::Extents3d extents_;
  geom::Point3d insBase_;
  std::unique_ptr<ModelIndex> index_;
  std::unique_ptr<ModelExtents> modelExtents_;
  int writesOpen_ = 0;  // objects open for write now (the extents may be changing)
  std::vector<DatabaseReactor*> reactors_;
};

template <class T>
Opened<const T> Database::openForRead(ObjectId id, Erased erased) const {
  Object* o = find(id);
  const Status s = checkOpen(o, o != nullptr && T::matches(o->kind()), erased);
  if (s != Status::Ok) return Opened<const T>(s);
  return Opened<const T>(nullptr, static_cast<const T*>(o), o->revision());
}

template <class T>
Opened<T> Database::openForWrite(ObjectId id, Erased erased) {
  Object* o = find(id);
  Status s = checkOpen(o, o != nullptr && T::matches(o->kind()), erased);
  if (s == Status::Ok) s = checkWritable(o);
  if (s != Status::Ok) return Opened<T>(s);
  if (!reactors_.empty()) willModify(*o);
  ++o->openForWrite_;
  ++writesOpen_;
  return Opened<T>(this, static_cast<T*>(o), o->revision());
}

}  // namespace cad
