#include "platform/app/qt_host.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/app/command_line_widget.h"
#include "platform/app/drawing_view.h"
#include "platform/host/text_util.h"

namespace app {

using host::Status;

void QtCommandLine::print(std::string_view text) {
  widget_.print(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtCommandLine::postPrompt() { widget_.setPrompt(QStringLiteral("Command:")); }

Status QtDisplay::setCurrentView(const host::ViewRecord& v) {
  DrawingView* view = view_();
  if (view == nullptr) return Status::Error;
  return view->setView(v.center, v.width, v.height) ? Status::Normal : Status::InvalidInput;
}

host::ViewRecord QtDisplay::currentView() const {
  DrawingView* view = view_();
  if (view == nullptr) return {};
  const ViewTransform& t = view->view();
  return {t.centre, t.height(), t.width()};
}

Status QtDisplay::drawVector(geom::Point3d from, geom::Point3d to, host::ColourIndex colour,
                             bool highlight) {
  DrawingView* view = view_();
  if (view == nullptr) return Status::Error;
  view->addVector({from, to, colour, highlight});
  return Status::Normal;
}

void QtDisplay::updateDisplay() {
  if (DrawingView* view = view_()) view->update();
}

void QtDisplay::redraw() {
  if (DrawingView* view = view_()) view->regen();
}

QtVariables::QtVariables(std::function<DrawingView*()> view)
    : VariableTable(static_cast<int>(kPickBoxPixels)), view_(std::move(view)) {}

host::Result<host::VariableValue> QtVariables::viewVariable(const std::string& key) const {
  DrawingView* view = view_();
  if (view == nullptr) return Status::Error;
  const ViewTransform& t = view->view();
  if (key == "VIEWCTR") return host::VariableValue(geom::Point3d{t.centre.x, t.centre.y, 0});
  if (key == "VIEWSIZE") return host::VariableValue(t.height());
  return host::VariableValue(
      geom::Point2d{static_cast<double>(t.size.width()), static_cast<double>(t.size.height())});
}

host::MessageBoxButton QtUserInterface::messageBox(std::string_view text, std::string_view caption,
                                                   host::MessageBoxButtons buttons,
                                                   host::MessageBoxIcon icon) {
  using B = host::MessageBoxButton;
  QMessageBox box(window_());
  box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  box.setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
  switch (icon) {
    case host::MessageBoxIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case host::MessageBoxIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case host::MessageBoxIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case host::MessageBoxIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case host::MessageBoxIcon::None:
      break;
  }
  std::vector<std::pair<QMessageBox::StandardButton, B>> shown;
  switch (buttons) {
    case host::MessageBoxButtons::Ok:
      shown = {{QMessageBox::Ok, B::Ok}};
      break;
    case host::MessageBoxButtons::OkCancel:
      shown = {{QMessageBox::Ok, B::Ok}, {QMessageBox::Cancel, B::Cancel}};
      break;
    case host::MessageBoxButtons::YesNo:
      shown = {{QMessageBox::Yes, B::Yes}, {QMessageBox::No, B::No}};
      break;
    case host::MessageBoxButtons::YesNoCancel:
      shown = {
          {QMessageBox::Yes, B::Yes}, {QMessageBox::No, B::No}, {QMessageBox::Cancel, B::Cancel}};
      break;
    case host::MessageBoxButtons::RetryCancel:
      shown = {{QMessageBox::Retry, B::Retry}, {QMessageBox::Cancel, B::Cancel}};
      break;
  }
  QMessageBox::StandardButtons set;
  for (const auto& [qt, ours] : shown) set |= qt;
  box.setStandardButtons(set);
  // Escape answers Cancel where there is one and Ok on a box with Ok alone; a Yes/No box
  // cannot be escaped.
  if (buttons == host::MessageBoxButtons::Ok) box.setEscapeButton(QMessageBox::Ok);
  if (buttons == host::MessageBoxButtons::YesNo)
    box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
  const auto chosen = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const auto& [qt, ours] : shown) {
    if (qt == chosen) return ours;
  }
  return buttons == host::MessageBoxButtons::YesNo ? B::No : B::Cancel;
}

QtHost::QtHost(QtHostParts parts)
    : currentView_(parts.currentView),
      commandLine_(*parts.commandLine),
      display_(parts.currentView),
      variables_(parts.currentView),
      ui_(parts.window, parts.focusView),
      commands_(&commandLine_),
      modules_(*this, [this] { return documents_.documentCount(); }),
      documents_(parts.files,
                 host::DocumentHooks{[this](host::ModuleMessage m) { modules_.broadcast(m); },
                                     [this] { return modules_.allMdiAware(); }}),
      editor_(documents_, commandLine_, *parts.commandLine, parts.currentView),
      services_(modules_, variables_, documents_, parts.files, std::nullopt,
                std::move(parts.supportFolders)) {
  modules_.setTrustedFolders(host::TrustedFolders(parts.trustedFolders));
}

QtHost::~QtHost() {
  editor_.cancel();
  documents_.closeAll();
  modules_.shutdown();
}

}  // namespace app
