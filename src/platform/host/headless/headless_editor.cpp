#include "platform/host/headless/headless_editor.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/cad/database.h"
#include "platform/cad/entity.h"
#include "platform/host/headless/plan_distance.h"

namespace host::headless {
namespace {

using Kind = ScriptAnswer::Kind;

bool finite(geom::Point2d p) { return std::isfinite(p.x) && std::isfinite(p.y); }

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

bool isTranslation(const geom::Matrix3d& m) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (m.m[i][j] != (i == j ? 1.0 : 0.0)) return false;
    }
  }
  return true;
}

}  // namespace

HeadlessEditor::HeadlessEditor(InputScript& script, CommandLine& commandLine,
                               DocumentManager& documents, const HeadlessDisplay& display,
                               const SystemVariables& variables)
    : script_(script),
      commandLine_(commandLine),
      documents_(documents),
      display_(display),
      variables_(variables) {}

cad::Database* HeadlessEditor::database() const {
  Document* doc = documents_.curDocument();
  return doc != nullptr ? &doc->database() : nullptr;
}

Status HeadlessEditor::setInputOptions(int flags) {
  if (flags < 0) return Status::InvalidInput;
  flags_ = flags;
  return Status::Normal;
}

std::optional<ScriptAnswer> HeadlessEditor::nextAnswer(std::string_view prompt) {
  commandLine_.print(prompt);
  int flags = flags_;
  flags_ = 0;  // options hold for one request only
  while (true) {
    auto answer = script_.next();
    if (answer && answer->kind == Kind::Nothing && (flags & kInputNoNull) != 0) {
      commandLine_.print("\nAn input is required.\n");
      commandLine_.print(prompt);
      continue;
    }
    return answer;
  }
}

void HeadlessEditor::mismatch(const ScriptAnswer& answer, std::string_view request) {
  std::string text = "\nscript: \"" + describe(answer) + "\" does not answer a request for ";
  text.append(request).append("\n");
  commandLine_.print(text);
}

double HeadlessEditor::aperture() const {
  int pickbox = 3;
  auto v = variables_.getVariable("PICKBOX");
  if (v.ok() && std::holds_alternative<int>(v.value)) pickbox = std::get<int>(v.value);
  if (pickbox < 1) pickbox = 1;
  return pickbox * display_.pixelSize();
}

bool HeadlessEditor::visible(const cad::Database& db, cad::ObjectId id) const {
  auto entity = db.openForRead<cad::Entity>(id);
  if (!entity) return false;
  auto layer = db.openForRead<cad::Layer>(db.layers().getIdAt(entity->layer()));
  // An entity on a layer the table does not know is drawn (on the default settings).
  return !layer || (!layer->isOff() && !layer->isFrozen());
}

cad::ObjectId HeadlessEditor::entityAt(geom::Point2d p) const {
  cad::Database* db = database();
  if (db == nullptr || !finite(p)) return {};
  double a = aperture();
  geom::Extents2d box{{p.x - a, p.y - a}, {p.x + a, p.y + a}};
  std::vector<cad::ObjectId> candidates;
  db->queryBox(box, [&](cad::ObjectId id, int) {
    candidates.push_back(id);
    return true;
  });
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  cad::ObjectId best;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (cad::ObjectId id : candidates) {
    if (!visible(*db, id)) continue;
    auto entity = db->openForRead<cad::Entity>(id);
    if (!entity) continue;
    double d;
    if (auto curve = cad::objectCast<cad::CurveEntity>(entity.get())) {
      d = planDistance(p, curve->curve());
    } else {
      d = planDistance(p, db->extentsOf(id).xy());
    }
    // On a tie the newer entity wins: it is drawn on top.
    if (d <= a && (d < bestDistance || (d == bestDistance && id > best))) {
      best = id;
      bestDistance = d;
    }
  }
  return best;
}

PickResult HeadlessEditor::pickEntity(std::string_view prompt) {
  cad::Database* db = database();
  if (db == nullptr) return {Status::Error, {}, {}};
  auto answer = nextAnswer(prompt);
  if (!answer || answer->kind == Kind::Cancel) return {Status::Cancel, {}, {}};
  switch (answer->kind) {
    case Kind::Nothing:
      return {Status::None, {}, {}};
    case Kind::PickHandle: {
      cad::ObjectId id(answer->handle);
      if (!db->openForRead<cad::Entity>(id) || !visible(*db, id)) {
        commandLine_.print("\nscript: no visible entity has the handle " +
                           describe(*answer).substr(5) + "\n");
        return {Status::Error, {}, {}};
      }
      geom::Point3d at;
      auto entity = db->openForRead<cad::Entity>(id);
      auto curve = cad::objectCast<cad::CurveEntity>(entity.get());
      if (auto start = curve != nullptr ? curve->startPoint() : std::nullopt) {
        at = *start;
      } else if (auto e = db->extentsOf(id); !e.empty()) {
        at = geom::Point3d{(e.min.x + e.max.x) / 2, (e.min.y + e.max.y) / 2, e.min.z};
      }
      return {Status::Normal, id, at};
    }
    case Kind::PickAt:
    case Kind::Point: {
      cad::ObjectId id = entityAt(answer->point.xy());
      if (id.isNull()) return {Status::None, {}, answer->point};
      return {Status::Normal, id, answer->point};
    }
    default:
      mismatch(*answer, "an entity");
      return {Status::Error, {}, {}};
  }
}

