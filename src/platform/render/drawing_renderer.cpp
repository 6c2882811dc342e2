#include "platform/render/drawing_renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/cad/ocs.h"
#include "platform/geom/transform.h"
#include "platform/render/aci.h"
#include "platform/render/tessellate.h"
#include "platform/render/text_codes.h"

namespace render {

namespace {

constexpr int kMaxDepth = 16;
// Entities drawn through block references, all together: blocks that each insert the next
// one twice double the work per level, and past this the picture would outgrow memory.
constexpr std::size_t kMaxExpanded = 1'000'000;
constexpr double kDegree = std::numbers::pi / 180;

// What an entity inherits from the block reference it is drawn through.
struct Context {
  geom::Matrix3d m;
  double scale = 1;   // length scale of m in the plane
  int colour = 7;     // resolved colour of the reference (for "by block")
  std::string layer;  // layer of the reference (entities on layer "0" take it)
  std::string linetype = "Continuous";
  int depth = 0;
};

class Renderer {
 public:
  Renderer(const cad::Database& db, double tolerance, Picture& out, RenderReport* report)
      : db_(db), tolerance_(tolerance), out_(out), report_(report) {}

  void Entity(const cad::Entity& e, const Context& ctx);

 private:
  const cad::Layer* LayerOf(const std::string& name) const {
    const auto open = db_.openForRead<cad::Layer>(db_.layers().getIdAt(name));
    return open ? open.get() : nullptr;
  }
  std::string EffectiveLayer(const cad::Entity& e, const Context& ctx) const {
    return e.layer() == "0" && ctx.depth > 0 ? ctx.layer : e.layer();
  }
  int Colour(const cad::Entity& e, const Context& ctx) const {
    if (e.colour() == cad::kColourByBlock) return ctx.depth > 0 ? ctx.colour : 7;
    if (e.colour() != cad::kColourByLayer) return e.colour();
    const cad::Layer* layer = LayerOf(EffectiveLayer(e, ctx));
    return layer ? layer->colour() : 7;
  }
  std::string Linetype(const cad::Entity& e, const Context& ctx) const {
    const std::string name = cad::foldName(e.linetype());
    if (name == "BYBLOCK") return ctx.linetype;
    if (name == "BYLAYER") {
      const cad::Layer* layer = LayerOf(EffectiveLayer(e, ctx));
      return layer ? layer->linetype() : "Continuous";
    }
    return e.linetype();
  }
  std::vector<double> Dashes(const cad::Entity& e, const Context& ctx) const {
    const auto open = db_.openForRead<cad::Linetype>(db_.linetypes().getIdAt(Linetype(e, ctx)));
    if (!open || open->pattern().empty()) return {};
    std::vector<double> dashes;
    for (double d : open->pattern()) dashes.push_back(std::fabs(d) * e.linetypeScale() * ctx.scale);
    if (dashes.size() % 2 == 1) dashes.push_back(dashes.back());
    return dashes;
  }

  void Curve(const cad::Entity& e, const geom::Curve& c, const Context& ctx, double width = 0);
  void Polyline(const cad::LwPolyline& p, const Context& ctx);
  void Text(const cad::Text& t, const Context& ctx);
  void Insert(const cad::BlockReference& r, const Context& ctx);
  void Skip(const std::string& kind) {
    if (report_) ++report_->skipped[kind];
  }

