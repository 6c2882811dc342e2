// Objects, handles, tables and the open/close protocol of the database.

#include "platform/cad/database.h"

#include <algorithm>

namespace cad {

namespace {

void addDefaults(Database& db) {
  auto layer = std::make_unique<Layer>("0");
  db.addTableRecord(std::move(layer));
  for (const char* name : {"ByBlock", "ByLayer", "Continuous"}) {
    auto lt = std::make_unique<Linetype>(name);
    if (std::string_view(name) == "Continuous") lt->setDescription("Solid line");
    db.addTableRecord(std::move(lt));
  }
  db.addTableRecord(std::make_unique<TextStyle>("Standard"));
  for (std::string_view name : {kModelSpace, kPaperSpace}) {
    db.addTableRecord(std::make_unique<BlockRecord>(std::string(name)));
  }
  for (SymbolTable* t : {&db.layers(), &db.linetypes(), &db.textStyles(), &db.blocks()}) {
    t->record().handle = db.newHandle();
  }
}

}  // namespace

Database::Database(Contents contents)
    : index_(std::make_unique<ModelIndex>(*this)),
      modelExtents_(std::make_unique<ModelExtents>(*this)) {
  if (contents == Contents::Standard) addDefaults(*this);
}

Database::~Database() = default;

// ---- handles

void Database::setHandleSeed(Handle seed) { seed_ = std::max(seed_, seed); }

Status Database::reserveHandle(Handle h) {
  if (h == 0) return Status::InvalidInput;
  if (objects_.contains(h)) return Status::DuplicateKey;
  seed_ = std::max(seed_, h + 1);
  return Status::Ok;
}

bool Database::isHandleUsed(Handle h) const { return objects_.contains(h); }

// ---- adding

Result<ObjectId> Database::place(std::unique_ptr<Object> obj, Handle handle) {
  if (!obj) return Status::InvalidInput;
  if (handle == 0) handle = newHandle();
  if (objects_.contains(handle)) return Status::DuplicateKey;
  obj->id_ = ObjectId(handle);
  seed_ = std::max(seed_, handle + 1);
  reserveSubRecords(*obj);
  objects_.emplace(handle, std::move(obj));
  notify([&](DatabaseReactor& r) { r.objectAppended(*this, ObjectId(handle)); });
  return ObjectId(handle);
}

void Database::reserveSubRecords(Object& o) {
  auto reserve = [this](SubRecord& r) {
    if (r.handle == 0) {
      r.handle = newHandle();
    } else {
      seed_ = std::max(seed_, r.handle + 1);
    }
  };
  if (auto* p = objectCast<OldPolyline>(&o)) {
    for (auto& v : p->vertices_) reserve(v.record);
    reserve(p->seqend_);
  } else if (auto* b = objectCast<BlockReference>(&o)) {
    for (auto& a : b->attributes_) reserve(a);
    if (!b->attributes_.empty()) reserve(b->seqend_);
  } else if (auto* x = objectCast<OpaqueEntity>(&o)) {
    for (auto& r : x->subRecords_) reserve(r);
  } else if (auto* r = objectCast<BlockRecord>(&o)) {
    reserve(r->begin_);
    reserve(r->end_);
  }
}

Result<ObjectId> Database::addObject(std::unique_ptr<Object> obj, Handle handle) {
  if (obj && (isEntityKind(obj->kind()) || TableRecord::matches(obj->kind()))) {
    return Status::WrongObjectType;  // entities go into a block, entries into a table
  }
  return place(std::move(obj), handle);
}

const SymbolTable* Database::tableFor(ObjectKind k) const {
  switch (k) {
    case ObjectKind::Layer:
      return &layers_;
    case ObjectKind::TextStyle:
      return &styles_;
    case ObjectKind::Linetype:
      return &linetypes_;
    case ObjectKind::BlockRecord:
      return &blocks_;
    default:
      return nullptr;
  }
}

Result<ObjectId> Database::addTableRecord(std::unique_ptr<TableRecord> rec, Handle handle) {
  if (!rec) return Status::InvalidInput;
  SymbolTable* table = tableFor(rec->kind());
  if (table == nullptr) return Status::WrongObjectType;
  if (rec->name().empty()) return Status::InvalidInput;
  if (table->has(rec->name())) return Status::DuplicateKey;
  const std::string name = rec->name();
  if (rec->owner_.isNull() && table->record().handle != 0) {
    rec->owner_ = ObjectId(table->record().handle);
  }
  Result<ObjectId> id = place(std::move(rec), handle);
  if (id) table->add(name, *id);
  return id;
}

Result<ObjectId> Database::appendEntity(ObjectId block, std::unique_ptr<Entity> e, Handle handle) {
  if (!e) return Status::InvalidInput;
  auto* rec = objectCast<BlockRecord>(find(block));
  if (rec == nullptr) return block.isNull() ? Status::NullObjectId : Status::KeyNotFound;
  e->owner_ = block;
  Result<ObjectId> id = place(std::move(e), handle);
  if (id) rec->entities_.push_back(*id);
  return id;
}

void Database::clearModifiedFlags() {
  for (auto& [h, o] : objects_) o->modified_ = false;
}

// ---- opening

Object* Database::find(ObjectId id) const {
  const auto it = objects_.find(id.handle());
  return it == objects_.end() ? nullptr : it->second.get();
}

const Object* Database::peek(ObjectId id) const { return find(id); }

std::vector<ObjectId> Database::allIds() const {
  std::vector<ObjectId> ids;
  ids.reserve(objects_.size());
  for (const auto& [h, o] : objects_) ids.emplace_back(h);
  std::sort(ids.begin(), ids.end());
  return ids;
}

Status Database::checkOpen(const Object* o, bool kindMatches, Erased erased) const {
  if (o == nullptr) return Status::KeyNotFound;
  if (o->isErased() && erased == Erased::Exclude) return Status::WasErased;
  if (!kindMatches) return Status::WrongObjectType;
  return Status::Ok;
}

Status Database::checkWritable(const Object* o) const {
  if (o->openForWrite_ > 0) return Status::WasOpenForWrite;
  if (const auto* e = objectCast<Entity>(o)) {
    if (const auto* layer = objectCast<Layer>(find(layers_.getIdAt(e->layer())))) {
      if (layer->isLocked()) return Status::OnLockedLayer;
    }
  }
  return Status::Ok;
}

void detail::closeWrite(Database* db, Object* obj, std::uint64_t revisionAtOpen) {
  db->closeWrite(*obj, revisionAtOpen);
}

void detail::eraseOpened(Database* db, Object* obj, bool erase) { db->setErased(*obj, erase); }

void Database::closeWrite(Object& obj, std::uint64_t revisionAtOpen) {
  if (obj.openForWrite_ > 0) --obj.openForWrite_;
  if (writesOpen_ > 0) --writesOpen_;
  // A change of the erased state was told when it happened.
  if (obj.revision() != revisionAtOpen) {
    notify([&](DatabaseReactor& r) { r.objectModified(*this, obj.id()); });
  }
}

void Database::setErased(Object& obj, bool erase) {
  if (obj.erased_ == erase) return;
  obj.erased_ = erase;
  notify([&](DatabaseReactor& r) { r.objectErased(*this, obj.id(), erase); });
}

Status Database::erase(ObjectId id) {
  if (id.isNull()) return Status::NullObjectId;
  if (TableRecord::matches(find(id) ? find(id)->kind() : ObjectKind::OpaqueObject)) {
    return Status::NotSupported;  // entities would keep naming it
  }
  Opened<Object> o = openForWrite(id);
  return o ? o.erase() : o.status();
}

Status Database::unerase(ObjectId id) {
  if (id.isNull()) return Status::NullObjectId;
  Opened<Object> o = openForWrite(id, Erased::Include);
  return o ? o.unerase() : o.status();
}

// ---- change notifications and undo

void Database::addReactor(DatabaseReactor* reactor) {
  if (reactor != nullptr &&
      std::find(reactors_.begin(), reactors_.end(), reactor) == reactors_.end()) {
    reactors_.push_back(reactor);
  }
}

void Database::removeReactor(DatabaseReactor* reactor) { std::erase(reactors_, reactor); }

template <class F>
void Database::notify(F&& f) {
  f(static_cast<DatabaseReactor&>(*index_));
  f(static_cast<DatabaseReactor&>(*modelExtents_));
  if (reactors_.empty()) return;
  const std::vector<DatabaseReactor*> snapshot = reactors_;
  for (DatabaseReactor* r : snapshot) {
    if (std::find(reactors_.begin(), reactors_.end(), r) != reactors_.end()) f(*r);
  }
}

void Database::willModify(const Object& o) {
  notify([&](DatabaseReactor& r) { r.objectOpenedForModify(*this, o); });
}

Result<std::unique_ptr<Object>> Database::replaceObject(ObjectId id, std::unique_ptr<Object> state,
                                                        bool erased) {
  const auto it = objects_.find(id.handle());
  if (it == objects_.end()) return Status::KeyNotFound;
  if (!state || state->kind() != it->second->kind()) return Status::WrongObjectType;
  if (it->second->openForWrite_ > 0) return Status::WasOpenForWrite;
  std::unique_ptr<Object> old = std::move(it->second);
  state->id_ = id;
  state->erased_ = erased;
  state->revision_ = old->revision_ + 1;
  state->modified_ = true;
  if (auto* rec = objectCast<TableRecord>(old.get())) {
    // The entry keeps its place in the table; only the name lookup follows a rename.
    SymbolTable* table = tableFor(rec->kind());
    const auto named = table->byName_.find(foldName(rec->name_));
    if (named != table->byName_.end() && named->second == id) table->byName_.erase(named);
    table->byName_.emplace(foldName(static_cast<TableRecord&>(*state).name_), id);
  }
  if (auto* block = objectCast<BlockRecord>(state.get())) {
    // Which entities a block holds follows their adding and taking out alone, not the
    // record's earlier states: an undo that restores the record keeps them.
    block->entities_.swap(static_cast<BlockRecord&>(*old).entities_);
  }
  it->second = std::move(state);
  notify([&](DatabaseReactor& r) { r.objectModified(*this, id); });
  return old;
}

Result<std::unique_ptr<Object>> Database::detachObject(ObjectId id) {
  const auto it = objects_.find(id.handle());
  if (it == objects_.end()) return Status::KeyNotFound;
  if (it->second->openForWrite_ > 0) return Status::WasOpenForWrite;
  Object& o = *it->second;
  if (auto* rec = objectCast<TableRecord>(&o)) {
    if (SymbolTable* table = tableFor(rec->kind())) table->remove(rec->name_, id);
  } else if (isEntityKind(o.kind())) {
    if (auto* block = objectCast<BlockRecord>(find(o.owner()))) std::erase(block->entities_, id);
  }
  std::unique_ptr<Object> out = std::move(it->second);
  objects_.erase(it);
  notify([&](DatabaseReactor& r) { r.objectRemoved(*this, id); });
  return out;
}

Status Database::attachObject(std::unique_ptr<Object> object) {
  if (!object || object->id().isNull()) return Status::InvalidInput;
  const ObjectId id = object->id();
  if (objects_.contains(id.handle())) return Status::DuplicateKey;
  Object* raw = object.get();
  if (auto* rec = objectCast<TableRecord>(raw)) {
    SymbolTable* table = tableFor(rec->kind());
    if (table != nullptr && table->has(rec->name_)) return Status::DuplicateKey;
    if (table != nullptr) table->add(rec->name_, id);
  } else if (isEntityKind(raw->kind())) {
    auto* block = objectCast<BlockRecord>(find(raw->owner()));
    if (block == nullptr) return Status::KeyNotFound;
    block->entities_.push_back(id);
  }
  objects_.emplace(id.handle(), std::move(object));
  notify([&](DatabaseReactor& r) { r.objectAppended(*this, id); });
  return Status::Ok;
}

// ---- tables

ObjectId Database::modelSpaceId() const {
  const ObjectId id = blocks_.getIdAt(kModelSpace);
  return id ? id : blocks_.getIdAt("$MODEL_SPACE");
}

ObjectId Database::paperSpaceId() const {
  const ObjectId id = blocks_.getIdAt(kPaperSpace);
  return id ? id : blocks_.getIdAt("$PAPER_SPACE");
}

Status Database::renameTableRecord(ObjectId id, std::string newName) {
  auto* rec = objectCast<TableRecord>(find(id));
  if (rec == nullptr) return Status::KeyNotFound;
  if (newName.empty()) return Status::InvalidInput;
  SymbolTable* table = tableFor(rec->kind());
  const ObjectId other = table->getIdAt(newName);
  if (other && other != id) return Status::DuplicateKey;
  if (!reactors_.empty()) willModify(*rec);
  table->remove(rec->name_, id);
  rec->name_ = std::move(newName);
  table->ids_.push_back(id);
  table->byName_.emplace(foldName(rec->name_), id);
  rec->touch();
  notify([&](DatabaseReactor& r) { r.objectModified(*this, id); });
  return Status::Ok;
}

Status Database::eraseBlockContents(ObjectId block) {
  auto* rec = objectCast<BlockRecord>(find(block));
  if (rec == nullptr) return block.isNull() ? Status::NullObjectId : Status::KeyNotFound;
  for (ObjectId id : rec->entities_) {
    const Object* o = find(id);
    if (o != nullptr && o->openForWrite_ > 0) return Status::WasOpenForWrite;
  }
  const std::vector<ObjectId> ids = rec->entities_;  // a reactor may add to the block
  for (ObjectId id : ids) {
    Object* o = find(id);
    if (o == nullptr || o->isErased()) continue;
    if (!reactors_.empty()) willModify(*o);
    setErased(*o, true);
  }
  return Status::Ok;
}

void Database::forEachEntity(ObjectId block,
                             const std::function<bool(const Entity&)>& visit) const {
  const auto* rec = objectCast<BlockRecord>(find(block));
  if (rec == nullptr) return;
  for (ObjectId id : rec->entities_) {
    const auto* e = objectCast<Entity>(find(id));
    if (e != nullptr && !e->isErased() && !visit(*e)) return;
  }
}

}  // namespace cad
