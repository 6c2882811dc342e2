#include "platform/cad/table_records.h"

#include <cmath>

#include "platform/cad/symbol_table.h"

namespace cad {

std::string foldName(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

ObjectId SymbolTable::getIdAt(std::string_view name) const {
  const auto it = byName_.find(foldName(name));
  return it == byName_.end() ? ObjectId{} : it->second;
}

void SymbolTable::add(std::string_view name, ObjectId id) {
  ids_.push_back(id);
  byName_.emplace(foldName(name), id);
}

void SymbolTable::remove(std::string_view name, ObjectId id) {
  std::erase(ids_, id);
  const auto it = byName_.find(foldName(name));
  if (it != byName_.end() && it->second == id) byName_.erase(it);
}

double Linetype::patternLength() const {
  double sum = 0.0;
  for (double d : pattern_) sum += std::fabs(d);
  return sum;
}

bool BlockRecord::isLayout() const {
  const std::string n = foldName(name());
  return n == "*MODEL_SPACE" || n.starts_with("*PAPER_SPACE") || n == "$MODEL_SPACE" ||
         n == "$PAPER_SPACE";
}

}  // namespace cad
