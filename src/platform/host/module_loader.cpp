#include "platform/host/module_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/host/command_line.h"
#include "platform/host/command_stack.h"
#include "platform/host/host.h"
#include "platform/host/menu.h"
#include "platform/win/utf8.h"

namespace host {

struct ModuleLoader::Loaded {
  ModuleInfo info;
  void* handle = nullptr;
  ModuleEntryPointFn entry = nullptr;
};

namespace {

std::string normalisedPath(std::string_view fileName) {
  std::error_code ec;
  auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(fileName, ec), ec);
  return p.lexically_normal().string();
}

template <class Fn>
Fn symbol(void* handle, const char* name) {
  return reinterpret_cast<Fn>(dlsym(handle, name));
}

std::string lastDlError() {
  const char* e = dlerror();
  return e != nullptr ? std::string(e) : std::string("unknown reason");
}

// What a module can leave in the host while it initialises: its commands, and the items
// and popups it adds to the menus. Taken before the initialise message, so that a module
// that then fails leaves the host as it found it.
class HostFootprint {
 public:
  explicit HostFootprint(Host& host) : host_(host), commands_(host.commands().commands()) {
    forEachPopup([&](PopupMenu& popup) { popups_.push_back(snapshot(popup)); });
  }

  // Takes away what was added since, and puts back the items of the popups that were there.
  void restore() {
    CommandStack& stack = host_.commands();
    for (const CommandInfo& now : stack.commands()) {
      const bool before =
          std::any_of(commands_.begin(), commands_.end(), [&](const CommandInfo& c) {
            return win::equalsIgnoreAsciiCase(c.group, now.group) &&
                   win::equalsIgnoreAsciiCase(c.globalName, now.globalName);
          });
      if (!before) stack.removeCommand(now.group, now.globalName);
    }
    forEachPopup([&](PopupMenu& popup) { restore(popup); });
  }

 private:
  template <class F>
  void forEachPopup(const F& f) {
    MenuGroups& groups = host_.menus().menuGroups();
    for (int g = 0; g < groups.count(); ++g) {
      Result<MenuGroup*> group = groups.item(g);
      if (!group.ok()) continue;
      PopupMenus& popups = group.value()->menus();
      for (int p = 0; p < popups.count(); ++p) {
        Result<PopupMenu*> popup = popups.item(p);
        if (popup.ok()) f(*popup.value());
      }
    }
  }

  struct Popup {
    PopupMenu* popup;
    std::vector<MenuItem> items;
    bool onBar;
  };

  static Popup snapshot(PopupMenu& popup) {
    Popup out{&popup, {}, popup.onMenuBar()};
    for (int i = 0; i < popup.count(); ++i) {
      Result<MenuItem> item = popup.item(i);
      if (item.ok()) out.items.push_back(item.value());
    }
    return out;
  }

  void restore(PopupMenu& popup) {
    auto it = std::find_if(popups_.begin(), popups_.end(),
                           [&](const Popup& p) { return p.popup == &popup; });
    // A popup made by the module stays in its group (a group cannot lose one), empty and
    // off the menu bar, so nothing of it shows.
    const Popup was = it != popups_.end() ? *it : Popup{&popup, {}, false};
    const Popup now = snapshot(popup);
    const auto same = [](const MenuItem& a, const MenuItem& b) {
      return a.kind == b.kind && a.label == b.label && a.macro == b.macro;
    };
    if (!std::equal(now.items.begin(), now.items.end(), was.items.begin(), was.items.end(), same)) {
      while (popup.count() > 0 && ok(popup.removeItem(popup.count() - 1))) {
      }
      for (const MenuItem& item : was.items) {
        if (item.kind == MenuItemKind::Separator) {
          popup.addSeparator(popup.count());
        } else {
          popup.addMenuItem(popup.count(), item.label, item.macro);
        }
      }
    }
    if (now.onBar && !was.onBar) popup.removeFromMenuBar();
  }

  Host& host_;
  std::vector<CommandInfo> commands_;
  std::vector<Popup> popups_;
};

}  // namespace

