#include "platform/ui/palette_set.h"

#include <QApplication>
#include <QDomElement>
#include <QMainWindow>
#include <QStackedWidget>
#include <QTabWidget>
#include <algorithm>

#include "platform/ui/main_frame.h"
#include "platform/ui/palette.h"

namespace ui {

namespace {

const char* sideName(DockSide side) {
  switch (side) {
    case DockSide::Left:
      return "left";
    case DockSide::Right:
      return "right";
    case DockSide::Floating:
      return "float";
  }
  return "left";
}

bool readInt(const QDomElement& element, const char* name, int& out) {
  bool ok = false;
  const int value = element.attribute(QString::fromLatin1(name)).toInt(&ok);
  if (ok) out = value;
  return ok;
}

}  // namespace

PaletteSet::PaletteSet(const QString& title, QWidget* parent) : QDockWidget(title, parent) {
  setObjectName(title);
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
              QDockWidget::DockWidgetFloatable);
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  single_ = new QStackedWidget(this);
  setWidget(single_);
  connect(this, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) {
    if (area == Qt::RightDockWidgetArea) lastDockedSide_ = DockSide::Right;
    if (area == Qt::LeftDockWidgetArea) lastDockedSide_ = DockSide::Left;
  });
  connect(this, &QDockWidget::topLevelChanged, this,
          [this](bool floating) { setWindowOpacity(floating ? opacity_ / 100.0 : 1.0); });
}

PaletteSet::~PaletteSet() = default;

int PaletteSet::addPalette(const QString& name, Palette* palette) {
  palettes_.push_back(palette);
  if (palettes_.size() == 1) {
    single_->addWidget(palette);
    return 0;
  }
  if (tabs_ == nullptr) {
    // The second palette turns the set into tabs.
    tabs_ = new QTabWidget(this);
    Palette* first = palettes_.front();
    single_->removeWidget(first);
    tabs_->addTab(first, first->windowTitle());
    single_->addWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, &PaletteSet::tabChanged);
  }
  palette->setWindowTitle(name);
  tabs_->addTab(palette, name);
  return static_cast<int>(palettes_.size()) - 1;
}

Palette* PaletteSet::palette(int index) const {
  if (index < 0 || index >= paletteCount()) return nullptr;
  return palettes_[static_cast<std::size_t>(index)];
}

Palette* PaletteSet::activePalette() const {
  if (palettes_.empty()) return nullptr;
  return tabs_ != nullptr ? palette(tabs_->currentIndex()) : palettes_.front();
}

void PaletteSet::setActivePalette(int index) {
  if (tabs_ != nullptr && index >= 0 && index < paletteCount()) tabs_->setCurrentIndex(index);
}

void PaletteSet::tabChanged(int index) {
  if (Palette* p = palette(index)) {
    p->activated();
    emit p->becameActive();
  }
  emit activePaletteChanged(index);
}

void PaletteSet::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  if (Palette* p = activePalette()) {
    p->activated();
    emit p->becameActive();
  }
}

void PaletteSet::leaveEvent(QEvent* event) {
  QDockWidget::leaveEvent(event);
  const QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || !isAncestorOf(focus)) return;
  const Palette* p = activePalette();
  if (p != nullptr && p->keepsFocus()) return;
  if (MainFrame* frame = mainFrame()) frame->focusDrawingView();
}

void PaletteSet::dock(DockSide side) {
  MainFrame* frame = mainFrame();
  if (side == DockSide::Floating || frame == nullptr || frame->mainWindow() == nullptr) {
    setFloating(true);
    setWindowOpacity(opacity_ / 100.0);
    show();
    return;
  }
  lastDockedSide_ = side;
  frame->dockControlBar(this,
                        side == DockSide::Right ? Qt::RightDockWidgetArea : Qt::LeftDockWidgetArea);
}

DockSide PaletteSet::dockSide() const {
  if (isFloating()) return DockSide::Floating;
  if (auto* window = qobject_cast<QMainWindow*>(parentWidget())) {
    if (window->dockWidgetArea(const_cast<PaletteSet*>(this)) == Qt::RightDockWidgetArea)
      return DockSide::Right;
    return DockSide::Left;
  }
  return lastDockedSide_;
}

void PaletteSet::setOpacity(int percent) {
  opacity_ = std::clamp(percent, 0, 100);
  if (isFloating()) setWindowOpacity(opacity_ / 100.0);
}

void PaletteSet::save(QDomElement& element) const {
  const QRect g = isFloating() ? geometry() : QRect(pos(), size());
  element.setAttribute(QStringLiteral("x"), g.x());
  element.setAttribute(QStringLiteral("y"), g.y());
  element.setAttribute(QStringLiteral("width"), g.width());
  element.setAttribute(QStringLiteral("height"), g.height());
  element.setAttribute(QStringLiteral("dock"), QString::fromLatin1(sideName(dockSide())));
  element.setAttribute(QStringLiteral("floating"), isFloating() ? 1 : 0);
  element.setAttribute(QStringLiteral("opacity"), opacity_);
}

bool PaletteSet::load(const QDomElement* element) {
  if (element == nullptr || element->isNull()) return false;
  int x = 0, y = 0, width = 0, height = 0;
  const bool hasPos = readInt(*element, "x", x) && readInt(*element, "y", y);
  const bool hasSize = readInt(*element, "width", width) && readInt(*element, "height", height) &&
                       width > 0 && height > 0;
  const QString dockName = element->attribute(QStringLiteral("dock"));
  int floating = 0;
  const bool hasFloating = readInt(*element, "floating", floating);
  if (!hasPos && !hasSize && dockName.isEmpty() && !hasFloating) return false;
  int percent = opacity_;
  if (readInt(*element, "opacity", percent)) setOpacity(percent);

  DockSide side = DockSide::Left;
  if (dockName == QLatin1String("right")) side = DockSide::Right;
  if (dockName == QLatin1String("float") || (hasFloating && floating != 0))
    side = DockSide::Floating;
  dock(side);
  if (hasSize) {
    const QSize clamped = QSize(width, height).expandedTo(minimumSize()).boundedTo(maximumSize());
    resize(clamped);
    // A docked set takes its width from the dock bar, which the main window sizes.
    auto* window = qobject_cast<QMainWindow*>(parentWidget());
    if (window != nullptr && !isFloating())
      window->resizeDocks({this}, {clamped.width()}, Qt::Horizontal);
  }
  if (side == DockSide::Floating && hasPos) move(x, y);
  return true;
}

}  // namespace ui
