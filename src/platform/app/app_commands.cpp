// The host's own commands: drawings (NEW, OPEN, SAVE, QSAVE, SAVEAS, CLOSE, QUIT), undo
// (U, UNDO, REDO), the view (ZOOM, PAN, REGEN, REDRAW), modules (APPLOAD) and the few
// drawing commands a person needs to try the input modes (LINE, ERASE, MOVE); PLOT writes
// the drawing's sheets as PDF; BROWSER opens a web address (plug-in menus use it).

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>
#include <cmath>
#include <optional>

#include "platform/app/command_line_widget.h"
#include "platform/app/drawing_view.h"
#include "platform/app/main_window.h"
#include "platform/cad/database.h"
#include "platform/host/document_manager.h"
#include "platform/render/drawing_renderer.h"
#include "platform/render/pdf_writer.h"
#include "platform/win/atomic_file.h"

namespace app {
namespace {

using host::Status;

constexpr const char* kGroup = "KESTRA_HOST";

class Commands {
 public:
  explicit Commands(MainWindow& w) : w_(w), host_(w.host()) {}

  void add(const char* name, std::function<void(Commands&)> f) {
    host_.commands().addCommand(kGroup, name, name, host::kCommandModal, [this, f] { f(*this); });
  }

  void print(const std::string& text) { host_.commandLine().print(text); }

  // A file name: typed on the command line in a script run, chosen in a dialog otherwise.
  std::optional<QString> fileName(const char* prompt, bool save, const QString& filter) {
    if (w_.options().scriptRun) {
      const host::StringResult typed = host_.editor().getString(prompt);
      if (typed.status != Status::Normal) return std::nullopt;
      return QString::fromStdString(typed.value);
    }
    const QString chosen = save ? QFileDialog::getSaveFileName(&w_, QString(), QString(), filter)
                                : QFileDialog::getOpenFileName(&w_, QString(), QString(), filter);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
  }

  // A name typed without an extension gets the format's own, as the file dialogs give it.
  static QString withSuffix(const QString& name, const char* suffix) {
    return QFileInfo(name).suffix().isEmpty() ? name + QLatin1String(suffix) : name;
  }

  // The open drawing whose file `name` is, other than `except`; null when none.
  host::Document* openDrawingAt(const QString& name, const host::Document* except) {
    for (host::Document* d : host_.documents().documents()) {
      if (d != except && win::sameFile(name.toStdString(), d->fileName())) return d;
    }
    return nullptr;
  }

  void saveAs(host::Document& doc) {
    if (auto name = fileName("Save drawing as: ", true, QStringLiteral("Drawings (*.dxf)"))) {
      const QString file = withSuffix(*name, ".dxf");
      // two windows on one file: the later save would silently drop the other's edits
      if (openDrawingAt(file, &doc) != nullptr)
        return print("\n" + file.toStdString() +
                     " is open in another window: close it first or choose another name\n");
      w_.saveDrawing(doc, file);
    }
  }

  // A page per paper frame in model space (else one of the extents), as `ruvo render` does.
  void plot() {
    host::Document* doc = host_.documents().curDocument();
    if (doc == nullptr) return print("\nNo drawing is open.\n");
    auto name = fileName("PDF file to write: ", true, QStringLiteral("PDF (*.pdf)"));
    if (!name) return;
    name = withSuffix(*name, ".pdf");
    if (openDrawingAt(*name, nullptr) != nullptr)
      return print("\n" + name->toStdString() + " is an open drawing: the plot would replace it\n");
    const render::Picture picture = render::renderModelSpace(doc->database());
    std::vector<render::PdfPage> pages = render::framePages(doc->database());
    if (pages.empty()) pages.push_back(render::pageForWindow(picture.extents()));
    const std::string bytes = render::writePdf(picture, pages);
    std::string why;
    if (bytes.empty() || !win::writeFileAtomically(name->toStdString(), bytes, &why)) {
      return print("\n" + name->toStdString() + ": " + (why.empty() ? "cannot be written" : why) +
                   "\n");
    }
    print("\n" + std::to_string(pages.size()) + " page(s) plotted to " + name->toStdString() +
          "\n");
  }

