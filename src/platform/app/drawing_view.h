#pragma once
// The view of one drawing: the drawing painted into a cached image through the spatial
// index (only what lies in the window), pan and zoom that move the cached image at once
// while the exact image follows, and the overlays of modal input (temporary vectors,
// highlighted entities, a rubber band, a dragged selection) that never touch the cache.

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/app/picture_painter.h"
#include "platform/cad/database.h"
#include "platform/geom/transform.h"
#include "platform/render/primitives.h"

namespace app {

struct OverlayVector {
  geom::Point3d from, to;
  int colour = 7;
  bool highlight = false;
};

class DrawingView final : public QWidget, private cad::DatabaseReactor {
  Q_OBJECT
 public:
  DrawingView(cad::Database& db, QWidget* parent);
  ~DrawingView() override;
  DrawingView(const DrawingView&) = delete;
  DrawingView& operator=(const DrawingView&) = delete;

  const ViewTransform& view() const { return view_; }
  // Shows the area of this centre and size (both fitted into the screen's aspect ratio).
  // False for sizes that are not positive and finite.
  bool setView(geom::Point2d centre, double width, double height);
  void zoomExtents();
  void zoomAt(QPointF screen, double factor);
  void panPixels(QPointF delta);
  // Paints the drawing anew now (REGEN); temporary vectors go.
  void regen();
  bool regenPending() const { return dirty_; }
  void setWhiteBackground(bool white);

  // Overlays.
  void addVector(const OverlayVector& v);
  void clearVectors();
  void setHighlighted(std::vector<cad::ObjectId> ids);
  void setRubberBand(std::optional<geom::Point3d> base);
  // While set, the entities follow the cursor through `transformAt`.
  using DragTransform = std::function<std::optional<geom::Matrix3d>(geom::Point2d cursor)>;
  void setDrag(std::vector<cad::ObjectId> ids, DragTransform transformAt);
  void clearDrag();
  geom::Point2d cursor() const { return cursor_; }

  // Entities drawn in the last exact image (for tests and the benchmark).
  std::size_t drawnEntities() const { return drawn_; }
  // Threads that painted it, each a layer laid over the ones before.
  int paintedLayers() const { return layers_; }
  const QImage& cachedImage() const { return cache_; }

 signals:
  void clicked(geom::Point2d world);
  void cursorMoved(geom::Point2d world);
  void keyTyped(QKeyEvent* event);
  void viewChanged();

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  struct Cached {
    std::uint64_t revision = 0;
    render::Picture picture;
    geom::Extents2d extent;
    std::size_t vertices = 0;
    CoarsePicture coarse;
    std::uint64_t generation = 0;  // of the last painting that took it
    // the changes of tables and blocks the picture was made after
    std::uint64_t tableEdits = 0, blockEdits = 0;
  };
  void objectAppended(const cad::Database&, cad::ObjectId id) override { changedObject(id, true); }
  void objectModified(const cad::Database&, cad::ObjectId id) override { changedObject(id, false); }
  void objectErased(const cad::Database&, cad::ObjectId id, bool) override {
    changedObject(id, false);
  }
  void objectRemoved(const cad::Database&, cad::ObjectId id) override;
  // A picture holds its layer's colour and linetype and, for a block reference, the
  // block's contents: a change of those counts here and makes the pictures stale (a new
  // table entry changes no picture).
  void changedObject(cad::ObjectId id, bool appended);
  void changed();
  void scheduleRegen();
  void paintCache();
  Cached& cachedOf(const cad::Entity& e);
  const render::Picture& pictureOf(const cad::Entity& e) { return cachedOf(e).picture; }
  void paintOverlays(QPainter& p);

  cad::Database& db_;
  ViewTransform view_;
  QImage cache_;
  ViewTransform cacheView_;  // the view the cached image was painted at
  bool dirty_ = true;
  bool white_ = false;
  QTimer regenTimer_;
  std::unordered_map<cad::Handle, Cached> pictures_;
  std::size_t drawn_ = 0;
  std::uint64_t generation_ = 0;
  std::uint64_t tableEdits_ = 0;  // layers, linetypes, text styles changed
  std::uint64_t blockEdits_ = 0;  // blocks or their contents changed
  int layers_ = 0;

  std::vector<OverlayVector> vectors_;
  std::vector<cad::ObjectId> highlighted_;
  std::optional<geom::Point3d> rubberBase_;
  std::vector<cad::ObjectId> dragIds_;
  DragTransform dragTransform_;
  geom::Point2d cursor_;
  std::optional<QPointF> panFrom_;
};

}  // namespace app
