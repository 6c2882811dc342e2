#include "platform/app/undo_history.h"

namespace app {

UndoHistory::UndoHistory(cad::Database& db) : db_(db) { db_.addReactor(this); }

UndoHistory::~UndoHistory() { db_.removeReactor(this); }

void UndoHistory::begin(std::string name) {
  if (depth_ > 0) {
    ++depth_;
    return;
  }
  closeLoose();
  ++depth_;
  open_.name = std::move(name);
}

void UndoHistory::end() {
  if (depth_ == 0 || --depth_ > 0) return;
  if (!open_.changes.empty()) {
    undo_.push_back(std::move(open_));
    redo_.clear();
  }
  open_ = Step{};
}

void UndoHistory::closeLoose() {
  if (depth_ > 0 || open_.changes.empty()) return;
  if (open_.name.empty()) open_.name = kLooseStep;
  undo_.push_back(std::move(open_));
  redo_.clear();
  open_ = Step{};
}

std::string UndoHistory::undoName() const {
  if (!open_.changes.empty()) return open_.name.empty() ? std::string(kLooseStep) : open_.name;
  return undo_.empty() ? std::string() : undo_.back().name;
}

std::string UndoHistory::redoName() const {
  return redo_.empty() ? std::string() : redo_.back().name;
}

void UndoHistory::objectAppended(const cad::Database&, cad::ObjectId id) {
  if (replaying_) return;
  if (!open_.seen.insert(id.handle()).second) return;
  open_.changes.push_back(Change{true, id, nullptr, false});
}

void UndoHistory::objectOpenedForModify(const cad::Database&, const cad::Object& current) {
  if (replaying_) return;
  if (!open_.seen.insert(current.id().handle()).second) return;
  open_.changes.push_back(Change{false, current.id(), current.clone(), current.isErased()});
}

bool UndoHistory::apply(Step& step, bool forward) {
  replaying_ = true;
  bool ok = true;
  auto one = [&](Change& c) {
    if (c.added) {
      if (!forward) {
        auto detached = db_.detachObject(c.id);
        ok = ok && detached.ok();
        if (detached.ok()) c.state = std::move(detached.value());
      } else if (c.state) {
        ok = cad::ok(db_.attachObject(std::move(c.state))) && ok;
      }
      return;
    }
    if (!c.state) return;
    auto old = db_.replaceObject(c.id, std::move(c.state), c.erased);
    if (!old.ok()) {
      ok = false;
      return;
    }
    c.erased = old.value()->isErased();
    c.state = std::move(old.value());
  };
  if (forward) {
    for (Change& c : step.changes) one(c);
  } else {
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) one(*it);
  }
  replaying_ = false;
  return ok;
}

bool UndoHistory::undo() {
  closeLoose();
  if (depth_ > 0 || undo_.empty()) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  const bool ok = apply(step, false);
  redo_.push_back(std::move(step));
  return ok;
}

bool UndoHistory::redo() {
  closeLoose();
  if (depth_ > 0 || redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  const bool ok = apply(step, true);
  undo_.push_back(std::move(step));
  return ok;
}

}  // namespace app