PointResult HeadlessEditor::getPoint(std::string_view prompt, std::optional<geom::Point3d>) {
  auto answer = nextAnswer(prompt);
  if (!answer || answer->kind == Kind::Cancel) return {Status::Cancel, {}};
  switch (answer->kind) {
    case Kind::Nothing:
      return {Status::None, {}};
    case Kind::Point:
    case Kind::PickAt:
      return {Status::Normal, answer->point};
    default:
      mismatch(*answer, "a point");
      return {Status::Error, {}};
  }
}

Status HeadlessEditor::select(std::span<const geom::Point2d> polygon, bool window,
                              SelectionSet& out) {
  out.free();
  cad::Database* db = database();
  if (db == nullptr) return Status::Error;
  if (polygon.size() < 3) return Status::InvalidInput;
  for (geom::Point2d p : polygon) {
    if (!finite(p)) return Status::InvalidInput;
  }
  std::vector<cad::ObjectId> ids = window ? db->selectWindow(polygon) : db->selectCrossing(polygon);
  // The database names each entity once; contours share a few layers, so the last layer's
  // answer is kept.
  std::string lastLayer;
  bool lastVisible = false, known = false;
  std::erase_if(ids, [&](cad::ObjectId id) {
    auto entity = db->openForRead<cad::Entity>(id);
    if (!entity) return true;
    if (!known || entity->layer() != lastLayer) {
      lastLayer = entity->layer();
      entity.close();
      lastVisible = visible(*db, id);
      known = true;
    }
    return !lastVisible;
  });
  out.assignDistinct(std::move(ids));
  return out.empty() ? Status::None : Status::Normal;
}

Status HeadlessEditor::selectCrossingPolygon(std::span<const geom::Point2d> corners,
                                             SelectionSet& out) {
  return select(corners, false, out);
}

Status HeadlessEditor::selectWindow(geom::Point2d c1, geom::Point2d c2, SelectionSet& out) {
  geom::Point2d corners[4] = {c1, {c2.x, c1.y}, c2, {c1.x, c2.y}};
  return select(corners, true, out);
}

Status HeadlessEditor::transformSelectionSet(const SelectionSet& set,
                                             const geom::Matrix3d& transform) {
  cad::Database* db = database();
  if (db == nullptr) return Status::Error;
  // The database moves entities but does not rotate or scale them.
  if (!isTranslation(transform)) return Status::NotSupported;
  geom::Vector3d offset{transform.m[0][3], transform.m[1][3], transform.m[2][3]};
  // Open every member first, so that a member that cannot be changed leaves all unchanged.
  std::vector<cad::Opened<cad::Entity>> opened;
  opened.reserve(set.length());
  for (cad::ObjectId id : set.ids()) {
    auto entity = db->openForWrite<cad::Entity>(id);
    if (!entity) return fromCad(entity.status());
    opened.push_back(std::move(entity));
  }
  for (auto& entity : opened) {
    if (cad::Status s = entity->translate(offset); !cad::ok(s)) return fromCad(s);
  }
  return Status::Normal;
}

DragResult HeadlessEditor::dragSelectionSet(const SelectionSet& set, std::string_view prompt,
                                            const DragCallback& callback) {
  if (database() == nullptr || set.empty() || !callback) return {Status::Error, {}, {}};
  auto answer = nextAnswer(prompt);
  if (!answer || answer->kind == Kind::Cancel || answer->kind == Kind::DragCancel) {
    return {Status::Cancel, {}, {}};
  }
  switch (answer->kind) {
    case Kind::Nothing:
      return {Status::None, {}, {}};
    case Kind::DragTo:
    case Kind::Point:
    case Kind::PickAt: {
      DragResult result{Status::Normal, answer->point, geom::Matrix3d{}};
      // A callback that refuses the point leaves the last transform it accepted (none here).
      geom::Matrix3d t;
      if (callback(answer->point, t) == Status::Normal) result.transform = t;
      return result;
    }
    default:
      mismatch(*answer, "a drag");
      return {Status::Error, {}, {}};
  }
}

}  // namespace host::headless
