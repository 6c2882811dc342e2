#pragma once
// A symbol table: its entries in file order and a name lookup without regard to ASCII
// case. The table itself has a handle and a source record of its own (the TABLE header).

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/cad/source_record.h"

namespace cad {

std::string foldName(std::string_view name);  // ASCII upper case, other bytes unchanged

class SymbolTable {
 public:
  ObjectId getIdAt(std::string_view name) const;  // null when absent
  bool has(std::string_view name) const { return !getIdAt(name).isNull(); }
  const std::vector<ObjectId>& ids() const { return ids_; }
  std::size_t size() const { return ids_.size(); }

  SubRecord& record() { return record_; }
  const SubRecord& record() const { return record_; }

 private:
  friend class Database;
  void add(std::string_view name, ObjectId id);
  void remove(std::string_view name, ObjectId id);

  std::vector<ObjectId> ids_;
  std::unordered_map<std::string, ObjectId> byName_;
  SubRecord record_;
};

}  // namespace cad
