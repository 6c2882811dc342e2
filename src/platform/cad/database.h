#pragma once
// The drawing database: owns every object, hands out ids (handles) and guards for reading
// and writing, keeps the symbol tables, the block definitions with model and paper space,
// and a spatial index of model space. A database need not be the working one: side
// databases hold drawings read for their blocks, block write-outs, and so on.
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
#include <vector>

#include "platform/cad/block_reference.h"
#include "platform/cad/open_guard.h"
#include "platform/cad/polylines.h"
#include "platform/cad/spatial_index.h"
#include "platform/cad/spline.h"
#include "platform/cad/symbol_table.h"
#include "platform/cad/table_records.h"
#include "platform/cad/text.h"
#include "platform/geom/intersect.h"

namespace cad {

namespace detail {
class SelectionPolygon;
class PlanPolyline;
}  // namespace detail

inline constexpr std::string_view kModelSpace = "*Model_Space";

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
inline constexpr std::string_view kPaperSpace = "*Paper_Space";

class Database {
 public:
  // Empty: nothing at all (a reader fills it). Standard: layer "0", linetypes "ByBlock",
  // "ByLayer", "Continuous", text style "Standard", model and paper space.
  enum class Contents { Empty, Standard };
  enum class DuplicateBlock { Redefine, KeepExisting };

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
  ObjectId modelSpaceId() const;
  ObjectId paperSpaceId() const;
  Status renameTableRecord(ObjectId id, std::string newName);
  // Entities of a block that are not erased, in order, until `visit` returns false.
  void forEachEntity(ObjectId block, const std::function<bool(const Entity&)>& visit) const;
  // Loads `name` ("*" for all) from a linetype file. KeyNotFound when the file has no such
  // linetype, FileError when it cannot be read, DuplicateKey when it is loaded already.
  Status loadLinetypes(const std::filesystem::path& linFile, std::string_view name);

  // ---- geometry and the spatial index (model space)
  // World extents of any entity, block references included (through their block).
  geom::Extents3d extentsOf(ObjectId id) const;
  // The drawing extents as last computed (or as the reader set them from the file).
  const geom::Extents3d& drawingExtents() const { return extents_; }
  void setDrawingExtents(const geom::Extents3d& e) { extents_ = e; }
  // Computes the extents of model space (block references through their blocks). The
  // result is kept while the drawing only gains entities or loses some that lie inside,
  // so that commands which end with this update do not walk every vertex each time.
  const geom::Extents3d& updateExtents();
  geom::Point3d insertionBase() const { return insBase_; }
  void setInsertionBase(geom::Point3d p) { insBase_ = p; }

  // Builds the index in bulk now; otherwise the first query does.
  void buildIndex() const;
  void queryBox(const geom::Extents2d& box,
                const std::function<bool(ObjectId id, int part)>& visit) const;
  // Entities that cross or lie inside the polygon (at least 3 points, closed implicitly),
  // in ascending handle order.
  std::vector<ObjectId> selectCrossing(std::span<const geom::Point2d> polygon) const;
  // The plan intersections of an entity of this database, open for reading, with a
  // prepared curve: other.cut(entity's curve), bit for bit (None for a non-curve). A long
  // polyline of model space is cut only in the runs of segments whose index boxes come
  // near the curve, on its own vertices, so the cost follows the crossings, not the
  // length of the contours a section meets.
  geom::Intersections intersectWith(const Entity& e, const geom::Cutter& other) const;
  // For a caller that cuts many lines in a row and first narrows the entities itself: the
  // index boxes (id, part, box) that touch `box`, appended to `out`.
  void queryBox(const geom::Extents2d& box, std::vector<IndexEntry>& out) const;
  // The segments an index part of a polyline of `segments` segments stands for.
  static geom::SegmentRange indexRun(int part, int segments);
  // The box within which intersectWith cuts the runs of a long polyline: every part whose
  // index box touches it and that `other` is not clear of.
  static geom::Extents2d cutReach(const geom::Cutter& other);
  // intersectWith cutting a polyline only in `ranges` (ascending, not overlapping), which
  // the caller has found to hold every segment whose box touches cutReach(other) and that
  // `other` is not clear of: the same result. Any other curve is cut whole.
  geom::Intersections intersectWith(const Entity& e, const geom::Cutter& other,
                                    std::span<const geom::SegmentRange> ranges) const;
  // Whether selectCrossing by the polygon takes the entity (of model space, open for
  // reading), asked of it alone. The part holding segment `likely` (of a polyline), where
  // the caller has seen the entity inside the polygon, is looked at first.
  bool crossingSelects(const Entity& e, const detail::SelectionPolygon& poly,
                       int likely = -1) const;
  // Entities that lie entirely inside the polygon.
  std::vector<ObjectId> selectWindow(std::span<const geom::Point2d> polygon) const;
  // The exact tests alone, without the index (for a single entity, e.g. a pick).
  bool crossesPolygon(ObjectId id, std::span<const geom::Point2d> polygon) const;
  bool insidePolygon(ObjectId id, std::span<const geom::Point2d> polygon) const;