  void open() {
    if (auto name = fileName("File to open: ", false, QStringLiteral("Drawings (*.dxf)"))) {
      w_.openDrawing(*name);
    }
  }

  void save() {
    host::Document* doc = host_.documents().curDocument();
    if (doc == nullptr) return print("\nNo drawing is open.\n");
    if (doc->fileName().empty()) return saveAs(*doc);
    w_.saveDrawing(*doc, QString::fromStdString(doc->fileName()));
  }

  void undo(bool forward) {
    UndoHistory* history = w_.currentUndo();
    if (history == nullptr) return print("\nNo drawing is open.\n");
    const std::string name = forward ? history->redoName() : history->undoName();
    if (name.empty()) return print(forward ? "\nNothing to redo.\n" : "\nNothing to undo.\n");
    const bool ok = forward ? history->redo() : history->undo();
    print(std::string(forward ? "\nRedo " : "\nUndo ") + name + (ok ? "\n" : " (in part)\n"));
  }

  // A window by its corners, or an option: the extents, or a window asked for.
  void zoom() {
    DrawingView* view = w_.currentView();
    if (view == nullptr) return print("\nNo drawing is open.\n");
    host::Editor& editor = host_.editor();
    editor.setKeywords(0, "Extents Window");
    auto a = editor.getPoint("Specify corner of window or [Extents/Window]: ");
    if (a.status == Status::Keyword && editor.keyword() == "Extents") {
      view->zoomExtents();
      view->regen();
      return;
    }
    if (a.status == Status::Keyword) a = editor.getPoint("Specify first corner: ");
    if (a.status != Status::Normal) return;
    const auto b = editor.getPoint("Specify opposite corner: ", a.point);
    if (b.status != Status::Normal) return;
    if (w_.currentView() != view) return;
    view->setView({(a.point.x + b.point.x) / 2, (a.point.y + b.point.y) / 2},
                  std::abs(b.point.x - a.point.x), std::abs(b.point.y - a.point.y));
    view->regen();
  }

  // A web page in the user's browser. Only web addresses: anything else (a local file, a
  // scheme that starts a program) is refused. A script run names the page and opens none.
  void browser() {
    const host::StringResult typed = host_.editor().getString("Enter web location (URL): ");
    if (typed.status != Status::Normal) return;
    const QUrl url = QUrl::fromUserInput(QString::fromStdString(typed.value));
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
      return print("\n" + typed.value + " is no web address (http or https).\n");
    }
    const std::string shown = url.toString().toStdString();
    if (w_.options().scriptRun)
      return print("\nWeb page (not opened in a script run): " + shown + "\n");
    if (!QDesktopServices::openUrl(url)) return print("\nNo browser could open " + shown + "\n");
    print("\nOpened " + shown + "\n");
  }

  void pan() {
    DrawingView* view = w_.currentView();
    if (view == nullptr) return print("\nNo drawing is open.\n");
    const auto from = host_.editor().getPoint("Specify base point: ");
    if (from.status != Status::Normal) return;
    const auto to = host_.editor().getPoint("Specify second point: ", from.point);
    if (to.status != Status::Normal) return;
    const ViewTransform& t = view->view();
    view->setView(
        {t.centre.x - (to.point.x - from.point.x), t.centre.y - (to.point.y - from.point.y)},
        t.width(), t.height());
  }

  void line() {
    host::DocumentLock lock(host_.documents());
    if (!lock.locked()) return print("\nNo drawing is open.\n");
    cad::Database& db = lock.document()->database();
    auto first = host_.editor().getPoint("Specify first point: ");
    if (first.status != Status::Normal) return;
    geom::Point3d from = first.point;
    while (true) {
      auto next = host_.editor().getPoint("Specify next point: ", from);
      if (next.status != Status::Normal) return;
      db.appendToModelSpace(std::make_unique<cad::Line>(from, next.point));
      from = next.point;
    }
  }

