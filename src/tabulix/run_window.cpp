#include "tabulix/run_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
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
  if (argc == 3) return std::string_view(argv[1]) == "--script";
  if (argc != 2) return false;
  const std::string_view arg = argv[1];
  return !arg.starts_with("-") && arg != "export" && arg != "show";
}

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  CTabulixDlg window(ruvo::LocateSettingsFile(cli::ProgramFolder()), nullptr);
  window.show();
  if (argc == 3) return RunScript(window, QString::fromLocal8Bit(argv[2]));
  if (argc == 2) window.OpenDataFileFrom(QString::fromLocal8Bit(argv[1]));
  QApplication::exec();
  return cli::kDone;
}

}  // namespace tabulix
