#pragma once
// Host system variables ("VIEWCTR", "VIEWSIZE", "SCREENSIZE", "WORLDUCS", "CPROFILE", ...).

#include <string>
#include <string_view>
#include <variant>

#include "platform/geom/vec.h"
#include "platform/host/status.h"

namespace host {

using VariableValue = std::variant<int, double, std::string, geom::Point2d, geom::Point3d>;

class SystemVariables {
 public:
  virtual ~SystemVariables() = default;
  // Names match without regard to ASCII case. NotFound for an unknown name.
  virtual Result<VariableValue> getVariable(std::string_view name) const = 0;
  // Rejected for a read-only variable, InvalidInput for a value of the wrong type.
  virtual Status setVariable(std::string_view name, const VariableValue& value) = 0;
};

}  // namespace host
