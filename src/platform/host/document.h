#pragma once
// An open drawing of the host.

#include <string>

namespace cad {
class Database;
}

namespace host {

enum class LockMode { None, Read, Write };

class Document {
 public:
  virtual ~Document() = default;
  virtual cad::Database& database() = 0;
  virtual const cad::Database& database() const = 0;
  // Full file name; empty for a new drawing that was never saved.
  virtual std::string fileName() const = 0;
  // What the host shows as the drawing's name ("Drawing1.dxf" for a new drawing).
  virtual std::string title() const = 0;
  // The strongest lock held now.
  virtual LockMode lockMode() const = 0;
};

}  // namespace host
