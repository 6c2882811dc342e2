#pragma once
// The binary interface between the host and a plug-in module (a shared library).
//
// A module exports, with C linkage:
//   int  gcrxEntryPoint(int message, void* packet);   // packet: a host::ModulePacket*
//   int  gcrxGetApiVersion(void);                      // must return host::kModuleApiVersion
// A module of the legacy edition also exports:
//   void* odrxCreateModuleObject(void* moduleHandle);  // its module object, made once
//   void  odrxGetAPIVersion(int* major, int* minor, int* correction, int* build);
// Everything else a module uses of the host is reached through the abstract classes of
// this folder, so a module links no host library.

namespace host {

class Host;

inline constexpr int kModuleApiVersion = 1;
// The legacy interface revision this host accepts (major, minor).
inline constexpr int kLegacyApiMajor = 3;
inline constexpr int kLegacyApiMinor = 5;

inline constexpr const char* kEntryPointSymbol = "gcrxEntryPoint";
inline constexpr const char* kApiVersionSymbol = "gcrxGetApiVersion";
inline constexpr const char* kLegacyCreateObjectSymbol = "odrxCreateModuleObject";
inline constexpr const char* kLegacyApiVersionSymbol = "odrxGetAPIVersion";

enum class ModuleMessage : int {
  Null = 0,
  Initialise = 1,
  Unload = 2,
  DrawingLoaded = 3,
  DrawingUnloaded = 4,
  InvokeFunction = 5,
  Configure = 6,
  End = 7,
  Quit = 8,
  Save = 9,
  Dependency = 10,
  NoDependency = 11,
  ObjectUnload = 12,
  PreQuit = 13,
  InitDialog = 14,
  EndDialog = 15,
};

// Replies of the entry point.
inline constexpr int kModuleReplyOk = 0;
inline constexpr int kModuleReplyError = 3;

// An opaque, never reused number for each load of a module.
struct ModuleId {
  unsigned long long value = 0;
  constexpr bool operator==(const ModuleId&) const = default;
  constexpr explicit operator bool() const { return value != 0; }
};

// What the host hands the entry point with every message.
struct ModulePacket {
  Host* host = nullptr;
  ModuleId module;
  // Full file name of the module as the host loaded it (UTF-8).
  const char* fileName = nullptr;
};

extern "C" {
using ModuleEntryPointFn = int (*)(int message, void* packet);
using ModuleApiVersionFn = int (*)();
using LegacyCreateModuleObjectFn = void* (*)(void* moduleHandle);
using LegacyApiVersionFn = void (*)(int* major, int* minor, int* correction, int* build);
}

}  // namespace host