ModuleLoader::ModuleLoader(Host& host, std::function<std::size_t()> openDocuments)
    : host_(host), openDocuments_(std::move(openDocuments)) {}

ModuleLoader::~ModuleLoader() { shutdown(); }

ModuleResult ModuleLoader::refuse(Status status, std::string reason) {
  return ModuleResult{status, ModuleId{}, std::move(reason)};
}

bool ModuleLoader::trusts(std::string_view fileName) const {
  const std::string path = normalisedPath(fileName);
  return trusted_.trusts(path) || (trustedSource_ && TrustedFolders(trustedSource_()).trusts(path));
}

ModuleResult ModuleLoader::loadModule(std::string_view fileName, LoadOptions options) {
  std::string path = normalisedPath(fileName);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    return refuse(Status::NotFound, "no module file " + path);
  }
  if (findByFileName(path) != nullptr) {
    return refuse(Status::AlreadyExists, path + " is already loaded");
  }
  if (!options.allowUntrustedFolder && !trusts(path)) {
    return refuse(Status::Refused, path + " is not in a trusted folder (TRUSTEDPATHS)");
  }
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return refuse(Status::Error, "cannot load " + path + ": " + lastDlError());

  auto module = std::make_unique<Loaded>();
  module->handle = handle;
  module->info.fileName = path;
  module->entry = symbol<ModuleEntryPointFn>(handle, kEntryPointSymbol);
  auto version = symbol<ModuleApiVersionFn>(handle, kApiVersionSymbol);
  if (module->entry == nullptr || version == nullptr) {
    dlclose(handle);
    return refuse(Status::NotSupported, path + " exports no " + kEntryPointSymbol + " and " +
                                            kApiVersionSymbol + "; it is not a module");
  }
  if (int v = version(); v != kModuleApiVersion) {
    dlclose(handle);
    return refuse(Status::NotSupported, path + " was built for interface version " +
                                            std::to_string(v) + ", this host offers " +
                                            std::to_string(kModuleApiVersion));
  }
  auto legacyCreate = symbol<LegacyCreateModuleObjectFn>(handle, kLegacyCreateObjectSymbol);
  auto legacyVersion = symbol<LegacyApiVersionFn>(handle, kLegacyApiVersionSymbol);
  if (legacyCreate != nullptr || legacyVersion != nullptr) {
    int major = 0, minor = 0, correction = 0, build = 0;
    if (legacyVersion != nullptr) legacyVersion(&major, &minor, &correction, &build);
    if (legacyCreate == nullptr || legacyVersion == nullptr || major != kLegacyApiMajor ||
        minor != kLegacyApiMinor) {
      dlclose(handle);
      return refuse(Status::NotSupported,
                    path + " is a legacy module of interface " + std::to_string(major) + "." +
                        std::to_string(minor) + ", this host accepts " +
                        std::to_string(kLegacyApiMajor) + "." + std::to_string(kLegacyApiMinor));
    }
    if (legacyCreate(handle) == nullptr) {
      dlclose(handle);
      return refuse(Status::Error, path + " made no module object");
    }
    module->info.edition = ModuleEdition::Legacy;
  }
  module->info.id = ModuleId{nextId_++};
  ModuleId id = module->info.id;
  loaded_.push_back(std::move(module));
  Loaded& added = *loaded_.back();

  HostFootprint footprint(host_);
  if (send(added, ModuleMessage::Initialise) != kModuleReplyOk) {
    // Before the library goes: the commands it registered hold its code.
    footprint.restore();
    discard(id);
    return refuse(Status::Error, path + " failed to initialise");
  }
  std::size_t open = openDocuments_ ? openDocuments_() : 0;
  if (!added.info.mdiAware && open > 1) {
    send(added, ModuleMessage::Unload);
    discard(id);
    return refuse(Status::Refused,
                  path + " is not MDI-aware and " + std::to_string(open) + " drawings are open");
  }
  return ModuleResult{Status::Normal, id, {}};
}

