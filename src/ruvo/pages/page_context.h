#pragma once
// What the palette's pages need of the plug-in that holds them: the host, the current
// document's record, the module's own folder and the edition it was built as.

#include <filesystem>
#include <string>

#include "platform/win/registry.h"
#include "ruvo/section/edition.h"

namespace host {
class Host;
}

namespace ruvo {

class CDocData;

class PageContext {
 public:
  virtual ~PageContext() = default;
  virtual host::Host& host() = 0;
  // The current document's record; nullptr while no drawing is open.
  virtual CDocData* currentDocData() = 0;
  // The folder of the loaded module ("TK.dxf" and "Tabulix.ini" lie there).
  virtual std::filesystem::path moduleFolder() const = 0;
  virtual Edition edition() const = 0;
  // The user's registry, where the auto-load registration is kept.
  virtual win::Registry& registry() { return win::Registry::currentUser(); }
  // The loaded module's full file name, which the host loads at its start once auto-load is
  // enabled; empty when unknown (the page then refuses to enable auto-load).
  virtual const std::string& moduleFileName() const {
    static const std::string unknown;
    return unknown;
  }
};

}  // namespace ruvo
