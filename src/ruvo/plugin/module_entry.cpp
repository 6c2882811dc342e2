// The module's exported entry points. Built once per edition: RUVO_LEGACY_EDITION set to 1
// makes the older host interface's module, which also exports the legacy pair.

#include <memory>

#include "platform/host/module_abi.h"
#include "ruvo/plugin/zrk_app.h"

#ifndef RUVO_LEGACY_EDITION
#error "RUVO_LEGACY_EDITION must be 0 or 1"
#endif

#define RUVO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr ruvo::Edition kEdition =
    RUVO_LEGACY_EDITION ? ruvo::Edition::Legacy : ruvo::Edition::Current;

// Made at initialisation and gone at unloading: a library the system keeps mapped after an
// unload must not hold on to a host that may be gone.
std::unique_ptr<ruvo::CZRKApp> g_app;

int initialise(const host::ModulePacket& packet) {
  if (packet.host == nullptr) return host::kModuleReplyError;
  g_app.reset();
  ruvo::SetTheApp(nullptr);
  g_app = std::make_unique<ruvo::CZRKApp>(
      *packet.host, packet.module, packet.fileName != nullptr ? packet.fileName : "", kEdition);
  ruvo::SetTheApp(g_app.get());
  return g_app->InitApplication();
}

int unload() {
  int reply = host::kModuleReplyOk;
  if (g_app) reply = g_app->UnloadApplication();
  ruvo::SetTheApp(nullptr);
  g_app.reset();
  return reply;
}

}  // namespace

RUVO_EXPORT int gcrxEntryPoint(int message, void* packet) {
  if (packet == nullptr) return host::kModuleReplyError;
  switch (static_cast<host::ModuleMessage>(message)) {
    case host::ModuleMessage::Initialise:
      return initialise(*static_cast<host::ModulePacket*>(packet));
    case host::ModuleMessage::Unload:
      return unload();
    default:
      // No functions for the host's interpreter and nothing to do per drawing.
      return host::kModuleReplyOk;
  }
}

RUVO_EXPORT int gcrxGetApiVersion() { return host::kModuleApiVersion; }

#if RUVO_LEGACY_EDITION
namespace {
struct ModuleObject {
  void* handle = nullptr;
};
ModuleObject g_moduleObject;
}  // namespace

RUVO_EXPORT void* odrxCreateModuleObject(void* moduleHandle) {
  if (g_moduleObject.handle == nullptr) g_moduleObject.handle = moduleHandle;
  return &g_moduleObject;
}

RUVO_EXPORT void odrxGetAPIVersion(int* major, int* minor, int* correction, int* build) {
  if (major != nullptr) *major = host::kLegacyApiMajor;
  if (minor != nullptr) *minor = host::kLegacyApiMinor;
  if (correction != nullptr) *correction = 0;
  if (build != nullptr) *build = 0;
}
#endif