ModuleResult ModuleLoader::unloadModule(ModuleId id) {
  auto it =
      std::find_if(loaded_.begin(), loaded_.end(), [&](const auto& m) { return m->info.id == id; });
  if (it == loaded_.end()) return refuse(Status::NotFound, "no such module is loaded");
  Loaded& module = **it;
  if (!module.info.unlocked) {
    return refuse(Status::Locked, module.info.fileName + " is locked and cannot be unloaded");
  }
  if (send(module, ModuleMessage::Unload) != kModuleReplyOk) {
    return refuse(Status::Refused, module.info.fileName + " refused to unload");
  }
  discard(id);
  return ModuleResult{Status::Normal, id, {}};
}

// The one place host code calls into a module: nothing a module throws gets past it.
int ModuleLoader::send(Loaded& module, ModuleMessage message) {
  ModulePacket packet{&host_, module.info.id, module.info.fileName.c_str()};
  // Copied: the module may unload itself (and so free `module`) before it throws.
  std::string fileName = module.info.fileName;
  std::string failure;
  try {
    return module.entry(static_cast<int>(message), &packet);
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown exception";
  }
  host_.commandLine().print("\n" + fileName + " failed on module message " +
                            std::to_string(static_cast<int>(message)) + ": " + failure + "\n");
  return kModuleReplyError;
}

void ModuleLoader::close(std::unique_ptr<Loaded>& module) {
  if (module && module->handle != nullptr) {
    dlclose(module->handle);
    module->handle = nullptr;
  }
}

// By id, not by position: a module may load or unload others while handling a message.
void ModuleLoader::discard(ModuleId id) {
  auto it =
      std::find_if(loaded_.begin(), loaded_.end(), [&](const auto& m) { return m->info.id == id; });
  if (it == loaded_.end()) return;
  std::unique_ptr<Loaded> module = std::move(*it);
  loaded_.erase(it);
  close(module);
}

ModuleLoader::Loaded* ModuleLoader::findLoaded(ModuleId id) {
  for (auto& m : loaded_) {
    if (m->info.id == id) return m.get();
  }
  return nullptr;
}

Status ModuleLoader::unlockModule(ModuleId id) {
  Loaded* m = findLoaded(id);
  if (m == nullptr) return Status::NotFound;
  m->info.unlocked = true;
  return Status::Normal;
}

Status ModuleLoader::lockModule(ModuleId id) {
  Loaded* m = findLoaded(id);
  if (m == nullptr) return Status::NotFound;
  m->info.unlocked = false;
  return Status::Normal;
}

Status ModuleLoader::declareMdiAware(ModuleId id) {
  Loaded* m = findLoaded(id);
  if (m == nullptr) return Status::NotFound;
  m->info.mdiAware = true;
  return Status::Normal;
}

void ModuleLoader::broadcast(ModuleMessage message) {
  // Ids, not pointers: a module may unload another while handling the message.
  std::vector<ModuleId> ids;
  for (auto& m : loaded_) ids.push_back(m->info.id);
  for (ModuleId id : ids) {
    if (Loaded* m = findLoaded(id)) send(*m, message);
  }
}

std::vector<ModuleInfo> ModuleLoader::modules() const {
  std::vector<ModuleInfo> out;
  for (const auto& m : loaded_) out.push_back(m->info);
  return out;
}

const ModuleInfo* ModuleLoader::find(ModuleId id) const {
  for (const auto& m : loaded_) {
    if (m->info.id == id) return &m->info;
  }
  return nullptr;
}

const ModuleInfo* ModuleLoader::findByFileName(std::string_view fileName) const {
  std::string path = normalisedPath(fileName);
  for (const auto& m : loaded_) {
    if (m->info.fileName == path) return &m->info;
  }
  return nullptr;
}

bool ModuleLoader::allMdiAware() const {
  return std::all_of(loaded_.begin(), loaded_.end(),
                     [](const auto& m) { return m->info.mdiAware; });
}

void ModuleLoader::shutdown() {
  broadcast(ModuleMessage::PreQuit);
  broadcast(ModuleMessage::Quit);
  while (!loaded_.empty()) {
    std::unique_ptr<Loaded> last = std::move(loaded_.back());
    loaded_.pop_back();
    send(*last, ModuleMessage::Unload);
    close(last);
  }
}

}  // namespace host
