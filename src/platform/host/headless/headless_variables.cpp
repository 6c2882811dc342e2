#include "platform/host/headless/headless_variables.h"

#include "platform/host/text_util.h"

namespace host::headless {

HeadlessVariables::HeadlessVariables(HeadlessDisplay& display) : display_(display) {
  define("WORLDUCS", 1, true);
  define("CPROFILE", std::string("Default"), true);
  define("PICKBOX", 3, false);
  define("CMDECHO", 1, false);
  define("OSMODE", 0, false);
}

void HeadlessVariables::define(std::string_view name, VariableValue value, bool readOnly) {
  table_[toUpperAscii(name)] = Entry{std::move(value), readOnly};
}

Result<VariableValue> HeadlessVariables::getVariable(std::string_view name) const {
  std::string key = toUpperAscii(name);
  if (key == "VIEWCTR") {
    geom::Point2d c = display_.viewCentre();
    return Result<VariableValue>(VariableValue(geom::Point3d{c.x, c.y, 0.0}));
  }
  if (key == "VIEWSIZE") return Result<VariableValue>(VariableValue(display_.viewHeight()));
  if (key == "SCREENSIZE") return Result<VariableValue>(VariableValue(display_.screenSize()));
  auto it = table_.find(key);
  if (it == table_.end()) return Status::NotFound;
  return Result<VariableValue>(it->second.value);
}

Status HeadlessVariables::setVariable(std::string_view name, const VariableValue& value) {
  std::string key = toUpperAscii(name);
  if (key == "VIEWCTR" || key == "VIEWSIZE" || key == "SCREENSIZE") return Status::Rejected;
  auto it = table_.find(key);
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

}  // namespace host::headless
