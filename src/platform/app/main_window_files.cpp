// Opening, saving and closing drawings, and loading modules, for the main window.

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/app/command_line_widget.h"
#include "platform/app/main_window.h"
#include "platform/host/headless/headless_host.h"
#include "platform/host/headless/headless_services.h"
#include "platform/host/host_core.h"
#include "platform/win/atomic_file.h"
#include "platform/win/registry.h"

namespace app {

bool MainWindow::openDrawing(const QString& fileName) {
  lastFileError_.clear();
  host::Result<host::Document*> opened = host::Status::Error;
  barrier(host_->commandLine(),
          [&] { opened = host_->documents().openDocument(fileName.toStdString()); });
  if (opened.ok()) return true;
  QString why = QString::fromStdString(lastFileError_);
  if (opened.status() == host::Status::Refused) {
    why = QStringLiteral("a loaded application works with one drawing at a time");
  } else if (why.isEmpty()) {
    why = QString::fromLatin1(host::statusName(opened.status()));
  }
  const QString text = QStringLiteral("Cannot open %1: %2").arg(fileName, why);
  commandLine_->print(QStringLiteral("\n") + text + QStringLiteral("\n"));
  // A script cannot answer a box it did not expect; it reads the reason on stderr.
  if (options_.scriptRun) {
    qWarning("%s", qUtf8Printable(text));
  } else {
    QMessageBox::warning(this, QStringLiteral("kestra"), text);
  }
  return false;
}

bool MainWindow::saveDrawing(host::Document& doc, const QString& fileName) {
  namespace fs = std::filesystem;
  const fs::path target = fs::absolute(fs::path(fileName.toStdString()));
  std::error_code ec;
  // The file as it was before this save stays beside it as NAME.bak.
  if (fs::is_regular_file(target, ec)) {
    fs::path backup = target;
    backup.replace_extension(".bak");
    // written whole or not at all: a failed copy (a full disk) leaves the last backup
    std::string why;
    const std::optional<std::string> previous = win::readFileBytes(target);
    if (!previous) why = "cannot be read";
    if (previous && win::isReadOnly(target)) why = "the drawing is read-only";
    if (why.empty() && !win::writeFileAtomically(backup, *previous, &why) && why.empty())
      why = "cannot be written";
    if (!why.empty()) {
      commandLine_->print(
          QStringLiteral("\nCannot keep the previous file as %1: %2\n")
              .arg(QString::fromStdString(backup.string()), QString::fromStdString(why)));
      return false;
    }
  }
  lastFileError_.clear();
  host::Status s = host::Status::Error;
  barrier(host_->commandLine(),
          [&] { s = host_->documents().saveDocumentAs(doc, target.string()); });
  if (s != host::Status::Normal) {
    const QString why = lastFileError_.empty() ? QString::fromLatin1(host::statusName(s))
                                               : QString::fromStdString(lastFileError_);
    commandLine_->print(QStringLiteral("\nCannot save %1: %2\n").arg(fileName, why));
    if (!options_.scriptRun) QMessageBox::warning(this, QStringLiteral("kestra"), why);
    return false;
  }
  if (DocumentWindow* w = windowOf(doc)) w->setModified(false);
  commandLine_->print(QStringLiteral("\nSaved %1\n").arg(QString::fromStdString(target.string())));
  updateTitle();
  return true;
}

int MainWindow::askToSave(const DocumentWindow& window) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("kestra"), QStringLiteral("保存修改吗?"),
                  QMessageBox::NoButton, this);
  box.setInformativeText(QString::fromStdString(window.document().title()));
  QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
  QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == yes) return 0;
  if (box.clickedButton() == no) return 1;
  return 2;
}

bool MainWindow::closeDrawing(DocumentWindow* window, bool ask) {
  if (window == nullptr) return true;
  host::Document& doc = window->document();
  if (ask && window->modified()) {
    switch (askToSave(*window)) {
      case 0:
        if (doc.fileName().empty()) {
          commandLine_->print(QStringLiteral("\nThe drawing has no file yet: use SAVEAS.\n"));
          return false;
        }
        if (!saveDrawing(doc, QString::fromStdString(doc.fileName()))) return false;
        break;
      case 1:
        break;
      default:
        return false;
    }
  }
  host::Status s = host::Status::Error;
  barrier(host_->commandLine(), [&] { s = host_->documents().closeDocument(doc); });
  if (s != host::Status::Normal) {
    commandLine_->print(QStringLiteral("\nThe drawing cannot be closed now (%1).\n")
                            .arg(QString::fromLatin1(host::statusName(s))));
    return false;
  }
  return true;
}

bool MainWindow::closeAll(bool ask) {
  while (host::Document* doc = host_->documents().curDocument()) {
    if (!closeDrawing(windowOf(*doc), ask)) return false;
    if (host_->documents().curDocument() == doc) return false;
  }
  return true;
}

bool MainWindow::askUntrusted(const std::string& file) {
  if (options_.scriptRun) return false;
  const auto answer = QMessageBox::warning(
      this, QStringLiteral("kestra"),
      QStringLiteral("The application %1 lies outside the trusted folders. Load it?")
          .arg(QString::fromStdString(file)),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  return answer == QMessageBox::Yes;
}

bool MainWindow::loadModule(const QString& fileName) {
  const std::string file = fileName.toStdString();
  host::LoadOptions options;
  if (!host_->moduleLoader().trusts(file) && std::filesystem::exists(file)) {
    options.allowUntrustedFolder = askUntrusted(file);
    if (!options.allowUntrustedFolder && options_.scriptRun) {
      // A script names its modules itself; it cannot answer a question before it is asked.
      options.allowUntrustedFolder = true;
    }
  }
  host::ModuleResult r;
  barrier(host_->commandLine(), [&] { r = host_->moduleLoader().loadModule(file, options); });
  if (!r.ok()) {
    commandLine_->print(QStringLiteral("\nThe application was not loaded: %1\n")
                            .arg(QString::fromStdString(r.reason)));
  }
  rebuildMenus();
  return r.ok();
}

void MainWindow::loadStartupModules() {
  if (!options_.useRegistry) return;
  win::Registry& registry = win::Registry::currentUser();
  const std::string root = host_->services().registryProductRootKey();
  host_->moduleLoader().setTrustedFoldersSource([this, &registry, root] {
    return host::headless::trustedPathsFromRegistry(registry, root,
                                                    host_->services().currentProfileName());
  });
  const bool registered = !host::startupModules(registry, root).empty();
  barrier(host_->commandLine(), [&] {
    host::loadStartupModules(&registry, root, host_->moduleLoader(), host_->commandLine(),
                             [this](const std::string& file) { return askUntrusted(file); });
  });
  // With nothing registered, the plug-in of the current edition beside the application.
  const QString own = QCoreApplication::applicationDirPath() + QStringLiteral("/ruvo2443x64.so");
  if (!registered && QFileInfo::exists(own)) loadModule(own);
  rebuildMenus();
}

}  // namespace app
