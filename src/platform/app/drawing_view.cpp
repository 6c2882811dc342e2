#include "platform/app/drawing_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/render/aci.h"
#include "platform/render/drawing_renderer.h"

namespace app {
namespace {

// After a pan or zoom the moved image is shown at once; the exact one follows when the
// user pauses this long.
constexpr int kExactRedrawDelayMs = 120;
constexpr double kWheelStep = 1.25;
// Below this many vertices a picture is painted on one thread.
constexpr std::size_t kVerticesPerThread = 200'000;

QSize usableSize(QSize s) { return s.isEmpty() ? QSize(800, 600) : s; }

// Runs work(0) .. work(count - 1) at once, the last on the calling thread. What a worker
// throws (memory running out) comes out here, after every worker has ended.
template <class Work>
void inParallel(int count, const Work& work) {
  std::vector<std::exception_ptr> failed(static_cast<std::size_t>(count));
  auto run = [&](int t) {
    try {
      work(t);
    } catch (...) {
      failed[static_cast<std::size_t>(t)] = std::current_exception();
    }
  };
  std::vector<std::thread> others;
  for (int t = 0; t + 1 < count; ++t) others.emplace_back(run, t);
  run(count - 1);
  for (std::thread& t : others) t.join();
  for (const std::exception_ptr& e : failed) {
    if (e) std::rethrow_exception(e);
  }
}

render::Picture moved(const render::Picture& picture, const geom::Matrix3d& m) {
  render::Picture out = picture;
  for (render::Primitive& item : out.items) {
    if (auto* path = std::get_if<render::Path>(&item)) {
      for (geom::Point2d& p : path->points) p = m.apply(geom::Point3d{p.x, p.y, 0}).xy();
    } else {
      auto& label = std::get<render::Label>(item);
      label.anchor = m.apply(geom::Point3d{label.anchor.x, label.anchor.y, 0}).xy();
    }
  }
  return out;
}

}  // namespace

DrawingView::DrawingView(cad::Database& db, QWidget* parent) : QWidget(parent), db_(db) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 150);
  view_.size = usableSize(size());
  regenTimer_.setSingleShot(true);
  connect(&regenTimer_, &QTimer::timeout, this, [this] {
    paintCache();
    update();
  });
  db_.addReactor(this);
  zoomExtents();
}

DrawingView::~DrawingView() { db_.removeReactor(this); }

bool DrawingView::setView(geom::Point2d centre, double width, double height) {
  if (!std::isfinite(centre.x) || !std::isfinite(centre.y) || !std::isfinite(width) ||
      !std::isfinite(height) || width < 0 || height < 0 || (width == 0 && height == 0)) {
    return false;
  }
  view_.size = usableSize(size());
  double scale = std::numeric_limits<double>::infinity();
  if (width > 0) scale = view_.size.width() / width;
  if (height > 0) scale = std::min(scale, view_.size.height() / height);
  view_.centre = centre;
  view_.scale = scale;
  scheduleRegen();
  emit viewChanged();
  return true;
}

void DrawingView::zoomExtents() {
  const geom::Extents2d e = db_.modelExtents().update().xy();
  if (e.empty()) {
    setView({0, 0}, 100, 100);
    return;
  }
  const double w = std::max(e.max.x - e.min.x, 1e-6);
  const double h = std::max(e.max.y - e.min.y, 1e-6);
  setView({(e.min.x + e.max.x) / 2, (e.min.y + e.max.y) / 2}, w * 1.04, h * 1.04);
}

void DrawingView::zoomAt(QPointF screen, double factor) {
  if (!(factor > 0) || !std::isfinite(factor)) return;
  const geom::Point2d before = view_.toWorld(screen);
  view_.scale *= factor;
  const geom::Point2d after = view_.toWorld(screen);
  view_.centre = {view_.centre.x + before.x - after.x, view_.centre.y + before.y - after.y};
  scheduleRegen();
  emit viewChanged();
}

void DrawingView::panPixels(QPointF delta) {
  view_.centre = {view_.centre.x - delta.x() / view_.scale,
                  view_.centre.y + delta.y() / view_.scale};
  scheduleRegen();
  emit viewChanged();
}

void DrawingView::regen() {
  vectors_.clear();
  paintCache();
  update();
}

void DrawingView::setWhiteBackground(bool white) {
  white_ = white;
  regen();
}

void DrawingView::scheduleRegen() {
  dirty_ = true;
  regenTimer_.start(kExactRedrawDelayMs);
  update();
}

void DrawingView::changed() {
  dirty_ = true;
  if (!regenTimer_.isActive()) regenTimer_.start(0);
}

