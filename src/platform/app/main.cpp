// kestra: the desktop CAD host.

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <exception>

#include "platform/app/command_line_widget.h"
#include "platform/app/drawing_view.h"
#include "platform/app/main_window.h"
#include "platform/ui/script_runner.h"

namespace {

constexpr const char* kUsage = R"(Usage: kestra [OPTIONS] [DRAWING...]
The desktop CAD host: opens DXF drawings (each in a tab) and runs plug-in modules.

Options:
  --script FILE   run FILE after start, then exit (0 when every line was carried out)
  --load MODULE   load a module by hand (may be given several times)
  --white         white background instead of the dark one
  --no-registry   load no modules named in the user registry
  --help          show this text
  --version       show the version

Script lines are command-line input exactly as typed (commands, answers to prompts,
points as x,y or x,y,z; an empty answer is a line holding only "@key Return"), except:
  # ...                     a comment; blank lines are skipped too
  @click TEXT               click the button, tab, menu item or check box called TEXT
                            ("&" markers removed, blanks trimmed)
  @check TEXT on|off        set the check box TEXT
  @choose LABEL ENTRY       choose ENTRY in the combo box labelled LABEL
  @cell ROW COLUMN          click that cell (both counted from 1) of the focused list, or
                            of the only list shown; a click on an editable cell of the
                            data page's list opens its editor for @type
  @type TEXT                type TEXT into the focused widget
  @key NAME                 press Return, Escape, Tab, Up, Down, Delete or F1...F12
                            (@type and @key first wait until an open dialog has the focus)
  @wait                     wait until nothing is pending (redraws included)
  @screenshot FILE.png      save a picture of the active window
  @expect TEXT              stop with status 1 unless the command line shows TEXT
In a script run OPEN, SAVEAS and APPLOAD read the file name from the next line, message
boxes are answered with @click, and modules outside the trusted folders are not loaded
at start. A line that cannot be carried out stops the run with status 1 and its number
on stderr. QUIT asks "保存修改吗?" for changed drawings: answer with @click 否 to discard.
)";

app::CommandLineWidget* g_commandLine = nullptr;

// Qt does not let an exception cross its event loop: whatever a plug-in's handler lets
// escape ends here, as one command-line message.
class Application final : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      report(e.what());
    } catch (...) {
      report("an unknown exception");
    }
    return false;
  }

 private:
  static void report(const char* what) {
    if (g_commandLine != nullptr) {
      g_commandLine->print(QStringLiteral("\nError: %1\n").arg(QString::fromUtf8(what)));
    } else {
      std::fprintf(stderr, "kestra: %s\n", what);
    }
  }
};

struct Arguments {
  QString script;
  QStringList modules;
  QStringList drawings;
  bool white = false;
  bool registry = true;
};

// 0 to go on; otherwise the exit status + 1.
int parse(const QStringList& args, Arguments& out) {
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      std::fputs(kUsage, stdout);
      return 1;
    }
    if (a == QLatin1String("--version")) {
      std::printf("kestra %s\n", KESTRA_VERSION);
      return 1;
    }
    if (a == QLatin1String("--script") || a == QLatin1String("--load")) {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "kestra: %s needs a file name (see --help)\n", qUtf8Printable(a));
        return 3;
      }
      if (a == QLatin1String("--script")) {
        out.script = args[++i];
      } else {
        out.modules.append(args[++i]);
      }
    } else if (a == QLatin1String("--white")) {
      out.white = true;
    } else if (a == QLatin1String("--no-registry")) {
      out.registry = false;
    } else if (a.startsWith(QLatin1String("--"))) {
      std::fprintf(stderr, "kestra: unknown option %s (see --help)\n", qUtf8Printable(a));
      return 3;
    } else {
      out.drawings.append(a);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version need no display.
  QStringList raw;
  for (int i = 0; i < argc; ++i) raw.append(QString::fromLocal8Bit(argv[i]));
  Arguments args;
  if (const int done = parse(raw, args)) return done - 1;

  Application application(argc, argv);
  QStringList script;
  if (!args.script.isEmpty()) {
    QString error;
    if (!ui::ScriptRunner::readFile(args.script, script, error)) {
      std::fprintf(stderr, "kestra: %s\n", qUtf8Printable(error));
      return 2;
    }
  }
  app::AppOptions options;
  options.scriptRun = !args.script.isEmpty();
  options.whiteBackground = args.white;
  options.useRegistry = args.registry;
  app::MainWindow window(options);
  g_commandLine = &window.commandLine();
  window.show();

  window.loadStartupModules();
  for (const QString& module : args.modules) window.loadModule(module);
  bool opened = true;
  for (const QString& drawing : args.drawings) opened = window.openDrawing(drawing) && opened;
  if (options.scriptRun && !opened) return 1;

  int status = 0;
  if (options.scriptRun) {
    ui::ScriptHooks hooks;
    hooks.readyForLine = [&window] { return window.readyForInput(); };
    hooks.idle = [&window] {
      app::DrawingView* view = window.currentView();
      return view == nullptr || !view->regenPending();
    };
    hooks.line = [&window](const QString& line, QString& error) {
      window.commandLine().enter(line);
      error = window.lineError();
      return error.isEmpty();
    };
    hooks.expect = [&window](const QString& text, QString& error) {
      if (window.commandLine().transcript().contains(text)) return true;
      error = QStringLiteral("the command line does not show \"%1\"").arg(text);
      return false;
    };
    hooks.mainWindow = [&window]() -> QWidget* { return &window; };
    auto* runner = new ui::ScriptRunner(script, hooks, &window);
    QObject::connect(runner, &ui::ScriptRunner::finished,
                     [&status](int code, const QString& message) {
                       if (code != 0)
                         std::fprintf(stderr, "kestra: script %s\n", qUtf8Printable(message));
                       status = code;
                       QCoreApplication::exit(code);
                     });
    runner->start();
  }
  const int code = application.exec();
  g_commandLine = nullptr;
  return options.scriptRun ? status : code;
}
