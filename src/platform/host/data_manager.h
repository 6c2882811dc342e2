#pragma once
// Per-document data: an ordered map from an open document to a record of the plug-in's,
// created on first access and freed when its document closes.

#include <map>
#include <memory>

#include "platform/host/document_manager.h"

namespace host {

template <class T>
class DocumentDataManager final : private DocumentReactor {
 public:
  explicit DocumentDataManager(DocumentManager& manager)
      : manager_(manager), token_(manager.addReactor(*this)) {}
  DocumentDataManager(const DocumentDataManager&) = delete;
  DocumentDataManager& operator=(const DocumentDataManager&) = delete;
  ~DocumentDataManager() override = default;  // the token unregisters; records go with the map

  // The record of `doc`, made on first access.
  T& docData(Document& doc) {
    auto& slot = records_[&doc];
    if (!slot) slot = std::make_unique<T>();
    return *slot;
  }
  // The record of the current document; nullptr when no document is open.
  T* curDocData() {
    Document* doc = manager_.curDocument();
    return doc != nullptr ? &docData(*doc) : nullptr;
  }
  T* find(const Document& doc) const {
    auto it = records_.find(&doc);
    return it != records_.end() ? it->second.get() : nullptr;
  }
  std::size_t size() const { return records_.size(); }
  bool registered() const { return token_.registered(); }

 private:
  void documentToBeDestroyed(Document& doc) override { records_.erase(&doc); }
  // A reactor registered after this one may have made the record again while the document
  // was closing; it must not survive, or a later document at the same address would inherit it.
  void documentRemoved(Document& doc) override { records_.erase(&doc); }

  DocumentManager& manager_;
  std::map<const Document*, std::unique_ptr<T>> records_;
  ReactorToken token_;
};

}  // namespace host
