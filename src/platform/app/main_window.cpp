#include "platform/app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStatusBar>
#include <exception>
#include <filesystem>

#include "platform/app/command_line_widget.h"
#include "platform/app/drawing_view.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/host/host_core.h"
#include "platform/host/menu.h"
#include "platform/win/registry.h"

namespace app {

void registerHostCommands(MainWindow& window);

bool barrier(host::CommandLine& commandLine, const std::function<void()>& f) {
  try {
    f();
    return true;
  } catch (const std::exception& e) {
    commandLine.print(std::string("\nError: ") + e.what() + "\n");
  } catch (...) {
    commandLine.print("\nError: an unknown exception\n");
  }
  return false;
}

// ---- DocumentWindow

DocumentWindow::DocumentWindow(host::Document& doc, bool whiteBackground, QWidget* parent)
    : QMdiSubWindow(parent),
      doc_(doc),
      view_(new DrawingView(doc.database(), this)),
      undo_(std::make_unique<UndoHistory>(doc.database())) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWidget(view_);
  if (whiteBackground) view_->setWhiteBackground(true);
  setWindowTitle(QString::fromStdString(doc.title()) + QStringLiteral("[*]"));
  doc.database().addReactor(this);
}

DocumentWindow::~DocumentWindow() { release(); }

void DocumentWindow::release() {
  if (released_) return;
  released_ = true;
  doc_.database().removeReactor(this);
  delete view_;
  view_ = nullptr;
  undo_.reset();
}

void DocumentWindow::setModified(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  setWindowModified(modified);
  emit modifiedChanged();
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
  if (closingAllowed) {
    event->accept();
    return;
  }
  event->ignore();
  emit closeRequested(this);
}

// ---- MainWindow

MainWindow::MainWindow(AppOptions options)
    : options_(std::move(options)), mdi_(new QMdiArea(this)), coordinates_(new QLabel(this)) {
  setObjectName(QStringLiteral("kestra"));
  mdi_->setViewMode(QMdiArea::TabbedView);
  mdi_->setTabsClosable(true);
  mdi_->setTabsMovable(true);
  mdi_->setDocumentMode(true);
  setCentralWidget(mdi_);
  auto* dock = new QDockWidget(QStringLiteral("Command line"), this);
  dock->setObjectName(QStringLiteral("commandLine"));
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  commandLine_ = new CommandLineWidget(dock);
  dock->setWidget(commandLine_);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  statusBar()->addPermanentWidget(coordinates_);
  resize(1280, 800);

  QtHostParts parts;
  parts.commandLine = commandLine_;
  parts.currentView = [this] { return currentView(); };
  parts.window = [this]() -> QWidget* { return this; };
  parts.focusView = [this] { focusDrawingView(); };
  parts.files.read =
      [this](const std::string& file) -> cad::Result<std::unique_ptr<cad::Database>> {
    dxf::ReadReport report;
    std::unique_ptr<cad::Database> db = dxf::readDrawing(file, report);
    lastFileError_ = report.message;
    for (const std::string& problem : report.problems) {
      commandLine_->print(QString::fromStdString("\n" + file + ": " + problem + "\n"));
    }
    if (!db) return report.status == cad::Status::Ok ? cad::Status::FileError : report.status;
    return db;
  };
  parts.files.write = [this](const cad::Database& db, const std::string& file) {
    dxf::WriteReport report;
    const cad::Status s = dxf::writeDrawing(db, file, report);
    lastFileError_ = cad::ok(s) ? std::string() : report.message;
    for (const std::string& note : report.notes) {
      commandLine_->print(QString::fromStdString("\n" + note + "\n"));
    }
    return s;
  };
  // The application's own modules lie beside it.
  parts.trustedFolders = QCoreApplication::applicationDirPath().toStdString();
  if (!options_.trustedFolders.empty()) parts.trustedFolders += ";" + options_.trustedFolders;
  // The linetype file and the other support files lie beside the application as well.
  parts.supportFolders.push_back(QCoreApplication::applicationDirPath().toStdString());
  for (const std::string& folder : options_.supportFolders) parts.supportFolders.push_back(folder);
  host_ = std::make_unique<QtHost>(std::move(parts));
  reactor_ = host_->documents().addReactor(*this);
  ui::setMainFrame(this);

  connect(commandLine_, &CommandLineWidget::submitted, this, &MainWindow::takeLine);
  connect(commandLine_, &CommandLineWidget::cancelled, this, [this] {
    host_->qtEditor().cancel();
    if (!commandRunning()) commandLine_->print(QStringLiteral("*Cancel*\n"));
  });
  connect(mdi_, &QMdiArea::subWindowActivated, this, &MainWindow::subWindowActivated);
  registerHostCommands(*this);
  addHostMenus();
  rebuildMenus();
  addShortcuts();
  updateTitle();
}

