#pragma once
// Keeps the palette and the settings in step with the drawings the user opens, switches
// between and closes.

#include "platform/host/document_reactor.h"

namespace host {
class DocumentManager;
}

namespace ruvo {

class CZRKApp;

class CDocReactor final : public host::DocumentReactor {
 public:
  // Registers itself; stays unregistered when the host has no document manager to give.
  CDocReactor(CZRKApp& app, host::DocumentManager* manager);
  ~CDocReactor() override;
  CDocReactor(const CDocReactor&) = delete;
  CDocReactor& operator=(const CDocReactor&) = delete;

  bool registered() const { return token_.registered(); }

  void documentCreated(host::Document& doc) override;
  void documentToBeDestroyed(host::Document& doc) override;
  void documentActivated(host::Document& doc) override;

 private:
  CZRKApp& app_;
  host::DocumentManager* manager_;
  host::ReactorToken token_;
};

}  // namespace ruvo
