#pragma once
// RAII guards of an object opened for read or write. A guard that failed to open holds
// no object and tells why (status()). Closing a write guard lets the database bring its
// spatial index in step with whatever the caller changed.

#include <cstdint>
#include <type_traits>
#include <utility>

#include "platform/cad/object.h"
#include "platform/cad/status.h"

namespace cad {

// Whether an erased object may be opened (to un-erase it, or to read it for undo).
enum class Erased { Exclude, Include };

namespace detail {
void closeWrite(Database* db, Object* obj, std::uint64_t revisionAtOpen);
void eraseOpened(Database* db, Object* obj, bool erase);
}  // namespace detail

template <class T>
class Opened {
 public:
  Opened() = default;
  explicit Opened(Status s) : status_(s) {}
  Opened(Opened&& o) noexcept { *this = std::move(o); }
  Opened& operator=(Opened&& o) noexcept {
    if (this != &o) {
      close();
      db_ = std::exchange(o.db_, nullptr);
      obj_ = std::exchange(o.obj_, nullptr);
      status_ = o.status_;
      revision_ = o.revision_;
    }
    return *this;
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  ~Opened() { close(); }

  Status status() const { return status_; }
  explicit operator bool() const { return obj_ != nullptr; }
  T* get() const { return obj_; }
  T* operator->() const { return obj_; }
  T& operator*() const { return *obj_; }

  // Erase or un-erase the object held open for write (the index follows at once).
  Status erase() { return setErased(true); }
  Status unerase() { return setErased(false); }

  void close() {
    if constexpr (!std::is_const_v<T>) {
      if (obj_ != nullptr && db_ != nullptr) detail::closeWrite(db_, obj_, revision_);
    }
    obj_ = nullptr;
    db_ = nullptr;
  }

 private:
  friend class Database;
  Opened(Database* db, T* obj, std::uint64_t revision)
      : db_(db), obj_(obj), status_(Status::Ok), revision_(revision) {}
  Status setErased(bool erase) {
    if constexpr (std::is_const_v<T>) {
      return Status::NotSupported;
    } else {
      if (obj_ == nullptr) return status_;
      detail::eraseOpened(db_, obj_, erase);
      return Status::Ok;
    }
  }

  Database* db_ = nullptr;
  T* obj_ = nullptr;
  Status status_ = Status::NullObjectId;
  std::uint64_t revision_ = 0;
};

}  // namespace cad