  const cad::Database& db_;
  double tolerance_;
  Picture& out_;
  RenderReport* report_;
  std::size_t expanded_ = 0;
};

void Renderer::Curve(const cad::Entity& e, const geom::Curve& c, const Context& ctx, double width) {
  const geom::Curve world = ctx.depth == 0 ? c : geom::transformed(c, ctx.m);
  Path path;
  path.points = tessellate(world, tolerance_);
  if (path.points.empty()) return;
  path.width = width * ctx.scale;
  path.colour = aciColour(Colour(e, ctx));
  path.dashes = Dashes(e, ctx);
  out_.items.push_back(std::move(path));
}

void Renderer::Polyline(const cad::LwPolyline& p, const Context& ctx) {
  const std::size_t segments = p.segmentCount();
  std::optional<double> common = p.constantWidth();
  bool uniform = true;
  if (p.hasWidths()) {
    const cad::SegmentWidths first = p.widthsAt(0);
    common = first.start;
    for (std::size_t i = 0; i < segments && uniform; ++i) {
      const cad::SegmentWidths w = p.widthsAt(i);
      uniform = w.start == first.start && w.end == first.start;
    }
  }
  if (uniform) {
    Curve(p, p.curve(), ctx, common.value_or(0));
    return;
  }
  // Varying widths: each segment with the mean of its two widths.
  for (std::size_t i = 0; i < segments; ++i) {
    const cad::SegmentWidths w = p.widthsAt(i);
    Curve(p, p.segmentCurve(i), ctx, (w.start + w.end) / 2);
  }
}

HAlign horizontalOf(int mode) {
  switch (mode) {
    case cad::Text::kCentre:
    case cad::Text::kMiddle:
      return HAlign::Centre;
    case cad::Text::kRight:
      return HAlign::Right;
    default:
      return HAlign::Left;
  }
}

VAlign verticalOf(int horizontal, int vertical) {
  if (horizontal == cad::Text::kMiddle) return VAlign::Middle;
  switch (vertical) {
    case cad::Text::kBottom:
      return VAlign::Bottom;
    case cad::Text::kMiddleV:
      return VAlign::Middle;
    case cad::Text::kTop:
      return VAlign::Top;
    default:
      return VAlign::Baseline;
  }
}

void Renderer::Text(const cad::Text& t, const Context& ctx) {
  const cad::Ocs ocs(t.extrusion().normal);
  const int hm = t.horizontalMode(), vm = t.verticalMode();
  const bool aligned = hm == cad::Text::kAligned || hm == cad::Text::kFit;
  const bool useAlignment = t.alignmentPoint() && (hm != 0 || vm != 0) && !aligned;
  geom::Point3d anchor = ocs.toWorld(useAlignment ? *t.alignmentPoint() : t.position());
  double rotation = t.rotationDegrees() * kDegree;
  if (aligned && t.alignmentPoint()) {
    const geom::Vector2d d = t.alignmentPoint()->xy() - t.position().xy();
    if (d.length() > 0) rotation = std::atan2(d.y, d.x);
  }
  double height = t.height();
  if (ctx.depth > 0) {
    anchor = ctx.m.apply(anchor);
    const geom::Vector3d xAxis = ctx.m.applyVector({std::cos(rotation), std::sin(rotation), 0});
    rotation = std::atan2(xAxis.y, xAxis.x);
    height *= ctx.scale;
  }
  Label label;
  label.anchor = anchor.xy();
  label.text = resolveTextCodes(t.value());
  label.height = height;
  label.rotation = rotation;
  label.widthFactor = t.widthFactor() > 0 ? t.widthFactor() : 1.0;
  label.h = aligned ? HAlign::Left : horizontalOf(hm);
  label.v = aligned ? VAlign::Baseline : verticalOf(hm, vm);
  label.colour = aciColour(Colour(t, ctx));
  if (const auto style = db_.openForRead<cad::TextStyle>(db_.textStyles().getIdAt(t.style()))) {
    label.typeface = style->typeface();
    label.bold = style->isBold();
    label.italic = style->isItalic();
    // A TrueType file names its face closely enough ("simsun.ttf"); shape fonts have no face.
    const std::string& file = style->fontFile();
    const auto dot = file.rfind('.');
    if (label.typeface.empty() && dot != std::string::npos) {
      const std::string ext = cad::foldName(file.substr(dot + 1));
      if (ext == "TTF" || ext == "TTC" || ext == "OTF") label.typeface = file.substr(0, dot);
    }
  }
  out_.items.push_back(std::move(label));
}

geom::Matrix3d blockMatrix(const cad::BlockReference& r, geom::Point3d base) {
  // Scale, then rotate about the insertion point, then the reference's plane.
  geom::Matrix3d m;
  const geom::Vector3d s = r.scale();
  const double a = r.rotationDegrees() * kDegree, c = std::cos(a), sn = std::sin(a);
  const geom::Point3d p = r.position();
  const double local[3][4] = {{s.x * c, -s.y * sn, 0, p.x - base.x * s.x * c + base.y * s.y * sn},
                              {s.x * sn, s.y * c, 0, p.y - base.x * s.x * sn - base.y * s.y * c},
                              {0, 0, s.z, p.z - base.z * s.z}};
  const cad::Ocs ocs(r.extrusion().normal);
  const geom::Vector3d ax = ocs.xAxis(), ay = ocs.yAxis(), az = ocs.zAxis();
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 4; ++col) {
      const double axis[3] = {row == 0   ? ax.x
                              : row == 1 ? ax.y
                                         : ax.z,
                              row == 0   ? ay.x
                              : row == 1 ? ay.y
                                         : ay.z,
                              row == 0   ? az.x
                              : row == 1 ? az.y
                                         : az.z};
      m.m[row][col] = axis[0] * local[0][col] + axis[1] * local[1][col] + axis[2] * local[2][col];
    }
  }
  return m;
}

