#include "cli/section_line.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <variant>

#include "cli/options.h"
#include "platform/cad/handle_text.h"
#include "platform/cad/polylines.h"
#include "platform/cad/simple_entities.h"
#include "platform/geom/measure.h"
#include "ruvo/section/get_data.h"
#include "ruvo/section/point_list.h"

namespace cli {
namespace {

using host::headless::ScriptAnswer;

std::optional<std::uint64_t> ParseHandle(std::string_view text) {
  const auto value = cad::parseHandle(text);
  if (!value || *value == 0) return std::nullopt;
  return value;
}

std::optional<geom::Point3d> ParsePoint(std::string_view text) {
  const auto xy = ParseNumberList(text, 2);
  if (!xy) return std::nullopt;
  return geom::Point3d{(*xy)[0], (*xy)[1], 0.0};
}

double LwPolylineLength(const cad::LwPolyline& pline) {
  const std::size_t n = pline.vertexCount();
  double length = 0.0;
  auto point = [&](std::size_t i) {
    const geom::Point2d p = pline.pointAt(i % n);
    return geom::Point3d{p.x, p.y, 0.0};
  };
  const std::size_t steps = pline.isClosed() ? n : (n == 0 ? 0 : n - 1);
  for (std::size_t i = 0; i < steps; ++i) {
    const double bulge = pline.bulgeAt(i);
    length += std::fabs(bulge) > ruvo::kBulgeTolerance
                  ? ruvo::ArcLength(point(i), point(i + 1), bulge)
                  : ruvo::PlanDistance(point(i), point(i + 1));
  }
  return length;
}

// The plan length of an old-style polyline's curve (a 3-D one measured in plan).
double PlanLength(const geom::Curve& curve) {
  if (const auto* p = std::get_if<geom::Polyline3d>(&curve)) {
    double length = 0.0;
    const std::size_t n = p->vertices.size();
    for (std::size_t i = 0; i + 1 < n + (p->closed && n > 1 ? 1 : 0); ++i) {
      const geom::Point3d a = p->vertices[i], b = p->vertices[(i + 1) % n];
      length += std::hypot(b.x - a.x, b.y - a.y);
    }
    return length;
  }
  return geom::length(curve);
}

}  // namespace

void AddLineOptions(CLI::App& sub, LineOptions& o) {
  sub.add_option("--line", o.handle,
                 "the section line by its handle (hex; `ruvo lines DRAWING` lists them)")
      ->type_name("HANDLE");
  sub.add_option("--pick", o.pick, "pick the section line at a point, as a click would")
      ->type_name("X,Y");
  sub.add_option("--from", o.from, "cut along the straight line from this point ...")
      ->type_name("X,Y");
  sub.add_option("--to", o.to, "... to this one (both needed)")->type_name("X,Y");
}

std::optional<LineInfo> DescribeLine(const cad::Database& db, cad::ObjectId id) {
  auto entity = db.openForRead<cad::Entity>(id);
  if (!entity) return std::nullopt;
  LineInfo info;
  info.id = id;
  info.handle = HandleText(id);
  info.type = DxfTypeName(db, id);
  info.layer = entity->layer();
  if (auto* line = cad::objectCast<cad::Line>(entity.get())) {
    info.vertices = 2;
    info.length = ruvo::PlanDistance(line->start(), line->end());
  } else if (auto* pline = cad::objectCast<cad::LwPolyline>(entity.get())) {
    info.vertices = pline->vertexCount();
    info.length = LwPolylineLength(*pline);
    if (info.vertices < 2) info.unusable = "a polyline with fewer than two vertices";
  } else if (auto* old = cad::objectCast<cad::OldPolyline>(entity.get())) {
    // listed with what it is, though it cannot serve
    const geom::Curve curve = old->curve();
    if (const auto* p = std::get_if<geom::Polyline2d>(&curve)) {
      info.vertices = p->vertices.size();
    } else if (const auto* p3 = std::get_if<geom::Polyline3d>(&curve)) {
      info.vertices = p3->vertices.size();
    }
    info.length = PlanLength(curve);
    info.unusable = cad::objectCast<cad::Polyline2d>(old) != nullptr
                        ? "an old-style polyline (POLYLINE); convert it to a lightweight polyline"
                        : "a 3D polyline; a section line is a LINE or an LWPOLYLINE";
  } else {
    return std::nullopt;
  }
  if (info.unusable.empty() && !(info.length > 0.0)) info.unusable = "it has zero length";
  return info;
}

std::vector<LineInfo> CandidateLines(const cad::Database& db) {
  std::vector<LineInfo> lines;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    if (auto info = DescribeLine(db, e.id())) lines.push_back(std::move(*info));
    return true;
  });
  return lines;
}

