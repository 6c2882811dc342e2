#include "platform/host/headless/headless_variables.h"

namespace host::headless {

Result<VariableValue> HeadlessVariables::viewVariable(const std::string& key) const {
  if (key == "VIEWCTR") {
    const geom::Point2d c = display_.viewCentre();
    return VariableValue(geom::Point3d{c.x, c.y, 0.0});
  }
  if (key == "VIEWSIZE") return VariableValue(display_.viewHeight());
  return VariableValue(display_.screenSize());
}

}  // namespace host::headless
