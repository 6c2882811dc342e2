#include "platform/host/host_core.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "platform/cad/crossing.h"
#include "platform/cad/database.h"
#include "platform/cad/entity.h"
#include "platform/cad/queries.h"
#include "platform/geom/plan_distance.h"
#include "platform/geom/tolerance.h"
#include "platform/host/command_line.h"
#include "platform/host/command_stack.h"
#include "platform/host/module_loader.h"
#include "platform/host/system_variables.h"
#include "platform/win/registry.h"

namespace host {
namespace {

bool finite(geom::Point2d p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool isTranslation(const geom::Matrix3d& m) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (m.m[i][j] != (i == j ? 1.0 : 0.0)) return false;
    }
  }
  return true;
}

}  // namespace

Status fromCad(cad::Status s) {
  switch (s) {
    case cad::Status::Ok:
      return Status::Normal;
    case cad::Status::NotSupported:
      return Status::NotSupported;
    case cad::Status::OnLockedLayer:
      return Status::Locked;
    case cad::Status::KeyNotFound:
    case cad::Status::NullObjectId:
    case cad::Status::WasErased:
      return Status::NotFound;
    default:
      return Status::Error;
  }
}

bool isVisible(const cad::Database& db, cad::ObjectId id) {
  auto entity = db.openForRead<cad::Entity>(id);
  if (!entity) return false;
  auto layer = db.openForRead<cad::Layer>(db.layers().getIdAt(entity->layer()));
  return !layer || (!layer->isOff() && !layer->isFrozen());
}

double pickAperture(const SystemVariables& variables, double pixelSize) {
  int pickbox = 3;
  auto v = variables.getVariable("PICKBOX");
  if (v.ok() && std::holds_alternative<int>(v.value())) pickbox = std::get<int>(v.value());
  return std::max(pickbox, 1) * pixelSize;
}

cad::ObjectId entityAt(const cad::Database& db, geom::Point2d p, double aperture) {
  if (!finite(p) || !(aperture >= 0)) return {};
  geom::Extents2d box{{p.x - aperture, p.y - aperture}, {p.x + aperture, p.y + aperture}};
  std::vector<cad::ObjectId> candidates;
  db.modelIndex().query(box, [&](cad::ObjectId id, int) {
    candidates.push_back(id);
    return true;
  });
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  cad::ObjectId best;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (cad::ObjectId id : candidates) {
    if (!isVisible(db, id)) continue;
    auto entity = db.openForRead<cad::Entity>(id);
    if (!entity) continue;
    double d;
    if (auto curve = cad::objectCast<cad::CurveEntity>(entity.get())) {
      d = geom::planDistance(p, curve->curve());
    } else {
      d = geom::planDistance(p, db.modelExtents().of(id).xy());
    }
    if (d <= aperture && (d < bestDistance || (d == bestDistance && id > best))) {
      best = id;
      bestDistance = d;
    }
  }
  return best;
}

Status selectInPolygon(const cad::Database& db, std::span<const geom::Point2d> polygon, bool window,
                       SelectionSet& out) {
  out.free();
  if (polygon.size() < 3) return Status::InvalidInput;
  for (geom::Point2d p : polygon) {
    if (!finite(p)) return Status::InvalidInput;
  }
  std::vector<cad::ObjectId> ids =
      window ? cad::selectWindow(db, polygon) : cad::selectCrossing(db, polygon);
  // The database names each entity once; contours share a few layers, so the last layer's
  // answer is kept.
  std::string lastLayer;
  bool lastVisible = false, known = false;
  std::erase_if(ids, [&](cad::ObjectId id) {
    auto entity = db.openForRead<cad::Entity>(id);
    if (!entity) return true;
    if (!known || entity->layer() != lastLayer) {
      lastLayer = entity->layer();
      entity.close();
      lastVisible = isVisible(db, id);
      known = true;
    }
    return !lastVisible;
  });
  out.assignDistinct(std::move(ids));
  return out.empty() ? Status::None : Status::Normal;
}

CrossingBatch::CrossingBatch(const cad::Database& db) : db_(db) {}
CrossingBatch::~CrossingBatch() = default;

void CrossingBatch::prepare(std::span<const geom::BulgeArc> curves) {
  near_.reset();
  cuts_.clear();
  cuts_.reserve(curves.size());
  for (const geom::BulgeArc& c : curves) cuts_.emplace_back(c);
  near_ = std::make_unique<cad::NearSegments>(db_, cuts_);
}

Status CrossingBatch::setPolygon(std::span<const geom::Point2d> polygon) {
  candidates_.clear();
  polygon_.reset();
  if (polygon.size() < 3) return Status::InvalidInput;
  for (geom::Point2d p : polygon) {
    if (!finite(p)) return Status::InvalidInput;
  }
  polygon_ = std::make_unique<cad::detail::SelectionPolygon>(polygon);
  return Status::Normal;
}

Status CrossingBatch::reset(std::span<const geom::Point2d> polygon, std::size_t curve) {
  if (const Status s = setPolygon(polygon); s != Status::Normal) return s;
  if (!near_ || curve >= cuts_.size()) return Status::InvalidInput;
  near_->near(curve, curves_);
  for (const cad::NearSegments::Curve& c : curves_)
    candidates_.push_back({c.id, c.ranges, c.entity});
  return candidates_.empty() ? Status::None : Status::Normal;
}