LineChoice LineChoice::Make(Session& session, const LineOptions& o) {
  LineChoice c;
  auto refuse = [&](std::string why, bool usage) {
    c.error_ = std::move(why);
    c.usage_ = usage;
    return c;
  };
  const int ways = !o.handle.empty() + !o.pick.empty() + (!o.from.empty() || !o.to.empty());
  if (ways != 1)
    return refuse("give the section line with one of --line, --pick, --from/--to", true);
  const cad::Database& db = session.document().database();
  if (!o.handle.empty()) {
    const auto handle = ParseHandle(o.handle);
    if (!handle) return refuse("--line needs a hex handle, not '" + o.handle + "'", true);
    const cad::ObjectId id(*handle);
    const bool inModelSpace = [&] {
      auto entity = db.openForRead<cad::Entity>(id);
      return entity && entity->owner() == db.modelSpaceId();
    }();
    if (!inModelSpace) {
      return refuse("no entity of the model space has the handle " + HandleText(id) +
                        " (ruvo lines DRAWING lists the section lines)",
                    false);
    }
    const auto info = DescribeLine(db, id);
    if (!info) {
      return refuse(HandleText(id) + " is a " + DxfTypeName(db, id) +
                        "; a section line is a LINE or an LWPOLYLINE",
                    false);
    }
    if (!info->unusable.empty()) {
      return refuse("the " + info->type + " " + info->handle +
                        " is no usable section line: " + info->unusable,
                    false);
    }
    c.answer_ = ScriptAnswer::pickHandle(*handle);
    return c;
  }
  if (!o.pick.empty()) {
    const auto at = ParsePoint(o.pick);
    if (!at) return refuse("--pick needs X,Y, not '" + o.pick + "'", true);
    c.answer_ = ScriptAnswer::pickAt(*at);
    return c;
  }
  const auto from = ParsePoint(o.from), to = ParsePoint(o.to);
  if (!from || !to) return refuse("--from and --to each need X,Y", true);
  // Beyond this no drawing holds a surveyed point to the millimetre, and the section's
  // distances would overflow.
  constexpr double kFarthest = 1e15;
  for (const geom::Point3d& p : {*from, *to}) {
    if (std::fabs(p.x) > kFarthest || std::fabs(p.y) > kFarthest)
      return refuse("--from and --to must lie within 1e15 of the origin", true);
  }
  if (!(ruvo::PlanDistance(*from, *to) > 0.0)) {
    return refuse("the section line from --from to --to has zero length", true);
  }
  auto added =
      session.document().database().appendToModelSpace(std::make_unique<cad::Line>(*from, *to));
  if (!added.ok()) return refuse("the straight section line could not be added", false);
  c.added_ = added.value();
  c.answer_ = ScriptAnswer::pickHandle(c.added_.handle());
  return c;
}

void LineChoice::Push(Session& session) const {
  if (answer_) session.host().script().push(*answer_);
}

void LineChoice::Finish(Session& session) {
  if (added_.isNull()) return;
  session.document().database().erase(added_);
  added_ = {};
}

}  // namespace cli
