#include "platform/host/document_collection.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/cad/database.h"

namespace host {

class DocumentCollection::Doc final : public Document {
 public:
  Doc(std::unique_ptr<cad::Database> db, std::string fileName, std::string title)
      : db_(std::move(db)), fileName_(std::move(fileName)), title_(std::move(title)) {}

  cad::Database& database() override { return *db_; }
  const cad::Database& database() const override { return *db_; }
  std::string fileName() const override { return fileName_; }
  std::string title() const override { return title_; }
  LockMode lockMode() const override {
    if (std::find(locks_.begin(), locks_.end(), LockMode::Write) != locks_.end()) {
      return LockMode::Write;
    }
    return locks_.empty() ? LockMode::None : LockMode::Read;
  }

  void rename(std::string fileName) {
    title_ = std::filesystem::path(fileName).filename().string();
    fileName_ = std::move(fileName);
  }

  std::vector<LockMode> locks_;
  bool closing_ = false;

 private:
  std::unique_ptr<cad::Database> db_;
  std::string fileName_;
  std::string title_;
};

namespace {

std::string absolutePath(std::string_view fileName) {
  std::error_code ec;
  auto p = std::filesystem::absolute(std::filesystem::path(fileName), ec);
  return (ec ? std::filesystem::path(fileName) : p).lexically_normal().string();
}

}  // namespace

DocumentCollection::DocumentCollection(DrawingFileIo io, DocumentHooks hooks)
    : io_(std::move(io)), hooks_(std::move(hooks)) {}

DocumentCollection::~DocumentCollection() { closeAll(); }

Document* DocumentCollection::curDocument() { return current_; }

std::vector<Document*> DocumentCollection::documents() {
  std::vector<Document*> out;
  for (auto& d : docs_) out.push_back(d.get());
  return out;
}

DocumentCollection::Doc* DocumentCollection::find(const Document& doc) const {
  for (auto& d : docs_) {
    if (d.get() == &doc) return d.get();
  }
  return nullptr;
}

void DocumentCollection::send(ModuleMessage m) const {
  if (hooks_.moduleMessage) hooks_.moduleMessage(m);
}

Result<Document*> DocumentCollection::openDocument(std::string_view fileName) {
  std::string path = absolutePath(fileName);
  for (auto& d : docs_) {
    if (d->fileName() == path) {
      activateDocument(*d);
      return Result<Document*>(d.get());
    }
  }
  if (!docs_.empty() && hooks_.allowSeveralDocuments && !hooks_.allowSeveralDocuments()) {
    return Status::Refused;
  }
  if (!io_.read) return Status::NotSupported;
  auto db = io_.read(path);
  if (!db.ok() || !db.value()) return Status::FileError;
  auto doc = std::make_unique<Doc>(std::move(db.value()), path,
                                   std::filesystem::path(path).filename().string());
  return add(std::move(doc));
}

Result<Document*> DocumentCollection::newDocument() {
  if (!docs_.empty() && hooks_.allowSeveralDocuments && !hooks_.allowSeveralDocuments()) {
    return Status::Refused;
  }
  auto db = std::make_unique<cad::Database>(cad::Database::Contents::Standard);
  std::string title = "Drawing" + std::to_string(++untitled_) + ".dxf";
  return add(std::make_unique<Doc>(std::move(db), std::string(), std::move(title)));
}

Result<Document*> DocumentCollection::add(std::unique_ptr<Doc> doc) {
  Doc* d = doc.get();
  docs_.push_back(std::move(doc));
  current_ = d;
  reactors_->notify([&](DocumentReactor& r) { r.documentCreated(*d); });
  // A reactor may have closed it again.
  if (find(*d) == nullptr) return Status::Error;
  if (current_ == d) reactors_->notify([&](DocumentReactor& r) { r.documentActivated(*d); });
  send(ModuleMessage::DrawingLoaded);
  return Result<Document*>(static_cast<Document*>(d));
}

Status DocumentCollection::saveDocument(Document& doc) {
  Doc* d = find(doc);
  if (d == nullptr || d->fileName().empty()) return Status::NotFound;
  return saveDocumentAs(doc, d->fileName());
}

Status DocumentCollection::saveDocumentAs(Document& doc, std::string_view fileName) {
  Doc* d = find(doc);
  if (d == nullptr) return Status::NotFound;
  if (fileName.empty()) return Status::InvalidInput;
  if (!io_.write) return Status::NotSupported;
  std::string path = absolutePath(fileName);
  send(ModuleMessage::Save);
  if (!cad::ok(io_.write(d->database(), path))) return Status::FileError;
  d->rename(path);
  return Status::Normal;
}

Status DocumentCollection::closeDocument(Document& doc) {
  Doc* d = find(doc);
  if (d == nullptr) return Status::NotFound;
  return close(*d, false);
}

Status DocumentCollection::close(Doc& d, bool evenIfLocked) {
  if (d.closing_) return Status::Rejected;
  if (!evenIfLocked && !d.locks_.empty()) return Status::Locked;
  d.closing_ = true;
  reactors_->notify([&](DocumentReactor& r) { r.documentToBeDestroyed(d); });
  send(ModuleMessage::DrawingUnloaded);
  reactors_->notify([&](DocumentReactor& r) { r.documentRemoved(d); });
  auto it = std::find_if(docs_.begin(), docs_.end(), [&](const auto& p) { return p.get() == &d; });
  std::unique_ptr<Doc> owned = std::move(*it);
  docs_.erase(it);
  if (current_ == &d) {
    current_ = docs_.empty() ? nullptr : docs_.back().get();
    if (current_ != nullptr) {
      Doc* next = current_;
      reactors_->notify([&](DocumentReactor& r) { r.documentActivated(*next); });
    }
  }
  return Status::Normal;
}

void DocumentCollection::closeAll() {
  while (!docs_.empty()) {
    Doc& last = *docs_.back();
    if (last.closing_) {
      docs_.pop_back();  // cannot happen unless a reactor misbehaves; do not loop forever
      continue;
    }
    close(last, true);
  }
  current_ = nullptr;
}

Status DocumentCollection::activateDocument(Document& doc) {
  Doc* d = find(doc);
  if (d == nullptr || d->closing_) return Status::NotFound;
  if (current_ == d) return Status::Normal;
  current_ = d;
  reactors_->notify([&](DocumentReactor& r) { r.documentActivated(*d); });
  return Status::Normal;
}

Status DocumentCollection::lockDocument(Document& doc, LockMode mode) {
  Doc* d = find(doc);
  if (d == nullptr) return Status::NotFound;
  if (mode == LockMode::None) return Status::InvalidInput;
  const bool first = mode == LockMode::Write && std::ranges::count(d->locks_, LockMode::Write) == 0;
  d->locks_.push_back(mode);
  if (first) reactors_->notify([&](DocumentReactor& r) { r.documentLockChanged(*d, true); });
  return Status::Normal;
}

Status DocumentCollection::unlockDocument(Document& doc) {
  Doc* d = find(doc);
  if (d == nullptr) return Status::NotFound;
  if (d->locks_.empty()) return Status::Error;
  const LockMode mode = d->locks_.back();
  d->locks_.pop_back();
  if (mode == LockMode::Write && std::ranges::count(d->locks_, LockMode::Write) == 0) {
    reactors_->notify([&](DocumentReactor& r) { r.documentLockChanged(*d, false); });
  }
  return Status::Normal;
}

ReactorToken DocumentCollection::addReactor(DocumentReactor& reactor) {
  if (!reactors_->add(&reactor)) return ReactorToken();
  return ReactorToken(reactors_, &reactor);
}

}  // namespace host