  // ---- side databases
  // A new database whose model space holds copies of the block's entities (with the
  // layers, linetypes, text styles and nested blocks they use); the block's base point
  // becomes its insertion base.
  Result<std::unique_ptr<Database>> wblock(ObjectId block) const;
  // Copies the model space of `source` into this database as the block `name` (base point
  // = the source's insertion base), with fresh handles; layers, linetypes, text styles and
  // blocks are merged by name (existing ones win); `source` is not changed.
  Result<ObjectId> insert(std::string_view name, const Database& source,
                          DuplicateBlock duplicate = DuplicateBlock::Redefine);

 private:
  friend void detail::closeWrite(Database*, Object*, std::uint64_t, bool);
  friend void detail::eraseOpened(Database*, Object*, bool);
  friend class DeepCloner;

  Object* find(ObjectId id) const;
  Status checkOpen(const Object* o, bool kindMatches, Erased erased) const;
  Status checkWritable(const Object* o) const;
  Result<ObjectId> place(std::unique_ptr<Object> obj, Handle handle);
  void willModify(const Object& o);
  template <class F>
  void notify(F&& f) {
    if (reactors_.empty()) return;
    const std::vector<DatabaseReactor*> snapshot = reactors_;
    for (DatabaseReactor* r : snapshot) {
      if (std::find(reactors_.begin(), reactors_.end(), r) != reactors_.end()) f(*r);
    }
  }
  SymbolTable* tableFor(ObjectKind k);
  void reserveSubRecords(Object& o);
  void entityChanged(const Object& o);
  void closeWrite(Object& obj, std::uint64_t revisionAtOpen, bool erasedAtOpen);
  void followExtents(const Object& obj);
  void measureModelSpace();
  geom::Extents3d modelEntityBox(const Entity& e) const;
  void setErased(Object& obj, bool erase);
  bool isIndexed(const Object& o) const;
  void indexEntity(const Entity& e) const;
  std::vector<geom::Extents2d> indexBoxes(const Entity& e) const;
  geom::Extents3d blockExtents(ObjectId block, int depth) const;
  geom::Extents3d extentsOf(const Entity& e, int depth) const;
  bool partSelected(const Entity& e, const detail::PlanPolyline* polyline, int part,
                    const detail::SelectionPolygon& poly, bool window) const;
  bool entitySelected(const Entity& e, const detail::SelectionPolygon& poly, bool window) const;

  std::unordered_map<Handle, std::unique_ptr<Object>> objects_;
  std::unordered_map<Handle, bool> subHandles_;
  SymbolTable layers_, styles_, linetypes_, blocks_;
  std::shared_ptr<SourceRecord> source_;
  Handle seed_ = 1;
  geom::Extents3d extents_;
  geom::Point3d insBase_;
  mutable std::unique_ptr<SpatialIndex> index_;
  mutable std::vector<ObjectId> extentsPath_;  // blocks being measured, to stop at cycles
  // Each block's box, measured once per outermost measurement: a block inserted twice by
  // each of forty nested blocks would otherwise be measured 2^40 times.
  mutable std::unordered_map<Handle, geom::Extents3d> blockBoxes_;
  mutable int blockMeasures_ = 0;  // blocks being measured now
  // The extents of each model-space entity and their union, kept in step with the
  // drawing once measured: a change of a model-space entity re-measures that entity alone;
  // any other change (a block, a table) drops them. The union is refolded from the boxes
  // only when an entity on its border shrank or went.
  std::unordered_map<Handle, geom::Extents3d> modelBoxes_;
  geom::Extents3d modelExtents_;
  bool modelExtentsCurrent_ = false;
  bool modelUnionStale_ = false;
  int writesOpen_ = 0;  // objects open for write now (the extents may be changing)
  std::vector<DatabaseReactor*> reactors_;
};

template <class T>
Opened<const T> Database::openForRead(ObjectId id, Erased erased) const {
  Object* o = find(id);
  const Status s = checkOpen(o, o != nullptr && T::matches(o->kind()), erased);
  if (s != Status::Ok) return Opened<const T>(s);
  return Opened<const T>(nullptr, static_cast<const T*>(o), o->revision(), o->isErased());
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
  return Opened<T>(this, static_cast<T*>(o), o->revision(), o->isErased());
}

}  // namespace cad