// The keys every CAD user presses without looking: they run the same macros as the menu
// items, wherever the keyboard focus is in the window (the command line included).
void MainWindow::addShortcuts() {
  // Ctrl+Y redoes on every desktop, whether or not its standard redo key is another.
  QList<QKeySequence> redo = QKeySequence::keyBindings(QKeySequence::Redo);
  if (!redo.contains(QKeySequence(Qt::CTRL | Qt::Key_Y))) redo.append(Qt::CTRL | Qt::Key_Y);
  const std::pair<QList<QKeySequence>, const char*> keys[] = {
      {QKeySequence::keyBindings(QKeySequence::Undo), "_U\n"},
      {redo, "_REDO\n"},
      {QKeySequence::keyBindings(QKeySequence::Save), "_QSAVE\n"},
      {QKeySequence::keyBindings(QKeySequence::Open), "_OPEN\n"},
      {QKeySequence::keyBindings(QKeySequence::New), "_NEW\n"},
  };
  for (const auto& [sequences, macro] : keys) {
    auto* shortcut = new QShortcut(this);
    shortcut->setKeys(sequences);
    const std::string m = macro;
    connect(shortcut, &QShortcut::activated, this,
            [this, m] { barrier(host_->commandLine(), [&] { runMacro(m); }); });
  }
}

MainWindow::~MainWindow() {
  host_->qtEditor().cancel();
  reactor_.reset();
  ui::setMainFrame(nullptr);
  // The windows watch their drawings' databases: they go before the drawings do.
  for (QMdiSubWindow* sub : mdi_->subWindowList()) {
    if (auto* w = qobject_cast<DocumentWindow*>(sub)) w->closingAllowed = true;
    mdi_->removeSubWindow(sub);
    delete sub;
  }
  host_.reset();
}

void MainWindow::focusDrawingView() {
  if (DrawingView* view = currentView()) view->setFocus(Qt::OtherFocusReason);
}

DocumentWindow* MainWindow::windowOf(const host::Document& doc) const {
  for (QMdiSubWindow* sub : mdi_->subWindowList()) {
    auto* w = qobject_cast<DocumentWindow*>(sub);
    if (w != nullptr && &w->document() == &doc) return w;
  }
  return nullptr;
}

DocumentWindow* MainWindow::currentWindow() const {
  host::Document* doc = host_ ? host_->documents().curDocument() : nullptr;
  return doc != nullptr ? windowOf(*doc) : nullptr;
}

DrawingView* MainWindow::currentView() const {
  DocumentWindow* w = currentWindow();
  return w != nullptr ? w->view() : nullptr;
}

UndoHistory* MainWindow::currentUndo() const {
  DocumentWindow* w = currentWindow();
  return w != nullptr ? &w->undo() : nullptr;
}

// Work done under a write lock outside any command (a palette button) is one undo step of
// its own; inside a command it is part of the command's step.
void MainWindow::documentLockChanged(host::Document& doc, bool locked) {
  if (DocumentWindow* w = windowOf(doc)) {
    if (locked) {
      w->undo().begin(kLooseStep);
    } else {
      w->undo().end();
    }
  }
}

void MainWindow::documentCreated(host::Document& doc) {
  auto* w = new DocumentWindow(doc, options_.whiteBackground, mdi_);
  connect(w, &DocumentWindow::closeRequested, this, [this](DocumentWindow* window) {
    // Closing from the tab while a command waits for input cancels that input first.
    if (commandRunning()) {
      host_->qtEditor().cancel();
      commandLine_->print(
          QStringLiteral("\nThe command was cancelled; close the drawing again.\n"));
      return;
    }
    closeDrawing(window);
  });
  connect(w, &DocumentWindow::modifiedChanged, this, &MainWindow::updateTitle);
  DrawingView* view = w->view();
  connect(view, &DrawingView::clicked, this,
          [this](geom::Point2d p) { host_->qtEditor().takeClick(p); });
  connect(view, &DrawingView::cursorMoved, this, [this](geom::Point2d p) {
    coordinates_->setText(QStringLiteral("%1, %2").arg(p.x, 0, 'f', 4).arg(p.y, 0, 'f', 4));
  });
  connect(view, &DrawingView::keyTyped, commandLine_, &CommandLineWidget::forwardKey);
  switching_ = true;
  w->showMaximized();
  mdi_->setActiveSubWindow(w);
  switching_ = false;
  view->zoomExtents();
  updateTitle();
}

