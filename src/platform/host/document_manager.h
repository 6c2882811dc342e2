#pragma once
// The host's open drawings: open, new, save, close, activate, locks and reactors.

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/host/document.h"
#include "platform/host/document_reactor.h"
#include "platform/host/status.h"

namespace host {

class DocumentManager {
 public:
  virtual ~DocumentManager() = default;

  // The document the user works in; nullptr when none is open.
  virtual Document* curDocument() = 0;
  virtual std::size_t documentCount() const = 0;
  virtual std::vector<Document*> documents() = 0;

  // A drawing file becomes a new, current document. FileError when it cannot be read;
  // Refused when a loaded module is not MDI-aware and a drawing is open already.
  virtual Result<Document*> openDocument(std::string_view fileName) = 0;
  virtual Result<Document*> newDocument() = 0;
  // NotFound for a document never saved (use saveDocumentAs).
  virtual Status saveDocument(Document& doc) = 0;
  virtual Status saveDocumentAs(Document& doc, std::string_view fileName) = 0;
  // Locked while the document holds a lock.
  virtual Status closeDocument(Document& doc) = 0;
  virtual Status activateDocument(Document& doc) = 0;

  // Locks nest: each successful lock needs one unlock. A write lock excludes read locks
  // taken through another request and the other way round only across threads, so on the
  // user-interface thread both always succeed for an open document.
  virtual Status lockDocument(Document& doc, LockMode mode) = 0;
  virtual Status unlockDocument(Document& doc) = 0;

  // Reactors are called in registration order. An empty token when the reactor is
  // registered already.
  virtual ReactorToken addReactor(DocumentReactor& reactor) = 0;
};

// Holds a lock on a document for its lifetime; released on every path.
class DocumentLock {
 public:
  DocumentLock(DocumentManager& manager, Document& doc, LockMode mode = LockMode::Write)
      : manager_(&manager), doc_(&doc), status_(manager.lockDocument(doc, mode)) {}
  // Locks the current document; NotFound when there is none.
  explicit DocumentLock(DocumentManager& manager, LockMode mode = LockMode::Write)
      : manager_(&manager), doc_(manager.curDocument()) {
    status_ = doc_ != nullptr ? manager.lockDocument(*doc_, mode) : Status::NotFound;
  }
  DocumentLock(const DocumentLock&) = delete;
  DocumentLock& operator=(const DocumentLock&) = delete;
  ~DocumentLock() { unlock(); }

  Status status() const { return status_; }
  bool locked() const { return status_ == Status::Normal; }
  Document* document() const { return doc_; }
  // Releases early; later calls do nothing.
  void unlock() {
    if (status_ == Status::Normal) manager_->unlockDocument(*doc_);
    status_ = Status::None;
  }

 private:
  DocumentManager* manager_;
  Document* doc_;
  Status status_ = Status::None;
};

}  // namespace host
