#pragma once
// The host interface over Qt widgets: the command line widget, the drawing view of the
// current document, message boxes, and the parts every host shares (command stack, menus,
// module loader, documents, services).

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/app/qt_editor.h"
#include "platform/host/command_line.h"
#include "platform/host/command_table.h"
#include "platform/host/display.h"
#include "platform/host/document_collection.h"
#include "platform/host/headless/headless_services.h"
#include "platform/host/host.h"
#include "platform/host/menu_model.h"
#include "platform/host/module_loader.h"
#include "platform/host/system_variables.h"
#include "platform/host/user_interface.h"
#include "platform/host/variable_table.h"

class QWidget;

namespace app {

class CommandLineWidget;
class DrawingView;

class QtCommandLine final : public host::CommandLine {
 public:
  explicit QtCommandLine(CommandLineWidget& widget) : widget_(widget) {}
  void print(std::string_view text) override;
  void postPrompt() override;

 private:
  CommandLineWidget& widget_;
};

class QtDisplay final : public host::Display {
 public:
  explicit QtDisplay(std::function<DrawingView*()> view) : view_(std::move(view)) {}
  host::Status setCurrentView(const host::ViewRecord& view) override;
  host::ViewRecord currentView() const override;
  host::Status drawVector(geom::Point3d from, geom::Point3d to, host::ColourIndex colour,
                          bool highlight) override;
  void updateDisplay() override;
  void redraw() override;

 private:
  std::function<DrawingView*()> view_;
};

class QtVariables final : public host::VariableTable {
 public:
  explicit QtVariables(std::function<DrawingView*()> view);

 protected:
  host::Result<host::VariableValue> viewVariable(const std::string& key) const override;

 private:
  std::function<DrawingView*()> view_;
};

class QtUserInterface final : public host::UserInterface {
 public:
  QtUserInterface(std::function<QWidget*()> window, std::function<void()> focusView)
      : window_(std::move(window)), focusView_(std::move(focusView)) {}
  host::MessageBoxButton messageBox(std::string_view text, std::string_view caption,
                                    host::MessageBoxButtons buttons,
                                    host::MessageBoxIcon icon) override;
  void focusDrawingView() override { focusView_(); }

 private:
  std::function<QWidget*()> window_;
  std::function<void()> focusView_;
};

struct QtHostParts {
  CommandLineWidget* commandLine = nullptr;
  std::function<DrawingView*()> currentView;
  std::function<QWidget*()> window;
  std::function<void()> focusView;
  host::DrawingFileIo files;
  std::string trustedFolders;
  // Where findFile looks after the drawing's folder (the application's own folder first).
  std::vector<std::string> supportFolders;
};

class QtHost final : public host::Host {
 public:
  explicit QtHost(QtHostParts parts);
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  host::DocumentManager& documents() override { return documents_; }
  host::Editor& editor() override { return editor_; }
  host::Display& display() override { return display_; }
  host::SystemVariables& variables() override { return variables_; }
  host::CommandLine& commandLine() override { return commandLine_; }
  host::UserInterface& userInterface() override { return ui_; }
  host::CommandStack& commands() override { return commands_; }
  host::ModuleManager& modules() override { return modules_; }
  host::MenuApplication& menus() override { return menus_; }
  host::HostServices& services() override { return services_; }

  QtEditor& qtEditor() { return editor_; }
  host::CommandTable& commandTable() { return commands_; }
  host::MenuModel& menuModel() { return menus_; }
  host::ModuleLoader& moduleLoader() { return modules_; }
  host::DocumentCollection& documentCollection() { return documents_; }
  DrawingView* currentView() const { return currentView_(); }

 private:
  std::function<DrawingView*()> currentView_;
  QtCommandLine commandLine_;
  QtDisplay display_;
  QtVariables variables_;
  QtUserInterface ui_;
  host::CommandTable commands_;
  host::MenuModel menus_;
  host::ModuleLoader modules_;
  host::DocumentCollection documents_;
  QtEditor editor_;
  // The headless host's services serve the desktop as they are: the same per-user folder
  // (the plug-in's files are shared with the command line's), the same registry root, and
  // files found in the drawing's folder and then the support folders given here.
  host::headless::HeadlessServices services_;
};

}  // namespace app
