// libFuzzer entry: any bytes must end in a database or a status, never in a crash, a hang
// or an allocation out of proportion to the input; what was read must write again, and
// its geometry (extents, the spatial index, a crossing selection) must be usable.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dxf::ReadReport report;
  auto db = dxf::readDrawingBytes(std::string(reinterpret_cast<const char*>(data), size), report);
  if (!db) return 0;
  dxf::WriteReport written;
  (void)dxf::renderDrawing(*db, written);
  const geom::Extents2d box = db->updateExtents().xy();
  if (!box.empty()) {
    // A window over the middle of the drawing: cuts through whatever lies there.
    const double cx = (box.min.x + box.max.x) / 2, cy = (box.min.y + box.max.y) / 2;
    const double hx = (box.max.x - box.min.x) / 4, hy = (box.max.y - box.min.y) / 4;
    const std::vector<geom::Point2d> window{
        {cx + hx, cy + hy}, {cx - hx, cy + hy}, {cx - hx, cy - hy}, {cx + hx, cy - hy}};
    (void)db->selectCrossing(window);
    (void)db->selectWindow(window);
  }
  return 0;
}
