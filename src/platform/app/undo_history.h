#pragma once
// The undo history of one drawing: every command is one step. While a step is open the
// history keeps, for each object the command touches, its state before the first change
// (or that the command added it), so that undo puts back exactly what was there and redo
// what the command left.

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/cad/database.h"

namespace app {

// The name of a step that no command made.
inline constexpr const char* kLooseStep = "change";

class UndoHistory final : private cad::DatabaseReactor {
 public:
  explicit UndoHistory(cad::Database& db);
  ~UndoHistory() override;
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // Steps nest (a transparent command inside another); the outermost one counts.
  void begin(std::string name);
  void end();
  // Takes back the last step; false when there is none (or it could not be taken back).
  bool undo();
  bool redo();
  std::size_t undoCount() const { return undo_.size() + (open_.changes.empty() ? 0 : 1); }
  std::size_t redoCount() const { return redo_.size(); }
  std::string undoName() const;
  std::string redoName() const;

 private:
  struct Change {
    bool added = false;  // the step added it; otherwise `state` is how it was
    cad::ObjectId id;
    std::unique_ptr<cad::Object> state;
    bool erased = false;
  };
  struct Step {
    std::string name;
    std::vector<Change> changes;
    std::unordered_set<cad::Handle> seen;
  };

  void objectAppended(const cad::Database&, cad::ObjectId id) override;
  void objectOpenedForModify(const cad::Database&, const cad::Object& current) override;
  // Changes outside any command (a palette button, a reactor) form a step of their own
  // that ends before the next command or undo.
  void closeLoose();
  bool apply(Step& step, bool forward);

  cad::Database& db_;
  std::vector<Step> undo_, redo_;
  Step open_;
  int depth_ = 0;
  bool replaying_ = false;
};

}  // namespace app
