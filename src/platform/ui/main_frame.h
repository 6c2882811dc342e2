#pragma once
// What a plug-in may reach of the host's main window: the window itself (as the parent of
// its dialogs and palette sets), the dock bars, and the keyboard focus of the drawing view.
// The host application sets the one instance at start-up; over a host without a screen
// there is none and `mainFrame()` answers nullptr.

#include <QtCore/qnamespace.h>

#include "platform/ui/ui_export.h"

class QDockWidget;
class QMainWindow;

namespace ui {

class KESTRA_UI_EXPORT MainFrame {
 public:
  virtual ~MainFrame() = default;
  // The main window: parent of dialogs and of docked or floating palette sets.
  virtual QMainWindow* mainWindow() = 0;
  // Gives the keyboard focus back to the drawing view.
  virtual void focusDrawingView() = 0;
  // Docks a control bar into the left or right dock bar and shows it.
  virtual void dockControlBar(QDockWidget* bar, Qt::DockWidgetArea area);
  virtual void showControlBar(QDockWidget* bar, bool show);
};

// The current host's main frame, or nullptr.
KESTRA_UI_EXPORT MainFrame* mainFrame();
// Called by the host application (and tests) once its main window exists; nullptr when it
// goes away.
KESTRA_UI_EXPORT void setMainFrame(MainFrame* frame);

// A main frame over a plain QMainWindow, for tests and small hosts; `focus` is called by
// focusDrawingView().
class KESTRA_UI_EXPORT SimpleMainFrame final : public MainFrame {
 public:
  explicit SimpleMainFrame(QMainWindow* window) : window_(window) {}
  QMainWindow* mainWindow() override { return window_; }
  void focusDrawingView() override;

 private:
  QMainWindow* window_;
};

}  // namespace ui