void DrawingView::objectRemoved(const cad::Database&, cad::ObjectId id) {
  // not one of model space's pictures: a block's entity or a table's entry taken back
  if (pictures_.erase(id.handle()) == 0) ++blockEdits_;
  changed();
}

void DrawingView::changedObject(cad::ObjectId id, bool appended) {
  if (const cad::Object* o = db_.peek(id)) {
    if (isEntityKind(o->kind())) {
      if (o->owner() != db_.modelSpaceId()) ++blockEdits_;
    } else if (!appended && o->kind() == cad::ObjectKind::BlockRecord) {
      ++blockEdits_;
    } else if (!appended && o->kind() != cad::ObjectKind::OpaqueObject) {
      ++tableEdits_;
    }
  }
  changed();
}

DrawingView::Cached& DrawingView::cachedOf(const cad::Entity& e) {
  Cached& c = pictures_[e.id().handle()];
  const bool reference = e.kind() == cad::ObjectKind::BlockReference;
  if (c.revision != e.revision() + 1 || c.tableEdits != tableEdits_ ||
      (reference && c.blockEdits != blockEdits_)) {
    c.tableEdits = tableEdits_;
    c.blockEdits = blockEdits_;
    // Curves are cut into chords fine enough for this entity at any useful zoom; the
    // picture is kept until the entity changes.
    c.extent = db_.modelExtents().of(e.id()).xy();
    const geom::Extents2d& box = c.extent;
    const double size = box.empty() ? 1.0 : std::max(box.max.x - box.min.x, box.max.y - box.min.y);
    c.picture = render::renderEntity(db_, e, std::max(size, 1e-9) / 2000);
    c.coarse = CoarsePicture{};
    c.vertices = 0;
    for (const render::Primitive& item : c.picture.items) {
      if (const auto* path = std::get_if<render::Path>(&item)) c.vertices += path->points.size();
    }
    c.revision = e.revision() + 1;
  }
  return c;
}

void DrawingView::paintCache() {
  view_.size = usableSize(size());
  cache_ = QImage(view_.size, QImage::Format_RGB32);
  cache_.fill(white_ ? Qt::white : QColor(33, 40, 48));
  const geom::Point2d a = view_.toWorld(QPointF(0, view_.size.height()));
  const geom::Point2d b = view_.toWorld(QPointF(view_.size.width(), 0));
  std::vector<cad::ObjectId> ids;
  // Long entities are indexed in parts: each entity is taken once, by the mark of this
  // painting on its cache entry (far fewer to sort into drawing order then).
  ++generation_;
  db_.modelIndex().query(geom::Extents2d::of(a, b), [&](cad::ObjectId id, int) {
    Cached& c = pictures_[id.handle()];
    if (c.generation != generation_) {
      c.generation = generation_;
      ids.push_back(id);
    }
    return true;
  });
  std::sort(ids.begin(), ids.end());
  // What the drawing needs is gathered here; each thread below then works on entities of
  // its own.
  std::vector<Cached*> items;
  items.reserve(ids.size());
  std::unordered_map<std::string, bool> layerShown;
  std::size_t vertices = 0;
  for (cad::ObjectId id : ids) {
    auto entity = db_.openForRead<cad::Entity>(id);
    if (!entity) continue;
    auto [it, added] = layerShown.try_emplace(entity->layer(), true);
    if (added) {
      auto layer = db_.openForRead<cad::Layer>(db_.layers().getIdAt(entity->layer()));
      it->second = !layer || (!layer->isOff() && !layer->isFrozen());
    }
    if (!it->second) continue;
    Cached& c = cachedOf(*entity);
    vertices += c.vertices + 1;
    items.push_back(&c);
  }
  drawn_ = items.size();
  const int band = scaleBand(view_.pixelSize());
  // One layer per thread, each with an equal share of the vertices, in drawing order; the
  // later layers start transparent and are laid over the first in order, which gives the
  // pixels of one pass over all of it.
  const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
  const int layers =
      static_cast<int>(std::clamp<std::size_t>(vertices / kVerticesPerThread, 1, threads));
  layers_ = layers;
  std::vector<std::size_t> firstOf(layers + 1, items.size());
  firstOf[0] = 0;
  for (std::size_t i = 0, sum = 0, layer = 1; i < items.size() && layer < firstOf.size(); ++i) {
    sum += items[i]->vertices + 1;
    while (layer < firstOf.size() - 1 && sum * layers >= vertices * layer) firstOf[layer++] = i + 1;
  }
  std::vector<QImage> over(static_cast<std::size_t>(layers - 1));
  for (QImage& image : over) {
    image = QImage(view_.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
  }
  inParallel(layers, [&](int t) {
    QImage& image = t == 0 ? cache_ : over[static_cast<std::size_t>(t - 1)];
    QPainter painter(&image);
    PaintStyle style;
    style.whiteBackground = white_;
    style.raster = &image;
    for (std::size_t i = firstOf[t]; i < firstOf[t + 1]; ++i) {
      Cached& c = *items[i];
      if (paintAsDot(c.picture, c.extent, view_, style)) continue;
      // A coarser copy pays off once the entity's vertices crowd its pixels.
      if (c.coarse.band != band) c.coarse = coarsen(c.picture, band);
      paintPicture(painter, c.picture, view_, style, &c.coarse);
    }
  });
  if (!over.empty()) {
    QPainter painter(&cache_);
    for (const QImage& image : over) painter.drawImage(0, 0, image);
  }
  cacheView_ = view_;
  dirty_ = false;
}

void DrawingView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), white_ ? Qt::white : QColor(33, 40, 48));
  if (cache_.isNull()) paintCache();
  // The cached image where its corner lies in the view now, scaled by the zoom since.
  const double k = view_.scale / cacheView_.scale;
  const QPointF at = view_.toScreen(cacheView_.toWorld(QPointF(0, 0)));
  p.drawImage(QRectF(at, QSizeF(cache_.width() * k, cache_.height() * k)), cache_);
  paintOverlays(p);
}

