#pragma once
// Document reactors and the token that keeps one registered.

#include <algorithm>
#include <memory>
#include <vector>

namespace host {

class Document;

// Overrides are called on the host's user-interface thread. A reactor may register or
// unregister reactors (itself included) while it is being called.
class DocumentReactor {
 public:
  virtual ~DocumentReactor() = default;
  // The document is open and current.
  virtual void documentCreated(Document&) {}
  // The document is about to close; it is still fully usable.
  virtual void documentToBeDestroyed(Document&) {}
  // Sent after every reactor has seen documentToBeDestroyed, right before the document is
  // freed. Use the document only as a key here: it is a last chance to drop what refers to it.
  virtual void documentRemoved(Document&) {}
  // Another document became current.
  virtual void documentActivated(Document&) {}
  // The document was locked for writing while no write lock held it (`locked`), or its last
  // write lock was released: what changed in between is one piece of work (a palette
  // button's, say), as a command is.
  virtual void documentLockChanged(Document&, bool /*locked*/) {}
};

// The reactors of one document manager, in registration order.
class ReactorList {
 public:
  bool add(DocumentReactor* r) {
    if (r == nullptr || contains(r)) return false;
    reactors_.push_back(r);
    return true;
  }
  void remove(DocumentReactor* r) { std::erase(reactors_, r); }
  bool contains(const DocumentReactor* r) const {
    return std::find(reactors_.begin(), reactors_.end(), r) != reactors_.end();
  }
  std::size_t size() const { return reactors_.size(); }

  // Calls `f` on every reactor registered now and still registered when its turn comes.
  template <class F>
  void notify(F&& f) {
    std::vector<DocumentReactor*> snapshot = reactors_;
    for (DocumentReactor* r : snapshot) {
      if (contains(r)) f(*r);
    }
  }

 private:
  std::vector<DocumentReactor*> reactors_;
};

// Keeps a reactor registered; unregisters it when destroyed or reset. Safe to outlive the
// document manager.
class ReactorToken {
 public:
  ReactorToken() = default;
  ReactorToken(std::weak_ptr<ReactorList> list, DocumentReactor* reactor)
      : list_(std::move(list)), reactor_(reactor) {}
  ReactorToken(ReactorToken&& o) noexcept : list_(std::move(o.list_)), reactor_(o.reactor_) {
    o.list_.reset();
    o.reactor_ = nullptr;
  }
  ReactorToken& operator=(ReactorToken&& o) noexcept {
    if (this != &o) {
      reset();
      list_ = std::move(o.list_);
      reactor_ = o.reactor_;
      o.list_.reset();
      o.reactor_ = nullptr;
    }
    return *this;
  }
  ReactorToken(const ReactorToken&) = delete;
  ReactorToken& operator=(const ReactorToken&) = delete;
  ~ReactorToken() { reset(); }

  void reset() {
    if (auto list = list_.lock()) list->remove(reactor_);
    list_.reset();
    reactor_ = nullptr;
  }
  bool registered() const {
    auto list = list_.lock();
    return list && list->contains(reactor_);
  }

 private:
  std::weak_ptr<ReactorList> list_;
  DocumentReactor* reactor_ = nullptr;
};

}  // namespace host
