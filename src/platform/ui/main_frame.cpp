#include "platform/ui/main_frame.h"

#include <QDockWidget>
#include <QMainWindow>

namespace ui {

namespace {
MainFrame* g_frame = nullptr;
}

MainFrame* mainFrame() { return g_frame; }
void setMainFrame(MainFrame* frame) { g_frame = frame; }

void MainFrame::dockControlBar(QDockWidget* bar, Qt::DockWidgetArea area) {
  QMainWindow* window = mainWindow();
  if (bar == nullptr || window == nullptr) return;
  if (area != Qt::RightDockWidgetArea) area = Qt::LeftDockWidgetArea;
  bar->setFloating(false);
  window->addDockWidget(area, bar);
  bar->show();
}

void MainFrame::showControlBar(QDockWidget* bar, bool show) {
  if (bar != nullptr) bar->setVisible(show);
}

void SimpleMainFrame::focusDrawingView() {
  if (QWidget* central = window_->centralWidget()) central->setFocus(Qt::OtherFocusReason);
}

}  // namespace ui
