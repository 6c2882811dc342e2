#pragma once
// The host without a screen: documents from drawing files, input from a script, the
// command line to a stream, views kept as numbers. The command-line programs and the
// tests run plug-in code on it.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/command_table.h"
#include "platform/host/document_collection.h"
#include "platform/host/headless/headless_display.h"
#include "platform/host/headless/headless_editor.h"
#include "platform/host/headless/headless_services.h"
#include "platform/host/headless/headless_ui.h"
#include "platform/host/headless/headless_variables.h"
#include "platform/host/headless/input_script.h"
#include "platform/host/headless/stream_command_line.h"
#include "platform/host/host.h"
#include "platform/host/menu_model.h"
#include "platform/host/module_loader.h"

namespace win {
class Registry;
}

namespace host::headless {

// The profile's "TRUSTEDPATHS": root\Profiles\<profile>\Variables in the user registry;
// empty when the key or value is missing.
std::string trustedPathsFromRegistry(win::Registry& registry, std::string_view rootKey,
                                     std::string_view profile);

struct HeadlessOptions {
  // Where the command line goes; std::cout when null.
  std::ostream* output = nullptr;
  // Overrides the per-user folder (tests give a temporary one).
  std::optional<std::string> userDataFolder;
  // Folders modules load from without asking, in the profile's "TRUSTEDPATHS" form.
  std::string trustedFolders;
  // The user registry, whose current profile adds its "TRUSTEDPATHS" at every module load.
  // None is read when null.
  win::Registry* registry = nullptr;
  // How drawings are read and written. Without them a new drawing still works, and opening,
  // saving and reading side drawings answer NotSupported.
  DrawingFileIo files;
  // Where support files ("acadiso.lin", ...) are looked for after the drawing's folder.
  std::vector<std::string> supportFolders;
};

class HeadlessHost final : public Host {
 public:
  explicit HeadlessHost(HeadlessOptions options = {});
  ~HeadlessHost() override;
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

  DocumentManager& documents() override { return documents_; }
  Editor& editor() override { return editor_; }
  Display& display() override { return display_; }
  SystemVariables& variables() override { return variables_; }
  CommandLine& commandLine() override { return commandLine_; }
  UserInterface& userInterface() override { return ui_; }
  CommandStack& commands() override { return commands_; }
  ModuleManager& modules() override { return modules_; }
  MenuApplication& menus() override { return menus_; }
  HostServices& services() override { return services_; }

  // The headless side of each part, for scripts and tests.
  InputScript& script() { return script_; }
  HeadlessDisplay& headlessDisplay() { return display_; }
  HeadlessVariables& headlessVariables() { return variables_; }
  HeadlessUserInterface& headlessUserInterface() { return ui_; }
  HeadlessEditor& headlessEditor() { return editor_; }
  StreamCommandLine& streamCommandLine() { return commandLine_; }
  MenuModel& menuModel() { return menus_; }
  ModuleLoader& moduleLoader() { return modules_; }
  DocumentCollection& documentCollection() { return documents_; }

  // Types a command as the user would; prints what a host prints for an unknown or
  // refused command.
  Status typeCommand(std::string_view name);
  // Chooses a menu item: its macro's first word is typed as a command.
  Status chooseMenuItem(std::string_view popupName, std::string_view label);

  // Loads the modules registered for loading at start-up: every key under
  // root\Applications whose "LOADCTRLS" has the bit 2 and whose "LOADER" names the module
  // file. Refusals are printed with their reason. Returns the number loaded; 0 without a
  // registry.
  int loadStartupModules();

 private:
  InputScript script_;
  StreamCommandLine commandLine_;
  HeadlessDisplay display_;
  HeadlessVariables variables_;
  HeadlessUserInterface ui_;
  CommandTable commands_;
  MenuModel menus_;
  ModuleLoader modules_;
  DocumentCollection documents_;
  HeadlessEditor editor_;
  HeadlessServices services_;
  win::Registry* registry_ = nullptr;
};

}  // namespace host::headless
