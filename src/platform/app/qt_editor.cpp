#include "platform/app/qt_editor.h"

#include <QEventLoop>
#include <QStringList>
#include <cmath>

#include "platform/app/command_line_widget.h"
#include "platform/app/drawing_view.h"
#include "platform/cad/database.h"
#include "platform/host/command_line.h"
#include "platform/host/document_manager.h"
#include "platform/host/host_core.h"

namespace app {

using host::Status;

std::optional<geom::Point3d> parsePoint(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
  double v[3] = {0, 0, 0};
  for (qsizetype i = 0; i < parts.size(); ++i) {
    bool ok = false;
    v[i] = parts[i].trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v[i])) return std::nullopt;
  }
  return geom::Point3d{v[0], v[1], v[2]};
}

QtEditor::QtEditor(host::DocumentManager& documents, host::CommandLine& commandLine,
                   CommandLineWidget& widget, std::function<DrawingView*()> view)
    : documents_(documents), commandLine_(commandLine), widget_(widget), view_(std::move(view)) {}

cad::Database* QtEditor::database() const {
  host::Document* doc = documents_.curDocument();
  return doc != nullptr ? &doc->database() : nullptr;
}

double QtEditor::aperture() const {
  DrawingView* view = view_();
  return view != nullptr ? kPickBoxPixels / 2 * view->view().pixelSize() : 0.0;
}

Status QtEditor::setInputOptions(int flags) {
  if (flags < 0) return Status::InvalidInput;
  flags_ = flags;
  return Status::Normal;
}

Status QtEditor::setKeywords(int flags, std::string_view keywords) {
  auto list = host::KeywordList::parse(keywords);
  if (flags < 0 || !list) return Status::InvalidInput;
  flags_ = flags;
  keywords_ = std::move(*list);
  return Status::Normal;
}

QtEditor::Answer QtEditor::wait(Want want, std::string_view prompt) {
  const QString saved = widget_.prompt();
  commandLine_.print(prompt);
  QString shown = QString::fromStdString(std::string(prompt)).trimmed();
  const qsizetype lastLine = shown.lastIndexOf(QLatin1Char('\n'));
  if (lastLine >= 0) shown = shown.mid(lastLine + 1);
  widget_.setPrompt(shown);
  want_ = want;
  activeFlags_ = flags_;
  activeKeywords_ = std::move(keywords_);
  flags_ = 0;  // options hold for one request only
  keywords_ = {};
  keyword_.clear();
  answer_ = Answer{};
  while (!queued_.isEmpty()) {
    const QString line = queued_.takeFirst();
    commandLine_.print(" " + line.toStdString() + "\n");
    if (auto a = interpret(line)) {
      widget_.setPrompt(saved);
      return *a;
    }
  }
  QEventLoop loop;
  loop_ = &loop;
  loop.exec();
  loop_ = nullptr;
  widget_.setPrompt(saved);
  return answer_;
}

void QtEditor::finish(Answer answer) {
  if (loop_ == nullptr) return;
  answer_ = std::move(answer);
  loop_->quit();
}

void QtEditor::cancel() { finish(Answer{}); }

std::optional<QtEditor::Answer> QtEditor::interpret(const QString& line) {
  if (auto k = activeKeywords_.match(line.toStdString())) {
    keyword_ = *k;
    return Answer{Status::Keyword, {}, *k};
  }
  if (line.trimmed().isEmpty()) {
    if ((activeFlags_ & host::kInputNoNull) != 0) {
      commandLine_.print("\nAn input is required.\n");
      return std::nullopt;
    }
    return Answer{Status::None, {}, {}};
  }
  if (want_ == Want::Text) return Answer{Status::Normal, {}, line.toStdString()};
  if (auto p = parsePoint(line)) return Answer{Status::Normal, *p, {}};
  commandLine_.print(activeKeywords_.empty() ? "\nA point is required (x,y or x,y,z).\n"
                                             : "\nA point or an option keyword is required.\n");
  return std::nullopt;
}

bool QtEditor::takeLine(const QString& line) {
  if (loop_ == nullptr) return false;
  auto a = interpret(line);
  if (!a) return false;
  finish(std::move(*a));
  return true;
}

void QtEditor::takeClick(geom::Point2d world) {
  if (loop_ == nullptr || want_ == Want::Text) return;
  finish(Answer{Status::Normal, geom::Point3d{world.x, world.y, 0}, {}});
}

void QtEditor::clearPicked() {
  picked_.clear();
  if (DrawingView* view = view_()) view->setHighlighted({});
}

