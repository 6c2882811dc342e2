#include "platform/host/variable_table.h"

#include "platform/host/text_util.h"

namespace host {
namespace {

bool isViewVariable(const std::string& key) {
  return key == "VIEWCTR" || key == "VIEWSIZE" || key == "SCREENSIZE";
}

}  // namespace

VariableTable::VariableTable(int pickBox) {
  define("WORLDUCS", 1, true);
  define("CPROFILE", std::string("Default"), true);
  define("PICKBOX", pickBox, false);
  define("CMDECHO", 1, false);
  define("OSMODE", 0, false);
}

void VariableTable::define(std::string_view name, VariableValue value, bool readOnly) {
  table_[toUpperAscii(name)] = Entry{std::move(value), readOnly};
}

Result<VariableValue> VariableTable::getVariable(std::string_view name) const {
  const std::string key = toUpperAscii(name);
  if (isViewVariable(key)) return viewVariable(key);
  const auto it = table_.find(key);
  if (it == table_.end()) return Status::NotFound;
  return it->second.value;
}

Status VariableTable::setVariable(std::string_view name, const VariableValue& value) {
  const std::string key = toUpperAscii(name);
  if (isViewVariable(key)) return Status::Rejected;
  const auto it = table_.find(key);
  if (it == table_.end()) return Status::NotFound;
  if (it->second.readOnly) return Status::Rejected;
  VariableValue& current = it->second.value;
  if (std::holds_alternative<double>(current) && std::holds_alternative<int>(value)) {
    current = static_cast<double>(std::get<int>(value));
    return Status::Normal;
  }
  if (current.index() != value.index()) return Status::InvalidInput;
  current = value;
  return Status::Normal;
}

}  // namespace host