Status CrossingBatch::reset(std::span<const geom::Point2d> polygon, const geom::Cutter& cut) {
  if (const Status s = setPolygon(polygon); s != Status::Normal) return s;
  // Not prepared for: the entities with a part near the polygon's box and one the cut may
  // meet (a run within its reach that it is not clear of), cut whole.
  static constexpr geom::SegmentRange kWhole{0, std::numeric_limits<int>::max()};
  const geom::Extents2d polygonBox = polygon_->box();
  const geom::Extents2d reach = cad::cutReach(cut);
  geom::Extents2d query = polygonBox;
  query.add(reach);
  parts_.clear();
  db_.modelIndex().query(query, parts_);
  std::sort(parts_.begin(), parts_.end(),
            [](const cad::IndexEntry& a, const cad::IndexEntry& b) { return a.id < b.id; });
  for (std::size_t i = 0; i < parts_.size();) {
    bool nearPolygon = false, nearCut = false;
    std::size_t j = i;
    for (; j < parts_.size() && parts_[j].id == parts_[i].id; ++j) {
      const geom::Extents2d& b = parts_[j].box;
      nearPolygon = nearPolygon || b.intersects(polygonBox);
      nearCut = nearCut || (b.intersects(reach) && !cut.clearOf(b));
    }
    if (nearPolygon && nearCut) candidates_.push_back({parts_[i].id, {&kWhole, 1}, nullptr});
    i = j;
  }
  return candidates_.empty() ? Status::None : Status::Normal;
}

bool CrossingBatch::takes(const Candidate& c, const cad::Entity& e, int hitSegment,
                          std::optional<geom::Point2d> metAt) {
  if (!polygon_ || e.id() != c.id) return false;
  const std::string& layer = e.layer();
  auto known =
      std::find_if(layers_.begin(), layers_.end(), [&](const auto& l) { return l.first == layer; });
  if (known == layers_.end()) {
    layers_.emplace_back(layer, isVisible(db_, c.id));
    known = layers_.end() - 1;
  }
  if (!known->second) return false;
  // A curve with a point inside the polygon, clear of its boundary, is selected: either
  // that part of it starts inside or it crosses the boundary on the way in.
  if (metAt && polygon_->surelyInside(*metAt)) return true;
  return cad::crossingSelects(db_, e, *polygon_, hitSegment);
}

Status transformSelection(cad::Database& db, const SelectionSet& set,
                          const geom::Matrix3d& transform) {
  // The database moves entities but does not rotate or scale them.
  if (!isTranslation(transform)) return Status::NotSupported;
  geom::Vector3d offset{transform.m[0][3], transform.m[1][3], transform.m[2][3]};
  std::vector<cad::Opened<cad::Entity>> opened;
  opened.reserve(set.length());
  for (cad::ObjectId id : set.ids()) {
    auto entity = db.openForWrite<cad::Entity>(id);
    if (!entity) return fromCad(entity.status());
    // Some kinds (an entity the database keeps only as the file's record) refuse to move;
    // a trial on a copy finds them before any member has moved.
    std::unique_ptr<cad::Object> copy = entity->clone();
    if (cad::Status s = static_cast<cad::Entity&>(*copy).translate(offset); !cad::ok(s)) {
      return fromCad(s);
    }
    opened.push_back(std::move(entity));
  }
  for (auto& entity : opened) {
    if (cad::Status s = entity->translate(offset); !cad::ok(s)) return fromCad(s);
  }
  return Status::Normal;
}

Status typeCommand(CommandStack& commands, CommandLine& commandLine, std::string_view name) {
  Status s = commands.runCommand(name);
  if (s == Status::NotFound) {
    commandLine.print("\nUnknown command \"" + std::string(name) + "\".\n");
  } else if (s == Status::Rejected) {
    commandLine.print("\nThe command \"" + std::string(name) + "\" cannot run now.\n");
  }
  commandLine.postPrompt();
  return s;
}

std::string macroCommand(std::string_view text) {
  while (text.starts_with("^C") || text.starts_with("^c")) text.remove_prefix(2);
  std::size_t end = text.find_first_of(" \n;");
  return std::string(text.substr(0, end));
}

std::vector<StartupModule> startupModules(win::Registry& registry, std::string_view productRoot) {
  constexpr std::uint32_t kLoadOnStartup = 2;
  std::vector<StartupModule> out;
  win::RegKey apps;
  std::string root = std::string(productRoot) + "\\Applications";
  if (registry.openKey(root, apps) != win::RegStatus::Success) return out;
  std::vector<std::string> names;
  apps.subKeyNames(names);
  for (const std::string& name : names) {
    win::RegKey app;
    if (apps.openSubKey(name, app) != win::RegStatus::Success) continue;
    auto controls = app.queryDword("LOADCTRLS");
    auto loader = app.queryString("LOADER");
    if (!controls || (*controls & kLoadOnStartup) == 0 || !loader || loader->empty()) continue;
    out.push_back({name, *loader});
  }
  return out;
}

int loadStartupModules(win::Registry* registry, std::string_view productRoot, ModuleLoader& loader,
                       CommandLine& commandLine,
                       const std::function<bool(const std::string& file)>& allowUntrusted) {
  if (registry == nullptr) return 0;
  int loaded = 0;
  for (const StartupModule& m : startupModules(*registry, productRoot)) {
    LoadOptions options;
    if (!loader.trusts(m.file) && allowUntrusted)
      options.allowUntrustedFolder = allowUntrusted(m.file);
    ModuleResult r = loader.loadModule(m.file, options);
    if (r.ok()) {
      ++loaded;
    } else {
      commandLine.print("\nThe application " + m.name + " was not loaded: " + r.reason + "\n");
    }
  }
  return loaded;
}

}  // namespace host