host::PickResult QtEditor::pickEntity(std::string_view prompt) {
  cad::Database* db = database();
  if (db == nullptr || waiting()) return {Status::Error, {}, {}};
  const Answer a = wait(Want::Pick, prompt);
  if (a.status != Status::Normal) return {a.status, {}, a.point};
  // The request may have outlived its document.
  if (database() != db) return {Status::Cancel, {}, {}};
  cad::ObjectId id = host::entityAt(*db, a.point.xy(), aperture());
  if (id.isNull()) return {Status::None, {}, a.point};
  picked_.push_back(id);
  if (DrawingView* view = view_()) view->setHighlighted(picked_);
  return {Status::Normal, id, a.point};
}

host::PointResult QtEditor::getPoint(std::string_view prompt,
                                     std::optional<geom::Point3d> basePoint) {
  if (waiting()) return {Status::Error, {}};
  DrawingView* view = view_();
  if (view != nullptr) view->setRubberBand(basePoint);
  const Answer a = wait(Want::Point, prompt);
  if (DrawingView* now = view_(); now != nullptr && now == view) now->setRubberBand(std::nullopt);
  return {a.status, a.point};
}

host::RealResult QtEditor::getReal(std::string_view prompt) {
  // The options and keywords hold for every time the number is asked again.
  const int flags = flags_;
  const host::KeywordList keywords = keywords_;
  for (;;) {
    flags_ = flags;
    keywords_ = keywords;
    const host::StringResult text = getString(prompt);
    if (text.status == Status::Keyword) return {Status::Keyword, 0};
    if (text.status != Status::Normal && text.status != Status::None) return {text.status, 0};
    const QString line = QString::fromStdString(text.value).trimmed();
    if (line.isEmpty()) return {Status::None, 0};
    bool ok = false;
    const double v = line.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
      commandLine_.print("\n需要数值。\n");
    } else if (v == 0 && (flags & host::kInputNoZero) != 0) {
      commandLine_.print("\nValue must be nonzero.\n");
    } else if (v < 0 && (flags & host::kInputNoNegative) != 0) {
      commandLine_.print("\nValue must be positive.\n");
    } else {
      return {Status::Normal, v};
    }
  }
}

host::StringResult QtEditor::getString(std::string_view prompt) {
  if (waiting()) return {Status::Error, {}};
  const Answer a = wait(Want::Text, prompt);
  if (a.status == Status::Cancel) return {Status::Cancel, {}};
  if (a.status == Status::Keyword) return {Status::Keyword, a.text};
  return {a.status, QString::fromStdString(a.text).trimmed().toStdString()};
}

host::Status QtEditor::selectCrossingPolygon(std::span<const geom::Point2d> corners,
                                             host::SelectionSet& out) {
  out.free();
  cad::Database* db = database();
  return db != nullptr ? host::selectInPolygon(*db, corners, false, out) : Status::Error;
}

std::unique_ptr<host::CrossingBatch> QtEditor::crossingBatch() {
  cad::Database* db = database();
  return db != nullptr ? std::make_unique<host::CrossingBatch>(*db) : nullptr;
}

host::Status QtEditor::selectWindow(geom::Point2d c1, geom::Point2d c2, host::SelectionSet& out) {
  out.free();
  cad::Database* db = database();
  if (db == nullptr) return Status::Error;
  geom::Point2d corners[4] = {c1, {c2.x, c1.y}, c2, {c1.x, c2.y}};
  return host::selectInPolygon(*db, corners, true, out);
}

host::Status QtEditor::transformSelectionSet(const host::SelectionSet& set,
                                             const geom::Matrix3d& transform) {
  cad::Database* db = database();
  return db != nullptr ? host::transformSelection(*db, set, transform) : Status::Error;
}

host::DragResult QtEditor::dragSelectionSet(const host::SelectionSet& set, std::string_view prompt,
                                            const host::DragCallback& callback) {
  if (database() == nullptr || set.empty() || !callback || waiting()) {
    return {Status::Error, {}, {}};
  }
  DrawingView* view = view_();
  if (view != nullptr) {
    view->setDrag(std::vector<cad::ObjectId>(set.ids().begin(), set.ids().end()),
                  [&callback](geom::Point2d c) -> std::optional<geom::Matrix3d> {
                    geom::Matrix3d m;
                    if (callback(geom::Point3d{c.x, c.y, 0}, m) == Status::Normal) return m;
                    return std::nullopt;
                  });
  }
  const Answer a = wait(Want::Drag, prompt);
  if (DrawingView* now = view_(); now != nullptr && now == view) now->clearDrag();
  if (a.status != Status::Normal) return {a.status, {}, {}};
  host::DragResult result{Status::Normal, a.point, geom::Matrix3d{}};
  geom::Matrix3d t;
  if (callback(a.point, t) == Status::Normal) result.transform = t;
  return result;
}

}  // namespace app