void MainWindow::documentActivated(host::Document& doc) {
  DocumentWindow* w = windowOf(doc);
  if (w == nullptr || mdi_->activeSubWindow() == w) return;
  switching_ = true;
  mdi_->setActiveSubWindow(w);
  switching_ = false;
  keepActiveMaximized();
  updateTitle();
}

void MainWindow::documentRemoved(host::Document& doc) {
  DocumentWindow* w = windowOf(doc);
  if (w == nullptr) return;
  w->closingAllowed = true;
  w->release();
  mdi_->removeSubWindow(w);
  w->deleteLater();
  keepActiveMaximized();
  updateTitle();
}

// Drawings fill the area: the one shown after another closed, or after a switch that was
// refused, is maximised again (the area restores it to a small window otherwise).
void MainWindow::keepActiveMaximized() {
  QMdiSubWindow* active = mdi_->activeSubWindow();
  if (active == nullptr && !mdi_->subWindowList().isEmpty()) active = mdi_->subWindowList().back();
  if (active == nullptr || active->isMaximized()) return;
  switching_ = true;
  active->showMaximized();
  mdi_->setActiveSubWindow(active);
  switching_ = false;
}

void MainWindow::subWindowActivated(QMdiSubWindow* sub) {
  auto* w = qobject_cast<DocumentWindow*>(sub);
  if (switching_ || w == nullptr || &w->document() == host_->documents().curDocument()) return;
  // No switch while a command waits for input: the command works on its drawing.
  if (commandRunning()) {
    if (DocumentWindow* current = currentWindow()) {
      switching_ = true;
      mdi_->setActiveSubWindow(current);
      switching_ = false;
      keepActiveMaximized();
    }
    return;
  }
  barrier(host_->commandLine(), [&] { host_->documents().activateDocument(w->document()); });
  updateTitle();
}

void MainWindow::updateTitle() {
  DocumentWindow* w = currentWindow();
  if (w == nullptr) {
    setWindowTitle(QStringLiteral("kestra"));
    setWindowModified(false);
    return;
  }
  setWindowTitle(
      QStringLiteral("kestra - [%1[*]]").arg(QString::fromStdString(w->document().title())));
  setWindowModified(w->modified());
  w->setWindowTitle(QString::fromStdString(w->document().title()) + QStringLiteral("[*]"));
}

bool MainWindow::commandRunning() const { return !host_->commands().activeCommand().empty(); }

bool MainWindow::readyForInput() const {
  return commandRunning() ? host_->qtEditor().waiting() : true;
}

void MainWindow::takeLine(const QString& line) {
  lineError_.clear();
  QtEditor& editor = host_->qtEditor();
  if (editor.waiting()) {
    if (!editor.takeLine(line))
      lineError_ = QStringLiteral("\"%1\" does not answer the prompt").arg(line);
    return;
  }
  if (commandRunning()) {
    commandLine_->print(QStringLiteral("\nA command is running.\n"));
    lineError_ = QStringLiteral("a command is running");
    return;
  }
  std::string name = line.trimmed().toStdString();
  if (name.empty()) name = lastCommand_;
  if (name.empty()) return;
  const host::Status s = runCommand(name);
  if (s == host::Status::NotFound) {
    lineError_ = QStringLiteral("unknown command \"%1\"").arg(QString::fromStdString(name));
  } else if (s == host::Status::Rejected) {
    lineError_ =
        QStringLiteral("the command \"%1\" cannot run now").arg(QString::fromStdString(name));
  }
}

