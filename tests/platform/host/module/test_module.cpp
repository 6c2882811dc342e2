// A plug-in module built for the host tests. It does what a real plug-in does at each
// module message and reports every step on the host's command line, so a test can read the
// order of events from the transcript. The host system variable "KTESTMODE" changes its
// behaviour: "fail" (initialisation fails), "locked" (never unlocks itself), "single" (not
// MDI-aware), "refuse-unload" (answers the unload message with an error), "throw-init"
// (initialisation throws), "throw-late" (initialisation throws after adding its commands
// and menu items). Its command "ktestthrow" always throws: a std::exception, or an
// int in the mode "throw-other".
//
// KTEST_EDITION: 0 current edition, 1 legacy edition, 2 legacy edition of an interface
// revision the host does not accept, 3 built for another host interface version.

#include <memory>
#include <stdexcept>
#include <string>

#include "../popup_menu_sequence.h"
#include "platform/host/command_line.h"
#include "platform/host/command_stack.h"
#include "platform/host/data_manager.h"
#include "platform/host/document_manager.h"
#include "platform/host/host.h"
#include "platform/host/menu.h"
#include "platform/host/module_abi.h"
#include "platform/host/module_manager.h"
#include "platform/host/system_variables.h"

#ifndef KTEST_EDITION
#define KTEST_EDITION 0
#endif

namespace {

host::Host* g_host = nullptr;
host::ModuleId g_id;

struct Record {
  int serial = 0;
};
int g_serial = 0;

void say(const std::string& text) {
  if (g_host != nullptr) g_host->commandLine().print("[ktest] " + text + "\n");
}

std::string mode() {
  auto v = g_host->variables().getVariable("KTESTMODE");
  if (v.ok() && std::holds_alternative<std::string>(v.value()))
    return std::get<std::string>(v.value());
  return {};
}

std::unique_ptr<host::DocumentDataManager<Record>> g_data;

class Reactor final : public host::DocumentReactor {
 public:
  explicit Reactor(host::DocumentManager& docs) : docs_(docs), token_(docs.addReactor(*this)) {}
  void documentCreated(host::Document& doc) override {
    Record* r = g_data->curDocData();
    if (r != nullptr && r->serial == 0) r->serial = ++g_serial;
    say("created " + doc.title() + " count " + std::to_string(docs_.documentCount()) + " record " +
        std::to_string(r != nullptr ? r->serial : -1) + " records " +
        std::to_string(g_data->size()));
  }
  void documentToBeDestroyed(host::Document& doc) override {
    say("to be destroyed " + doc.title() + " count " + std::to_string(docs_.documentCount()) +
        " records " + std::to_string(g_data->size()));
  }
  void documentActivated(host::Document& doc) override {
    Record* r = g_data->find(doc);
    say("activated " + doc.title() + " record " + std::to_string(r != nullptr ? r->serial : -1));
  }

 private:
  host::DocumentManager& docs_;
  host::ReactorToken token_;
};

std::unique_ptr<Reactor> g_reactor;

constexpr const char* kGroup = "KTEST";

int initialise() {
  if (mode() == "fail") return host::kModuleReplyError;
  if (mode() == "throw-init") throw std::runtime_error("no licence file");
  // Made anew at each initialisation: a library that stays mapped after an unload must
  // not keep a manager of a host that is gone.
  g_data = std::make_unique<host::DocumentDataManager<Record>>(g_host->documents());
  if (mode() != "locked") g_host->modules().unlockModule(g_id);
  if (mode() != "single") g_host->modules().declareMdiAware(g_id);
  auto& cmds = g_host->commands();
  cmds.addCommand(kGroup, "_KTEST", "ktest", host::kCommandTransparent, [] {
    Record* r = g_data->curDocData();
    say("command ktest record " + std::to_string(r != nullptr ? r->serial : -1));
  });
  cmds.addCommand(kGroup, "_KTESTLOCK", "ktestlock", host::kCommandTransparent, [] {
    host::DocumentLock lock(g_host->documents());
    say("command ktestlock " + std::string(host::statusName(lock.status())));
  });
  cmds.addCommand(kGroup, "_KTESTTHROW", "ktestthrow", host::kCommandModal, [] {
    say("command ktestthrow");
    if (mode() == "throw-other") throw 42;
    throw std::runtime_error("index out of range");
  });
  g_reactor = std::make_unique<Reactor>(g_host->documents());
  std::string trace;
  host::testing::addPopupMenuItem(g_host->menus(), "Korvane软件", "&KKestra切剖面", "ktest\n",
                                  &trace);
  host::testing::addPopupMenuItem(g_host->menus(), "Korvane软件", "访问主页",
                                  "_browser https://example.org/ ", &trace);
  say("menu " + trace);
  if (mode() == "throw-late") throw std::runtime_error("licence expired");
  g_host->commandLine().print("\n命令:请输入命令ktest启动测试模块\n ");
  return host::kModuleReplyOk;
}

int unload() {
  g_host->commands().removeCommand(kGroup, "_KTEST");
  g_host->commands().removeCommand(kGroup, "_KTESTLOCK");
  g_host->commands().removeCommand(kGroup, "_KTESTTHROW");
  g_reactor.reset();
  if (mode() == "refuse-unload") return host::kModuleReplyError;
  return host::kModuleReplyOk;
}

}  // namespace

extern "C" int gcrxEntryPoint(int message, void* packet) {
  auto* p = static_cast<host::ModulePacket*>(packet);
  g_host = p->host;
  g_id = p->module;
  say("message " + std::to_string(message));
  switch (static_cast<host::ModuleMessage>(message)) {
    case host::ModuleMessage::Initialise:
      return initialise();
    case host::ModuleMessage::Unload:
      return unload();
    default:
      return host::kModuleReplyOk;
  }
}

extern "C" int gcrxGetApiVersion() {
  return KTEST_EDITION == 3 ? host::kModuleApiVersion + 1 : host::kModuleApiVersion;
}

#if KTEST_EDITION == 1 || KTEST_EDITION == 2
namespace {
struct ModuleObject {
  void* handle = nullptr;
};
ModuleObject g_object;
}  // namespace

extern "C" void* odrxCreateModuleObject(void* handle) {
  g_object.handle = handle;
  return &g_object;
}

extern "C" void odrxGetAPIVersion(int* major, int* minor, int* correction, int* build) {
  *major = KTEST_EDITION == 1 ? 3 : 2;
  *minor = 5;
  *correction = 0;
  *build = 0;
}
#endif
