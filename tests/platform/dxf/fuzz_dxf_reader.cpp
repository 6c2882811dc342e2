// libFuzzer entry: any bytes must end in a database or a status, never in a crash, a hang
// or an allocation out of proportion to the input; what was read must write again, and
// its geometry (extents, the spatial index, a crossing selection) must be usable, and it
// must go into an R12 drawing as a block, and its picture must go into an SVG document or
// be refused with a reason (huge coordinates, blocks that fan out or recurse).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cad/block_ops.h"
#include "platform/cad/database.h"
#include "platform/cad/queries.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/render/drawing_renderer.h"
#include "platform/render/svg_writer.h"

namespace {

// An empty R12 drawing: what was read goes into it as a block, so that its entities take
// their R12 forms through the writer.
constexpr char kEmptyR12[] =
    "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
    "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dxf::ReadReport report;
  auto db = dxf::readDrawingBytes(std::string(reinterpret_cast<const char*>(data), size), report);
  if (!db) return 0;
  dxf::WriteReport written;
  (void)dxf::renderDrawing(*db, written);
  const geom::Extents2d box = db->modelExtents().update().xy();
  if (!box.empty()) {
    // A window over the middle of the drawing: cuts through whatever lies there.
    const double cx = (box.min.x + box.max.x) / 2, cy = (box.min.y + box.max.y) / 2;
    const double hx = (box.max.x - box.min.x) / 4, hy = (box.max.y - box.min.y) / 4;
    const std::vector<geom::Point2d> window{
        {cx + hx, cy + hy}, {cx - hx, cy + hy}, {cx - hx, cy - hy}, {cx + hx, cy - hy}};
    (void)cad::selectCrossing(*db, window);
    (void)cad::selectWindow(*db, window);
    render::SvgOptions svg;
    svg.window = geom::Extents2d::of({cx - hx, cy - hy}, {cx + hx, cy + hy});
    svg.size = 200;
    std::string why;
    const auto document = render::writeSvg(render::renderModelSpace(*db), svg, why);
    if (!document && why.empty()) __builtin_trap();  // a refusal always says why
  }
  dxf::ReadReport r12Report;
  auto r12 = dxf::readDrawingBytes(kEmptyR12, r12Report);
  if (r12 && cad::insertBlock(*r12, "FUZZ", *db).ok()) (void)dxf::renderDrawing(*r12, written);
  return 0;
}