namespace {

// Commands that change no drawing, or that work on the history itself, are no step of it.
bool recordedCommand(std::string name) {
  while (!name.empty() && (name[0] == '_' || name[0] == '\'')) name.erase(0, 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kNotRecorded[] = {"U",      "UNDO", "REDO",  "ZOOM",   "PAN",    "REGEN",
                                             "REDRAW", "OPEN", "QSAVE", "SAVE",   "SAVEAS", "CLOSE",
                                             "QUIT",   "EXIT", "NEW",   "APPLOAD"};
  for (const char* n : kNotRecorded) {
    if (name == n) return false;
  }
  return true;
}

}  // namespace

host::Status MainWindow::runCommand(const std::string& name) {
  UndoHistory* undo = currentUndo();
  const bool recorded = undo != nullptr && !commandRunning() && recordedCommand(name);
  if (recorded) undo->begin(name);
  host::Status status = host::Status::Error;
  const bool clean = barrier(host_->commandLine(), [&] {
    status = host::typeCommand(host_->commands(), host_->commandLine(), name);
  });
  if (!clean) host_->commandLine().postPrompt();
  // The history may belong to a drawing the command closed.
  if (recorded && undo == currentUndo()) undo->end();
  if (!commandRunning()) {
    host_->qtEditor().clearPicked();
    host_->qtEditor().clearQueuedInput();
    if (status != host::Status::NotFound) lastCommand_ = name;
    rebuildMenus();
    updateTitle();
  }
  return status;
}

void MainWindow::runMacro(const std::string& macro) {
  std::string_view text = macro;
  if (text.starts_with("^C") || text.starts_with("^c")) host_->qtEditor().cancel();
  const std::string command = host::macroCommand(text);
  if (command.empty()) return;
  // What follows the command answers its prompts, one word or line at a time.
  const std::size_t at = macro.find(command);
  QStringList rest = QString::fromStdString(macro.substr(at + command.size()))
                         .split(QRegularExpression(QStringLiteral("[\\n;]")), Qt::SkipEmptyParts);
  for (QString& r : rest) r = r.trimmed();
  rest.removeAll(QString());
  if (commandRunning()) {
    commandLine_->print(QStringLiteral("\nA command is running.\n"));
    return;
  }
  host_->qtEditor().queueInput(rest);
  runCommand(command);
}

void MainWindow::addHostMenus() {
  host::MenuGroup* group = host_->menuModel().addGroup("KESTRA").value();
  struct Item {
    const char* label;
    const char* macro;
  };
  const std::pair<const char*, std::vector<Item>> popups[] = {
      {"&File",
       {{"&New", "_NEW\n"},
        {"&Open...", "_OPEN\n"},
        {"&Save", "_QSAVE\n"},
        {"Save &As...", "_SAVEAS\n"},
        {"&Close", "_CLOSE\n"},
        {nullptr, nullptr},
        {"E&xit", "_QUIT\n"}}},
      {"&Edit",
       {{"&Undo", "_U\n"},
        {"&Redo", "_REDO\n"},
        {nullptr, nullptr},
        {"&Erase", "_ERASE\n"},
        {"&Move", "_MOVE\n"}}},
      {"&View",
       {{"Zoom &Extents", "_ZOOM\nE\n"},
        {"&Pan", "_PAN\n"},
        {"&Redraw", "_REDRAW\n"},
        {"Re&gen", "_REGEN\n"}}},
      {"&Draw", {{"&Line", "_LINE\n"}}},
      {"&Tools", {{"&Load Application...", "_APPLOAD\n"}}}};
  for (const auto& [name, items] : popups) {
    host::PopupMenu* popup = group->menus().add(name).value();
    for (const Item& item : items) {
      if (item.label == nullptr) {
        popup->addSeparator(popup->count());
      } else {
        popup->addMenuItem(popup->count(), item.label, item.macro);
      }
    }
    popup->insertInMenuBar(host_->menuModel().menuBar().count());
  }
}

void MainWindow::rebuildMenus() {
  QMenuBar* bar = menuBar();
  bar->clear();
  host::MenuBar& model = host_->menuModel().menuBar();
  for (int i = 0; i < model.count(); ++i) {
    auto popup = model.item(i);
    if (!popup.ok() || popup.value() == nullptr) continue;
    QMenu* menu = bar->addMenu(QString::fromStdString(popup.value()->name()));
    for (int j = 0; j < popup.value()->count(); ++j) {
      auto item = popup.value()->item(j);
      if (!item.ok()) continue;
      if (item.value().kind == host::MenuItemKind::Separator) {
        menu->addSeparator();
        continue;
      }
      const std::string macro = item.value().macro;
      QAction* action = menu->addAction(QString::fromStdString(item.value().label));
      connect(action, &QAction::triggered, this,
              [this, macro] { barrier(host_->commandLine(), [&] { runMacro(macro); }); });
    }
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  host_->qtEditor().cancel();
  if (commandRunning() || !closeAll(!options_.scriptRun)) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace app
