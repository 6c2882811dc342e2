#include "ruvo/plugin/zrk_app.h"

#include <QApplication>
#include <QMainWindow>

#include "platform/host/command_line.h"
#include "platform/host/command_stack.h"
#include "platform/host/host.h"
#include "platform/host/host_services.h"
#include "platform/host/module_manager.h"
#include "platform/host/user_interface.h"
#include "platform/ui/main_frame.h"
#include "platform/win/module_path.h"
#include "platform/win/registry.h"
#include "ruvo/plugin/doc_reactor.h"
#include "ruvo/plugin/palette_position.h"
#include "ruvo/plugin/palette_set.h"
#include "ruvo/plugin/popup_menu.h"
#include "ruvo/settings/settings_store.h"
#include "ruvo/stations/station_run.h"

namespace ruvo {

namespace {

CZRKApp* g_app = nullptr;

constexpr CommandEntry kCommands[] = {
    {"_RUVO", "ruvo", host::kCommandTransparent, &CZRKApp::OpenPalette, true},
    {"_KESTRAPM", "kestrapm", host::kCommandTransparent, &CZRKApp::OpenPalette, true},
    {"_KESTRARESET", "ruvoreset", host::kCommandTransparent, &CZRKApp::RedockPalette, false},
    {"_RUVOSTATIONS", "ruvostations", host::kCommandModal, &CZRKApp::Stations, false},
};

bool inEdition(const CommandEntry& c, Edition edition) {
  return edition == Edition::Current || c.inLegacyEdition;
}

// Widgets need the host's Qt application; a host without a screen has none.
bool haveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

std::span<const CommandEntry> CommandTable() { return kCommands; }

CZRKApp* TheApp() { return g_app; }
void SetTheApp(CZRKApp* app) { g_app = app; }

CDocData* CurrentDocData() { return g_app != nullptr ? g_app->CurrentDocData() : nullptr; }

CZRKApp::CZRKApp(host::Host& host, host::ModuleId module, std::string moduleFileName,
                 Edition edition)
    : host_(host), module_(module), moduleFileName_(std::move(moduleFileName)), edition_(edition) {}

CZRKApp::~CZRKApp() { UnloadApplication(); }

CMyPaletteSet* CZRKApp::paletteSet() const { return set_.data(); }
CMyPalette* CZRKApp::palette() const { return palette_.data(); }

std::filesystem::path CZRKApp::moduleFolder() const {
  return std::filesystem::path(moduleFileName_).parent_path();
}

win::Registry& CZRKApp::registry() { return win::Registry::currentUser(); }

std::filesystem::path CZRKApp::palettePositionFile() {
  return std::filesystem::path(host_.services().userDataFolder() + kPalettePositionFile);
}

int CZRKApp::InitApplication() {
  host_.modules().unlockModule(module_);
  host_.modules().declareMdiAware(module_);
  addCommands();
  // The records' manager watches the documents before the reactor does, so a closing
  // document's record is gone before the palette reacts to the closing.
  data_ = std::make_unique<host::DocumentDataManager<CDocData>>(host_.documents());
  reactor_ = std::make_unique<CDocReactor>(*this, &host_.documents());
  if (edition_ == Edition::Current) {
    // Menu failures are the host's business; the start-up message is printed regardless.
    AddPopupMenuItem(host_.menus(), "&KKestra切剖面", "kestrapm\n");
    AddPopupMenuItem(host_.menus(), "访问主页", std::string("_browser ") + kHomePage + " ");
    host_.commandLine().print(kStartupMessage);
  }
  return host::kModuleReplyOk;
}

int CZRKApp::UnloadApplication() {
  removeCommands();
  reactor_.reset();
  // Nothing is saved here: the position and visibility are kept when the last drawing closes.
  delete set_.data();
  set_ = nullptr;
  palette_ = nullptr;
  data_.reset();
  return host::kModuleReplyOk;
}

void CZRKApp::addCommands() {
  for (const CommandEntry& c : CommandTable()) {
    if (!inEdition(c, edition_)) continue;
    auto op = c.operation;
    const host::Status s = host_.commands().addCommand(kCommandGroup, c.globalName, c.localName,
                                                       c.flags, [this, op] { (this->*op)(); });
    if (s == host::Status::Normal) {
      commands_.emplace_back(c.globalName);
    } else {
      // Taken by another module (the other edition loaded too): said, and left to it.
      host_.commandLine().print(std::string("\n命令:命令") + c.localName + "已被其他程序占用\n");
    }
  }
}

void CZRKApp::removeCommands() {
  // only the commands this module added: a name another module holds stays its own
  for (const std::string& name : commands_) host_.commands().removeCommand(kCommandGroup, name);
  commands_.clear();
}

CDocData* CZRKApp::CurrentDocData() { return data_ ? data_->curDocData() : nullptr; }

void CZRKApp::ReadSettingsIntoCurrent() {
  if (CDocData* doc = CurrentDocData()) ReadSettings(registry(), *doc);
}

void CZRKApp::OpenPalette() {
  ui::MainFrame* frame = ui::mainFrame();
  if (set_) {
    if (frame != nullptr && edition_ == Edition::Current) {
      frame->showControlBar(set_, true);
    } else {
      set_->show();
    }
    return;
  }
  if (!haveWidgets()) {
    host_.commandLine().print("\n命令:没有图形界面,无法显示Kestra切剖面面板\n ");
    return;
  }
  ReadSettingsIntoCurrent();
  // The older edition reads the stored width without applying it.
  if (edition_ == Edition::Legacy) ReadPaletteWidth(registry());
  createPalette();
  const int width = set_->width();
  set_->dock(ui::DockSide::Left);
  // A dock bar takes the narrowest width its windows allow; the palette starts at its own.
  if (auto* window = qobject_cast<QMainWindow*>(set_->parentWidget());
      window && !set_->isFloating())
    window->resizeDocks({set_.data()}, {width}, Qt::Horizontal);
  if (edition_ == Edition::Current) {
    LoadPalettePosition(*set_, palettePositionFile());
    if (frame != nullptr) {
      frame->showControlBar(set_, true);
    } else {
      set_->show();
    }
  } else {
    set_->show();
  }
  if (set_->opacity() != 100) set_->setOpacity(100);
  host_.userInterface().focusDrawingView();
}

void CZRKApp::createPalette() {
  ui::MainFrame* frame = ui::mainFrame();
  QWidget* parent = frame != nullptr ? frame->mainWindow() : nullptr;
  set_ = new CMyPaletteSet(edition_, parent);
  palette_ = new CMyPalette(*this);
  palette_->resize(set_->size());
  set_->addPalette(QStringLiteral("数据"), palette_);
}

void CZRKApp::Stations() {
  CDocData* doc = CurrentDocData();
  if (doc == nullptr) return;
  RunStations(host_, *doc, edition_);
}

void CZRKApp::RedockPalette() {
  if (set_) set_->dock(ui::DockSide::Left);
}

void CZRKApp::ShowPaletteIfRemembered() {
  if (!set_) return;
  if (ReadPltState(registry(), edition_) && set_->isHidden()) {
    if (ui::MainFrame* frame = ui::mainFrame()) {
      frame->showControlBar(set_, true);
    } else {
      set_->show();
    }
  }
}

void CZRKApp::HidePaletteAndRemember() {
  if (set_ && edition_ == Edition::Current) SavePalettePosition(*set_, palettePositionFile());
  if (set_ && !set_->isHidden()) {
    WritePltState(registry(), true, edition_);
    set_->hide();
  } else {
    WritePltState(registry(), false, edition_);
  }
}

void CZRKApp::RefreshPages() {
  if (palette_) palette_->childDlg().RefreshPages();
}

}  // namespace ruvo
