#pragma once
// The document manager every host of this platform uses: documents over cad::Database,
// read and written through the functions the host gives it, with nested locks, reactors
// and the module messages that go with opening, saving and closing a drawing.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/cad/status.h"
#include "platform/host/document_manager.h"
#include "platform/host/module_abi.h"

namespace cad {
class Database;
}

namespace host {

struct DrawingFileIo {
  std::function<cad::Result<std::unique_ptr<cad::Database>>(const std::string& fileName)> read;
  std::function<cad::Status(const cad::Database& db, const std::string& fileName)> write;
};

struct DocumentHooks {
  // Sent to the loaded modules (drawing loaded, unloaded, saved).
  std::function<void(ModuleMessage)> moduleMessage;
  // False when a second drawing may not be opened (a module is not MDI-aware).
  std::function<bool()> allowSeveralDocuments;
};

class DocumentCollection final : public DocumentManager {
 public:
  DocumentCollection(DrawingFileIo io, DocumentHooks hooks = {});
  ~DocumentCollection() override;
  DocumentCollection(const DocumentCollection&) = delete;
  DocumentCollection& operator=(const DocumentCollection&) = delete;

  Document* curDocument() override;
  std::size_t documentCount() const override { return docs_.size(); }
  std::vector<Document*> documents() override;
  Result<Document*> openDocument(std::string_view fileName) override;
  Result<Document*> newDocument() override;
  Status saveDocument(Document& doc) override;
  Status saveDocumentAs(Document& doc, std::string_view fileName) override;
  Status closeDocument(Document& doc) override;
  Status activateDocument(Document& doc) override;
  Status lockDocument(Document& doc, LockMode mode) override;
  Status unlockDocument(Document& doc) override;
  ReactorToken addReactor(DocumentReactor& reactor) override;

  // Closes every document, locked or not, as the host ends.
  void closeAll();
  std::size_t reactorCount() const { return reactors_->size(); }

 private:
  class Doc;
  Doc* find(const Document& doc) const;
  Result<Document*> add(std::unique_ptr<Doc> doc);
  Status close(Doc& doc, bool evenIfLocked);
  void send(ModuleMessage m) const;

  DrawingFileIo io_;
  DocumentHooks hooks_;
  std::vector<std::unique_ptr<Doc>> docs_;
  Doc* current_ = nullptr;
  std::shared_ptr<ReactorList> reactors_ = std::make_shared<ReactorList>();
  int untitled_ = 0;
};

}  // namespace host
