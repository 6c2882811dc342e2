// Copying entities between databases: block write-out and insert as a block definition.

#include <unordered_set>
#include <utility>

#include "platform/cad/block_ops.h"
#include "platform/cad/database.h"

namespace cad {

class DeepCloner {
 public:
  DeepCloner(const Database& src, Database& dst) : src_(src), dst_(dst) {}

  // Copies every entry of the source's layer, linetype and text style tables.
  void mergeAllTables() {
    for (const SymbolTable* t : {&src_.linetypes(), &src_.layers(), &src_.textStyles()}) {
      for (ObjectId id : t->ids()) {
        if (const auto* rec = objectCast<TableRecord>(src_.peek(id))) ensureEntry(*rec);
      }
    }
  }

  // Copies the non-erased entities of a source block into a target block.
  Status copyEntities(ObjectId srcBlock, ObjectId dstBlock) {
    const auto* rec = objectCast<BlockRecord>(src_.peek(srcBlock));
    if (rec == nullptr) return Status::KeyNotFound;
    for (ObjectId id : rec->entityIds()) {
      const auto* e = objectCast<Entity>(src_.peek(id));
      if (e == nullptr || e->isErased()) continue;
      const Status s = copyEntity(*e, dstBlock);
      if (s != Status::Ok) return s;
    }
    return Status::Ok;
  }

  // Names of blocks that must not be copied in (the block being defined: a reference to
  // it from inside would make it contain itself).
  std::unordered_set<std::string> inProgress;

 private:
  Status copyEntity(const Entity& e, ObjectId dstBlock) {
    std::unique_ptr<Object> copy = e.clone();
    auto* entity = static_cast<Entity*>(copy.get());
    copy.release();
    std::unique_ptr<Entity> owned(entity);
    freshSubRecords(*entity);
    ensureNamed(src_.layers(), entity->layer());
    ensureNamed(src_.linetypes(), entity->linetype());
    if (const auto* text = objectCast<Text>(entity)) ensureNamed(src_.textStyles(), text->style());
    if (const auto* ref = objectCast<BlockReference>(entity)) {
      const Status s = ensureBlock(ref->blockName());
      if (s != Status::Ok) return s;
    }
    owned->setModified(true);
    return dst_.appendEntity(dstBlock, std::move(owned)).status();
  }

  static void freshSubRecords(Object& o) {
    if (auto* p = objectCast<OldPolyline>(&o)) {
      for (auto& v : p->vertices_) v.record.handle = 0;
      p->seqend_.handle = 0;
    } else if (auto* b = objectCast<BlockReference>(&o)) {
      for (auto& a : b->attributes_) a.handle = 0;
      b->seqend_.handle = 0;
    } else if (auto* x = objectCast<OpaqueEntity>(&o)) {
      for (auto& r : x->subRecords_) r.handle = 0;
    }
  }

  void ensureNamed(const SymbolTable& table, const std::string& name) {
    if (const auto* rec = objectCast<TableRecord>(src_.peek(table.getIdAt(name)))) {
      ensureEntry(*rec);
    }
  }

  void ensureEntry(const TableRecord& rec) {
    const SymbolTable* target = std::as_const(dst_).tableFor(rec.kind());
    if (target == nullptr || target->has(rec.name())) return;
    if (const auto* layer = objectCast<Layer>(&rec))
      ensureNamed(src_.linetypes(), layer->linetype());
    std::unique_ptr<Object> copy = rec.clone();
    auto* entry = static_cast<TableRecord*>(copy.release());
    std::unique_ptr<TableRecord> owned(entry);
    owned->owner_ = ObjectId{};
    owned->setModified(true);
    dst_.addTableRecord(std::move(owned));
  }

  Status ensureBlock(const std::string& name) {
    if (inProgress.contains(foldName(name))) return Status::CycleDetected;
    if (dst_.blocks().has(name)) return Status::Ok;
    const auto* rec = objectCast<BlockRecord>(src_.peek(src_.blocks().getIdAt(name)));
    if (rec == nullptr) return Status::Ok;  // a dangling name stays dangling
    auto block = std::make_unique<BlockRecord>(rec->name());
    block->setBasePoint(rec->basePoint());
    block->setDescription(rec->description());
    block->setFlags(rec->flags());
    block->setSource(rec->source());
    Result<ObjectId> id = dst_.addTableRecord(std::move(block));
    if (!id) return id.status();
    inProgress.insert(foldName(name));
    const Status s = copyEntities(rec->id(), *id);
    inProgress.erase(foldName(name));
    return s;
  }

  const Database& src_;
  Database& dst_;
};

Result<std::unique_ptr<Database>> wblock(const Database& db, ObjectId block) {
  const auto* rec = objectCast<BlockRecord>(db.peek(block));
  if (rec == nullptr) return block.isNull() ? Status::NullObjectId : Status::KeyNotFound;
  auto out = std::make_unique<Database>(Database::Contents::Standard);
  out->setInsertionBase(rec->basePoint());
  DeepCloner cloner(db, *out);
  const Status s = cloner.copyEntities(block, out->modelSpaceId());
  if (s != Status::Ok) return s;
  out->modelExtents().update();
  return out;
}

namespace {

// Whether the entities of `block` (or blocks they reference) reference `folded`.
bool references(const Database& db, ObjectId block, const std::string& folded,
                std::unordered_set<std::string>& seen) {
  bool found = false;
  db.forEachEntity(block, [&](const Entity& e) {
    const auto* ref = objectCast<BlockReference>(&e);
    if (ref == nullptr) return true;
    const std::string name = foldName(ref->blockName());
    if (name == folded) return !(found = true);
    if (seen.insert(name).second) found = references(db, db.blocks().getIdAt(name), folded, seen);
    return !found;
  });
  return found;
}

}  // namespace

Result<ObjectId> insertBlock(Database& db, std::string_view name, const Database& source,
                             DuplicateBlock duplicate) {
  if (name.empty() || &source == &db) return Status::InvalidInput;
  const ObjectId existing = db.blocks().getIdAt(name);
  if (existing && duplicate == DuplicateBlock::KeepExisting) return existing;
  const auto* old = objectCast<BlockRecord>(db.peek(existing));
  if (old != nullptr && old->isLayout()) return Status::InvalidInput;
  // Refused before anything changes, so a failed insert leaves no half-made block.
  std::unordered_set<std::string> seen;
  if (references(source, source.modelSpaceId(), foldName(name), seen)) {
    return Status::CycleDetected;
  }

  ObjectId target = existing;
  if (old != nullptr) {
    // Redefinition: the old contents go; references keep the record and show the new.
    Opened<BlockRecord> rec = db.openForWrite<BlockRecord>(existing);
    if (!rec) return rec.status();
    const Status erased = db.eraseBlockContents(existing);
    if (erased != Status::Ok) return erased;
    rec->setBasePoint(source.insertionBase());
  } else {
    auto block = std::make_unique<BlockRecord>(std::string(name));
    block->setBasePoint(source.insertionBase());
    Result<ObjectId> id = db.addTableRecord(std::move(block));
    if (!id) return id.status();
    target = *id;
  }
  DeepCloner cloner(source, db);
  cloner.mergeAllTables();
  cloner.inProgress.insert(foldName(name));
  const Status s = cloner.copyEntities(source.modelSpaceId(), target);
  if (s != Status::Ok) return s;
  return target;
}

}  // namespace cad
