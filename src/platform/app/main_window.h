#pragma once
// The main window of `kestra`: drawings as tabs, the command line dock, the menu bar
// painted from the menu object model, the status bar, and the Qt host behind them.

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/app/qt_host.h"
#include "platform/app/undo_history.h"
#include "platform/host/document_reactor.h"
#include "platform/ui/main_frame.h"

class QLabel;
class QMdiArea;

namespace app {

class CommandLineWidget;
class DrawingView;

struct AppOptions {
  bool scriptRun = false;  // no questions of our own; file names on the command line
  bool whiteBackground = false;
  std::string trustedFolders;  // beside the application's own folder
  bool useRegistry = true;     // the user registry's start-up modules and trusted paths
  // Support files (the linetype file ...) are looked for beside the application, then here.
  std::vector<std::string> supportFolders;
};

// One drawing's window: its view, its undo history and whether it changed since saved.
class DocumentWindow final : public QMdiSubWindow, private cad::DatabaseReactor {
  Q_OBJECT
 public:
  DocumentWindow(host::Document& doc, bool whiteBackground, QWidget* parent);
  ~DocumentWindow() override;
  DocumentWindow(const DocumentWindow&) = delete;
  DocumentWindow& operator=(const DocumentWindow&) = delete;

  host::Document& document() const { return doc_; }
  DrawingView* view() const { return view_; }
  UndoHistory& undo() { return *undo_; }
  bool modified() const { return modified_; }
  void setModified(bool modified);
  // The drawing is going away: lets go of it and of its view and history at once (the
  // window itself may be in its own close handler and is deleted later).
  void release();
  // Lets the main window take over closing (asking to save first).
  bool closingAllowed = false;

 signals:
  void closeRequested(DocumentWindow* window);
  void modifiedChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void objectAppended(const cad::Database&, cad::ObjectId) override { setModified(true); }
  void objectModified(const cad::Database&, cad::ObjectId) override { setModified(true); }
  void objectErased(const cad::Database&, cad::ObjectId, bool) override { setModified(true); }
  void objectRemoved(const cad::Database&, cad::ObjectId) override { setModified(true); }

  host::Document& doc_;
  DrawingView* view_;
  std::unique_ptr<UndoHistory> undo_;
  bool modified_ = false;
  bool released_ = false;
};

class MainWindow final : public QMainWindow, public ui::MainFrame, private host::DocumentReactor {
  Q_OBJECT
 public:
  explicit MainWindow(AppOptions options);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // ui::MainFrame
  QMainWindow* mainWindow() override { return this; }
  void focusDrawingView() override;

  QtHost& host() { return *host_; }
  CommandLineWidget& commandLine() { return *commandLine_; }
  const AppOptions& options() const { return options_; }
  DocumentWindow* currentWindow() const;
  DrawingView* currentView() const;
  UndoHistory* currentUndo() const;

  // What the user typed on the command line, or a script line: an answer while input
  // waits, otherwise a command (Enter on an empty line repeats the last one).
  void takeLine(const QString& line);
  // Runs a command as typed, as one undo step, behind the exception barrier.
  host::Status runCommand(const std::string& name);
  // Runs a menu macro: its first word as a command, the rest as answers to its prompts.
  void runMacro(const std::string& macro);
  void addShortcuts();
  bool commandRunning() const;
  // True while the application waits for a line (at the prompt or inside a command).
  bool readyForInput() const;
  // Why the last line taken could not be carried out; empty when it was.
  const QString& lineError() const { return lineError_; }

  // Opens a drawing in a new tab; on failure one message box with the reader's reason.
  bool openDrawing(const QString& fileName);
  // Writes through a temporary file, keeping the previous file as NAME.bak.
  bool saveDrawing(host::Document& doc, const QString& fileName);
  // Asks to save a changed drawing; false when the user cancelled (nothing was closed).
  bool closeDrawing(DocumentWindow* window, bool ask = true);
  // Asks for every changed drawing and closes them all; false when cancelled.
  bool closeAll(bool ask = true);
  // Loads a module by hand; an untrusted one after the user agreed.
  bool loadModule(const QString& fileName);
  void loadStartupModules();
  void rebuildMenus();
  void updateTitle();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void documentCreated(host::Document& doc) override;
  void documentActivated(host::Document& doc) override;
  void documentRemoved(host::Document& doc) override;
  void documentLockChanged(host::Document& doc, bool locked) override;
  DocumentWindow* windowOf(const host::Document& doc) const;
  void subWindowActivated(QMdiSubWindow* window);
  void keepActiveMaximized();
  // 0 Yes, 1 No, 2 Cancel.
  int askToSave(const DocumentWindow& window);
  bool askUntrusted(const std::string& file);
  void addHostMenus();

  AppOptions options_;
  QMdiArea* mdi_;
  CommandLineWidget* commandLine_;
  QLabel* coordinates_;
  std::unique_ptr<QtHost> host_;
  host::ReactorToken reactor_;
  std::string lastCommand_;
  std::string lastFileError_;
  bool switching_ = false;
  QString lineError_;
};

// Runs `f`; an exception that escapes it (plug-in code must not let one reach Qt's event
// loop) becomes one command-line message and the answer false.
bool barrier(host::CommandLine& commandLine, const std::function<void()>& f);

}  // namespace app