void Renderer::Insert(const cad::BlockReference& r, const Context& ctx) {
  if (ctx.depth >= kMaxDepth) {
    Skip("block references (nested too deep)");
    return;
  }
  const auto block = db_.openForRead<cad::BlockRecord>(db_.blocks().getIdAt(r.blockName()));
  if (!block) return;
  Context inner;
  inner.m = ctx.m * blockMatrix(r, block->basePoint());
  inner.scale = std::sqrt(std::fabs(inner.m.planDeterminant()));
  inner.colour = Colour(r, ctx);
  inner.layer = EffectiveLayer(r, ctx);
  inner.linetype = Linetype(r, ctx);
  inner.depth = ctx.depth + 1;
  const cad::ObjectId id = block->id();
  db_.forEachEntity(id, [&](const cad::Entity& e) {
    if (++expanded_ > kMaxExpanded) {
      Skip("block entities (past the limit of expansion)");
      return true;
    }
    Entity(e, inner);
    return true;
  });
}

void Renderer::Entity(const cad::Entity& e, const Context& ctx) {
  if (ctx.depth > 0) {
    const cad::Layer* layer = LayerOf(EffectiveLayer(e, ctx));
    if (layer && (layer->isOff() || layer->isFrozen())) return;
  }
  if (const auto* p = cad::objectCast<cad::LwPolyline>(&e)) {
    Polyline(*p, ctx);
  } else if (const auto* p2 = cad::objectCast<cad::Polyline2d>(&e)) {
    Curve(e, p2->curve(), ctx, p2->defaultWidths().start);
  } else if (const auto* c = cad::objectCast<cad::CurveEntity>(&e)) {
    Curve(e, c->curve(), ctx);
  } else if (const auto* t = cad::objectCast<cad::Text>(&e)) {
    Text(*t, ctx);
  } else if (const auto* r = cad::objectCast<cad::BlockReference>(&e)) {
    Insert(*r, ctx);
  } else if (const auto* o = cad::objectCast<cad::OpaqueEntity>(&e)) {
    Skip(o->typeName());
  } else {
    Skip("POINT");
  }
}

bool onListedLayer(const std::string& layer, const std::vector<std::string>& layers) {
  const std::string folded = cad::foldName(layer);
  return std::any_of(layers.begin(), layers.end(),
                     [&](const std::string& l) { return cad::foldName(l) == folded; });
}

}  // namespace

Picture renderEntity(const cad::Database& db, const cad::Entity& e, double tolerance,
                     RenderReport* report) {
  Picture picture;
  Renderer renderer(db, tolerance > 0 ? tolerance : 1e-9, picture, report);
  renderer.Entity(e, Context{});
  return picture;
}

Picture renderModelSpace(const cad::Database& db, const RenderOptions& options,
                         RenderReport* report) {
  std::vector<const cad::Entity*> chosen;
  geom::Extents2d drawn;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    if (!options.layers.empty()) {
      if (!onListedLayer(e.layer(), options.layers)) return true;
    } else {
      const auto layer = db.openForRead<cad::Layer>(db.layers().getIdAt(e.layer()));
      if (layer && (layer->isOff() || layer->isFrozen())) return true;
    }
    const geom::Extents2d box = db.modelExtents().of(e.id()).xy();
    if (options.window && !box.empty() && !box.intersects(*options.window)) return true;
    if (!box.empty()) drawn.add(box);
    chosen.push_back(&e);
    return true;
  });
  double tolerance = options.tolerance;
  if (!(tolerance > 0)) {
    const geom::Extents2d span = options.window.value_or(drawn);
    const double size =
        span.empty() ? 1.0 : std::max(span.max.x - span.min.x, span.max.y - span.min.y);
    tolerance = std::max(size, 1e-9) / 4000;
  }
  Picture picture;
  Renderer renderer(db, tolerance, picture, report);
  for (const cad::Entity* e : chosen) {
    renderer.Entity(*e, Context{});
    if (report) ++report->entities;
  }
  return picture;
}

}  // namespace render
