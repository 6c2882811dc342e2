#include "ruvo/plugin/doc_reactor.h"

#include "platform/host/document_manager.h"
#include "ruvo/plugin/zrk_app.h"

namespace ruvo {

CDocReactor::CDocReactor(CZRKApp& app, host::DocumentManager* manager)
    : app_(app), manager_(manager) {
  if (manager_ != nullptr) token_ = manager_->addReactor(*this);
}

CDocReactor::~CDocReactor() = default;

void CDocReactor::documentCreated(host::Document& doc) {
  app_.ReadSettingsIntoCurrent();
  if (manager_->documentCount() == 1) app_.ShowPaletteIfRemembered();
  host::DocumentReactor::documentCreated(doc);
}

void CDocReactor::documentToBeDestroyed(host::Document& doc) {
  if (manager_->documentCount() == 1) app_.HidePaletteAndRemember();
  host::DocumentReactor::documentToBeDestroyed(doc);
}

void CDocReactor::documentActivated(host::Document& doc) {
  app_.RefreshPages();
  host::DocumentReactor::documentActivated(doc);
}

}  // namespace ruvo
