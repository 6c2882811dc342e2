#include "platform/host/headless/headless_editor.h"

#include "platform/cad/database.h"
#include "platform/cad/entity.h"
#include "platform/host/host_core.h"

namespace host::headless {

using Kind = ScriptAnswer::Kind;

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

Status HeadlessEditor::setKeywords(int flags, std::string_view keywords) {
  auto list = KeywordList::parse(keywords);
  if (flags < 0 || !list) return Status::InvalidInput;
  flags_ = flags;
  keywords_ = std::move(*list);
  return Status::Normal;
}

std::optional<ScriptAnswer> HeadlessEditor::nextAnswer(std::string_view prompt) {
  commandLine_.print(prompt);
  activeFlags_ = flags_;
  const KeywordList keywords = std::move(keywords_);
  flags_ = 0;  // options hold for one request only
  keywords_ = {};
  keyword_.clear();
  while (true) {
    auto answer = script_.next();
    if (answer && answer->kind == Kind::Nothing && (activeFlags_ & kInputNoNull) != 0) {
      commandLine_.print("\nAn input is required.\n");
      commandLine_.print(prompt);
      continue;
    }
    if (answer && answer->kind == Kind::Text) {
      if (auto k = keywords.match(answer->text)) keyword_ = *k;
    }
    return answer;
  }
}

std::optional<ScriptAnswer> HeadlessEditor::typedPoint(const ScriptAnswer& answer) {
  if (answer.kind != Kind::Text) return std::nullopt;
  return parseScriptAnswer("point " + answer.text);
}

void HeadlessEditor::mismatch(const ScriptAnswer& answer, std::string_view request) {
  std::string text = "\nscript: \"" + describe(answer) + "\" does not answer a request for ";
  text.append(request).append("\n");
  commandLine_.print(text);
}

double HeadlessEditor::aperture() const { return pickAperture(variables_, display_.pixelSize()); }

cad::ObjectId HeadlessEditor::entityAt(geom::Point2d p) const {
  cad::Database* db = database();
  return db != nullptr ? host::entityAt(*db, p, aperture()) : cad::ObjectId();
}

PickResult HeadlessEditor::pickEntity(std::string_view prompt) {
  cad::Database* db = database();
  if (db == nullptr) return {Status::Error, {}, {}};
  auto answer = nextAnswer(prompt);
  if (!answer || answer->kind == Kind::Cancel) return {Status::Cancel, {}, {}};
  if (!keyword_.empty()) return {Status::Keyword, {}, {}};
  if (auto p = typedPoint(*answer)) answer = ScriptAnswer::pickAt(p->point);
  switch (answer->kind) {
    case Kind::Nothing:
      return {Status::None, {}, {}};
    case Kind::PickHandle: {
      cad::ObjectId id(answer->handle);
      if (!db->openForRead<cad::Entity>(id) || !isVisible(*db, id)) {
        commandLine_.print("\nscript: no visible entity has the handle " +
                           describe(*answer).substr(5) + "\n");
        return {Status::Error, {}, {}};
      }
      geom::Point3d at;
      auto entity = db->openForRead<cad::Entity>(id);
      auto curve = cad::objectCast<cad::CurveEntity>(entity.get());
      if (auto start = curve != nullptr ? curve->startPoint() : std::nullopt) {
        at = *start;
      } else if (auto e = db->modelExtents().of(id); !e.empty()) {
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
  if (!keyword_.empty()) return {Status::Keyword, {}};
  if (auto p = typedPoint(*answer)) answer = p;
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

RealResult HeadlessEditor::getReal(std::string_view prompt) {
  auto answer = nextAnswer(prompt);
  while (true) {
    if (!answer || answer->kind == Kind::Cancel) return {Status::Cancel, 0};
    if (!keyword_.empty()) return {Status::Keyword, 0};
    if (answer->kind == Kind::Text) {
      if (auto n = parseScriptAnswer("number " + answer->text)) answer = n;
    }
    if (answer->kind == Kind::Nothing) return {Status::None, 0};
    if (answer->kind != Kind::Number) {
      mismatch(*answer, "a number");
      return {Status::Error, 0};
    }
    const double v = answer->point.x;
    const char* refused = nullptr;
    if (v == 0 && (activeFlags_ & kInputNoZero) != 0) refused = "\nValue must be nonzero.\n";
    if (v < 0 && (activeFlags_ & kInputNoNegative) != 0) refused = "\nValue must be positive.\n";
    if (refused == nullptr) return {Status::Normal, v};
    // Asked again, under the same options.
    commandLine_.print(refused);
    commandLine_.print(prompt);
    answer = script_.next();
    while (answer && answer->kind == Kind::Nothing && (activeFlags_ & kInputNoNull) != 0) {
      commandLine_.print("\nAn input is required.\n");
      commandLine_.print(prompt);
      answer = script_.next();
    }
  }
}

StringResult HeadlessEditor::getString(std::string_view prompt) {
  auto answer = nextAnswer(prompt);
  if (!answer || answer->kind == Kind::Cancel) return {Status::Cancel, {}};
  if (!keyword_.empty()) return {Status::Keyword, keyword_};
  switch (answer->kind) {
    case Kind::Nothing:
      return {Status::None, {}};
    case Kind::Text:
      return {Status::Normal, answer->text};
    default:
      mismatch(*answer, "a text");
      return {Status::Error, {}};
  }
}

Status HeadlessEditor::selectCrossingPolygon(std::span<const geom::Point2d> corners,
                                             SelectionSet& out) {
  out.free();
  cad::Database* db = database();
  return db != nullptr ? selectInPolygon(*db, corners, false, out) : Status::Error;
}

std::unique_ptr<CrossingBatch> HeadlessEditor::crossingBatch() {
  cad::Database* db = database();
  return db != nullptr ? std::make_unique<CrossingBatch>(*db) : nullptr;
}

Status HeadlessEditor::selectWindow(geom::Point2d c1, geom::Point2d c2, SelectionSet& out) {
  out.free();
  cad::Database* db = database();
  if (db == nullptr) return Status::Error;
  geom::Point2d corners[4] = {c1, {c2.x, c1.y}, c2, {c1.x, c2.y}};
  return selectInPolygon(*db, corners, true, out);
}

Status HeadlessEditor::transformSelectionSet(const SelectionSet& set,
                                             const geom::Matrix3d& transform) {
  cad::Database* db = database();
  return db != nullptr ? transformSelection(*db, set, transform) : Status::Error;
}

DragResult HeadlessEditor::dragSelectionSet(const SelectionSet& set, std::string_view prompt,
                                            const DragCallback& callback) {
  if (database() == nullptr || set.empty() || !callback) return {Status::Error, {}, {}};
  auto answer = nextAnswer(prompt);
  if (!answer || answer->kind == Kind::Cancel || answer->kind == Kind::DragCancel) {
    return {Status::Cancel, {}, {}};
  }
  if (!keyword_.empty()) return {Status::Keyword, {}, {}};
  if (auto p = typedPoint(*answer)) answer = p;
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