void DrawingView::paintOverlays(QPainter& p) {
  PaintStyle style;
  style.whiteBackground = white_;
  for (cad::ObjectId id : highlighted_) {
    auto entity = db_.openForRead<cad::Entity>(id);
    if (!entity) continue;
    const render::Picture& picture = pictureOf(*entity);
    PaintStyle under = style;
    under.colour = white_ ? QColor(Qt::white) : QColor(33, 40, 48);
    paintPicture(p, picture, view_, under);
    PaintStyle dashed = style;
    dashed.dashed = true;
    paintPicture(p, picture, view_, dashed);
  }
  if (dragTransform_) {
    if (auto m = dragTransform_(cursor_)) {
      for (cad::ObjectId id : dragIds_) {
        auto entity = db_.openForRead<cad::Entity>(id);
        if (entity) paintPicture(p, moved(pictureOf(*entity), *m), view_, style);
      }
    }
  }
  for (const OverlayVector& v : vectors_) {
    QPen pen(screenColour(render::aciColour(v.colour), white_));
    if (v.highlight) pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.drawLine(view_.toScreen(v.from.xy()), view_.toScreen(v.to.xy()));
  }
  if (rubberBase_) {
    QPen pen(white_ ? Qt::black : Qt::white);
    pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.drawLine(view_.toScreen(rubberBase_->xy()), view_.toScreen(cursor_));
  }
}

void DrawingView::addVector(const OverlayVector& v) {
  vectors_.push_back(v);
  update();
}

void DrawingView::clearVectors() {
  vectors_.clear();
  update();
}

void DrawingView::setHighlighted(std::vector<cad::ObjectId> ids) {
  highlighted_ = std::move(ids);
  update();
}

void DrawingView::setRubberBand(std::optional<geom::Point3d> base) {
  rubberBase_ = base;
  update();
}

void DrawingView::setDrag(std::vector<cad::ObjectId> ids, DragTransform transformAt) {
  dragIds_ = std::move(ids);
  dragTransform_ = std::move(transformAt);
  update();
}

void DrawingView::clearDrag() {
  dragIds_.clear();
  dragTransform_ = nullptr;
  update();
}

void DrawingView::resizeEvent(QResizeEvent*) {
  const geom::Point2d centre = view_.centre;
  view_.size = usableSize(size());
  view_.centre = centre;
  scheduleRegen();
  emit viewChanged();
}

void DrawingView::mousePressEvent(QMouseEvent* e) {
  setFocus(Qt::MouseFocusReason);
  if (e->button() == Qt::MiddleButton) {
    panFrom_ = e->position();
  } else if (e->button() == Qt::LeftButton) {
    emit clicked(view_.toWorld(e->position()));
  }
}

void DrawingView::mouseMoveEvent(QMouseEvent* e) {
  if (panFrom_) {
    panPixels(e->position() - *panFrom_);
    panFrom_ = e->position();
  }
  cursor_ = view_.toWorld(e->position());
  emit cursorMoved(cursor_);
  if (rubberBase_ || dragTransform_) update();
}

void DrawingView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton) panFrom_.reset();
}

void DrawingView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton) zoomExtents();
}

void DrawingView::wheelEvent(QWheelEvent* e) {
  const double steps = e->angleDelta().y() / 120.0;
  if (steps != 0) zoomAt(e->position(), std::pow(kWheelStep, steps));
}

void DrawingView::keyPressEvent(QKeyEvent* e) { emit keyTyped(e); }

}  // namespace app
