#pragma once
// The plug-in's application object: what the module does from its initialisation to its
// unloading — the command group, the popup menu, the per-document records, the document
// reactor and the palette.

#include <QPointer>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/host/data_manager.h"
#include "platform/host/module_abi.h"
#include "ruvo/pages/page_context.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/edition.h"

namespace win {
class Registry;
}

namespace ruvo {

class CDocReactor;
class CMyPalette;
class CMyPaletteSet;
class CZRKApp;

inline constexpr const char* kCommandGroup = "TVZRK";
inline constexpr const char* kHomePage = "https://kestra.example.org/";
inline constexpr const char* kStartupMessage =
    "\n命令:请输入命令ruvo或kestrapm启动Kestra切剖面软件\n ";

// One command of the group. A new command is one more row of CommandTable().
struct CommandEntry {
  const char* globalName;
  const char* localName;
  int flags;
  void (CZRKApp::*operation)();
  bool inLegacyEdition;
};
std::span<const CommandEntry> CommandTable();

class CZRKApp final : public PageContext {
 public:
  CZRKApp(host::Host& host, host::ModuleId module, std::string moduleFileName, Edition edition);
  ~CZRKApp() override;
  CZRKApp(const CZRKApp&) = delete;
  CZRKApp& operator=(const CZRKApp&) = delete;

  // Module messages 1 and 2; the reply for the host.
  int InitApplication();
  int UnloadApplication();

  // The commands.
  void OpenPalette();
  void RedockPalette();
  // Cross-sections at stations along a picked centreline, drawn on sheets.
  void Stations();

  // What the document reactor asks for.
  void ShowPaletteIfRemembered();
  void HidePaletteAndRemember();
  void RefreshPages();
  void ReadSettingsIntoCurrent();

  CDocData* CurrentDocData();
  CMyPaletteSet* paletteSet() const;
  CMyPalette* palette() const;
  std::size_t docDataCount() const { return data_ ? data_->size() : 0; }

  host::Host& host() override { return host_; }
  CDocData* currentDocData() override { return CurrentDocData(); }
  std::filesystem::path moduleFolder() const override;
  Edition edition() const override { return edition_; }
  // The pages ask for these two to register the module for loading at the host's start.
  win::Registry& registry() override;
  const std::string& moduleFileName() const override { return moduleFileName_; }

 private:
  std::filesystem::path palettePositionFile();
  void addCommands();
  void removeCommands();
  void createPalette();

  host::Host& host_;
  host::ModuleId module_;
  std::string moduleFileName_;
  Edition edition_;
  std::unique_ptr<host::DocumentDataManager<CDocData>> data_;
  std::unique_ptr<CDocReactor> reactor_;
  std::vector<std::string> commands_;  // the global names this module added
  QPointer<CMyPaletteSet> set_;
  QPointer<CMyPalette> palette_;
};

// The initialised application of this module; nullptr before initialisation and after
// unloading.
CZRKApp* TheApp();
void SetTheApp(CZRKApp* app);

// The current document's record, made on first use; nullptr while no drawing is open.
CDocData* CurrentDocData();

}  // namespace ruvo
