#pragma once
// Copying entities between databases: a block written out as a drawing of its own, and a
// drawing brought in as a block definition. Copies get fresh handles; the symbol table
// entries they name come along, merged by name (an entry the target has already wins).

#include <memory>
#include <string_view>

#include "platform/cad/object_id.h"
#include "platform/cad/status.h"

namespace cad {

class Database;

enum class DuplicateBlock { Redefine, KeepExisting };

// A new database whose model space holds copies of the block's entities (with the layers,
// linetypes, text styles and nested blocks they use); the block's base point becomes its
// insertion base.
Result<std::unique_ptr<Database>> wblock(const Database& db, ObjectId block);

// Copies the model space of `source` into `db` as the block `name` (base point = the
// source's insertion base); `source` is not changed. Redefining a block erases its old
// contents and changes its record through the usual notifications, so an undo takes it all
// back; references to it keep the record and show the new contents.
Result<ObjectId> insertBlock(Database& db, std::string_view name, const Database& source,
                             DuplicateBlock duplicate = DuplicateBlock::Redefine);

}  // namespace cad
