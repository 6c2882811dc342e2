#include "tabulix/run_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QTableWidget>
#include <cstdio>
#include <string_view>

#include "cli/program.h"
#include "platform/ui/script_runner.h"
#include "tabulix/tabulix_dlg.h"

namespace tabulix {

namespace {

// Whether a visible window shows `text`: a label, a button, a table cell or a header.
bool Shows(const QString& text) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible()) continue;
    for (const QLabel* label : top->findChildren<QLabel*>()) {
      if (label->isVisible() && label->text().contains(text)) return true;
    }
    for (const QAbstractButton* button : top->findChildren<QAbstractButton*>()) {
      if (button->isVisible() && button->text().contains(text)) return true;
    }
    for (const QTableWidget* table : top->findChildren<QTableWidget*>()) {
      for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem* head = table->horizontalHeaderItem(c);
        if (head && head->text() == text) return true;
        for (int r = 0; r < table->rowCount(); ++r) {
          const QTableWidgetItem* cell = table->item(r, c);
          if (cell && cell->text() == text) return true;
        }
      }
    }
  }
  return false;
}

}  // namespace

int RunScript(CTabulixDlg& window, const QString& file) {
  QStringList script;
  QString error;
  if (!ui::ScriptRunner::readFile(file, script, error)) {
    std::fprintf(stderr, "tabulix: %s\n", qUtf8Printable(error));
    return cli::kUsage;
  }
  ui::ScriptHooks hooks;
  hooks.readyForLine = [] { return true; };
  hooks.idle = [] { return true; };
  hooks.line = [](const QString& line, QString& why) {
    why = QStringLiteral("tabulix takes directives only: %1").arg(line);
    return false;
  };
  hooks.expect = [](const QString& text, QString& why) {
    if (Shows(text)) return true;
    why = QStringLiteral("no window shows \"%1\"").arg(text);
    return false;
  };
  hooks.mainWindow = [&window]() -> QWidget* { return &window; };
  int status = cli::kDone;
  auto* runner = new ui::ScriptRunner(script, hooks, &window);
  QObject::connect(runner, &ui::ScriptRunner::finished,
                   [&status, &window](int code, const QString& message) {
                     status = code;
                     if (code != 0) {
                       std::fprintf(stderr, "tabulix: script %s\n", qUtf8Printable(message));
                       QCoreApplication::exit(code);
                       return;
                     }
                     // As by the close button: the settings are saved.
                     window.close();
                   });
  runner->start();
  QApplication::exec();
  return status;
}

bool WantsWindow(int argc, char** argv) {
  if (argc == 1) return true;
  if (argc == 3 || argc == 4) return std::string_view(argv[1]) == "--script";
  if (argc != 2) return false;
  const std::string_view arg = argv[1];
  return !arg.starts_with("-") && arg != "export" && arg != "show";
}

bool OpenForScript(CTabulixDlg& window, const QString& file) {
  const CTabulixDlg::MessageBox shown = window.messageBox();
  QString told;
  window.setMessageBox([&told](QWidget*, const QString& text) { told = text; });
  const bool opened = window.OpenDataFileFrom(file);
  window.setMessageBox(shown);
  if (!opened) {
    std::fprintf(stderr, "tabulix: %s: %s\n", qUtf8Printable(told), qUtf8Printable(file));
  }
  return opened;
}

int RunShownWindow(CTabulixDlg& window, const QStringList& args) {
  if (args.size() >= 2 && args[0] == QLatin1String("--script")) {
    if (args.size() >= 3 && !OpenForScript(window, args[2])) return cli::kRefused;
    return RunScript(window, args[1]);
  }
  if (!args.isEmpty()) window.OpenDataFileFrom(args[0]);
  QApplication::exec();
  return cli::kDone;
}

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  CTabulixDlg window(ruvo::LocateSettingsFile(cli::ProgramFolder()), nullptr);
  window.show();
  QStringList args;
  for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
  return RunShownWindow(window, args);
}

}  // namespace tabulix