  // Entities picked one by one until Enter.
  host::SelectionSet pickSome() {
    host::SelectionSet set;
    while (true) {
      auto pick = host_.editor().pickEntity("Select objects: ");
      if (pick.status == Status::Normal) {
        set.add(pick.id);
      } else if (pick.status == Status::None && pick.point != geom::Point3d{}) {
        print("\nNothing there.\n");
      } else if (pick.status == Status::Cancel) {
        return {};
      } else {
        return set;
      }
    }
  }

  void erase() {
    host::DocumentLock lock(host_.documents());
    if (!lock.locked()) return print("\nNo drawing is open.\n");
    const host::SelectionSet set = pickSome();
    for (cad::ObjectId id : set.ids()) lock.document()->database().erase(id);
    if (!set.empty()) print("\n" + std::to_string(set.length()) + " erased.\n");
  }

  void move() {
    host::DocumentLock lock(host_.documents());
    if (!lock.locked()) return print("\nNo drawing is open.\n");
    const host::SelectionSet set = pickSome();
    if (set.empty()) return;
    auto base = host_.editor().getPoint("Specify base point: ");
    if (base.status != Status::Normal) return;
    const geom::Point3d from = base.point;
    auto drag = host_.editor().dragSelectionSet(
        set, "Specify second point: ", [from](const geom::Point3d& at, geom::Matrix3d& m) {
          m = geom::Matrix3d::translation(at - from);
          return Status::Normal;
        });
    if (drag.status != Status::Normal) return;
    const Status s = host_.editor().transformSelectionSet(set, drag.transform);
    if (s != Status::Normal) {
      print(std::string("\nThe objects cannot be moved (") + std::string(host::statusName(s)) +
            ").\n");
    }
  }

  MainWindow& w_;
  QtHost& host_;
};

}  // namespace

void registerHostCommands(MainWindow& window) {
  // Lives as long as the window: the command table holds functions that refer to it.
  auto* commands = new Commands(window);
  QObject::connect(&window, &QObject::destroyed, [commands] { delete commands; });
  commands->add("NEW", [](Commands& c) { c.host_.documents().newDocument(); });
  commands->add("OPEN", [](Commands& c) { c.open(); });
  commands->add("QSAVE", [](Commands& c) { c.save(); });
  commands->add("SAVE", [](Commands& c) { c.save(); });
  commands->add("SAVEAS", [](Commands& c) {
    if (host::Document* doc = c.host_.documents().curDocument()) c.saveAs(*doc);
  });
  commands->add("CLOSE", [](Commands& c) {
    QMetaObject::invokeMethod(
        &c.w_, [&c] { c.w_.closeDrawing(c.w_.currentWindow()); }, Qt::QueuedConnection);
  });
  for (const char* name : {"QUIT", "EXIT"}) {
    commands->add(name, [](Commands& c) {
      // After the command has ended: drawings close only when no command holds them.
      QMetaObject::invokeMethod(
          &c.w_,
          [&c] {
            if (c.w_.closeAll(true)) QCoreApplication::exit(0);
          },
          Qt::QueuedConnection);
    });
  }
  commands->add("U", [](Commands& c) { c.undo(false); });
  commands->add("UNDO", [](Commands& c) { c.undo(false); });
  commands->add("REDO", [](Commands& c) { c.undo(true); });
  commands->add("ZOOM", [](Commands& c) { c.zoom(); });
  commands->add("PAN", [](Commands& c) { c.pan(); });
  for (const char* name : {"REGEN", "REDRAW"}) {
    commands->add(name, [](Commands& c) {
      if (DrawingView* view = c.w_.currentView()) view->regen();
    });
  }
  commands->add("APPLOAD", [](Commands& c) {
    if (auto name = c.fileName("Application to load: ", false, QStringLiteral("Modules (*.so)"))) {
      c.w_.loadModule(*name);
    }
  });
  commands->add("LINE", [](Commands& c) { c.line(); });
  commands->add("ERASE", [](Commands& c) { c.erase(); });
  commands->add("MOVE", [](Commands& c) { c.move(); });
  commands->add("PLOT", [](Commands& c) { c.plot(); });
  commands->add("BROWSER", [](Commands& c) { c.browser(); });
}

}  // namespace app
