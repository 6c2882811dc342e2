#include "tabulix/run_window.h"

#include <QApplication>
#include <string_view>

#include "cli/program.h"
#include "tabulix/tabulix_dlg.h"

namespace tabulix {

bool WantsWindow(int argc, char** argv) {
  if (argc == 1) return true;
  if (argc != 2) return false;
  const std::string_view arg = argv[1];
  return !arg.starts_with("-") && arg != "export" && arg != "show";
}

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  CTabulixDlg window(ruvo::LocateSettingsFile(cli::ProgramFolder()), nullptr);
  window.show();
  if (argc == 2) window.OpenDataFileFrom(QString::fromLocal8Bit(argv[1]));
  window.exec();
  return cli::kDone;
}

}  // namespace tabulix
