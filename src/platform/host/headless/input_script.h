#pragma once
// The scripted user of the headless host: a queue of answers, taken one per input
// request. An exhausted script answers as a user pressing Escape.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/geom/vec.h"
#include "platform/host/user_interface.h"

namespace host::headless {

struct ScriptAnswer {
  enum class Kind {
    PickHandle,  // pick the entity with this handle
    PickAt,      // pick whatever lies nearest to this point
    Point,       // click this point
    Cancel,      // Escape
    Nothing,     // Enter without input / a click on empty space
    DragTo,      // drag and release at this point
    DragCancel,  // Escape while dragging
    Button,      // press this message-box button
    Number,      // type this number (held in point.x)
    Text,        // type this line (a keyword, a name) on the command line
  };
  Kind kind = Kind::Cancel;
  std::uint64_t handle = 0;
  geom::Point3d point;
  MessageBoxButton button = MessageBoxButton::Ok;
  std::string text;

  static ScriptAnswer pickHandle(std::uint64_t h) { return {Kind::PickHandle, h, {}, {}, {}}; }
  static ScriptAnswer pickAt(geom::Point3d p) { return {Kind::PickAt, 0, p, {}, {}}; }
  static ScriptAnswer pointAt(geom::Point3d p) { return {Kind::Point, 0, p, {}, {}}; }
  static ScriptAnswer cancel() { return {Kind::Cancel, 0, {}, {}, {}}; }
  static ScriptAnswer nothing() { return {Kind::Nothing, 0, {}, {}, {}}; }
  static ScriptAnswer dragTo(geom::Point3d p) { return {Kind::DragTo, 0, p, {}, {}}; }
  static ScriptAnswer dragCancel() { return {Kind::DragCancel, 0, {}, {}, {}}; }
  static ScriptAnswer press(MessageBoxButton b) { return {Kind::Button, 0, {}, b, {}}; }
  static ScriptAnswer number(double v) { return {Kind::Number, 0, {v, 0, 0}, {}, {}}; }
  static ScriptAnswer typed(std::string line) { return {Kind::Text, 0, {}, {}, std::move(line)}; }
};

// The answer in the script's text form (see parseScriptAnswer).
std::string describe(const ScriptAnswer& answer);

// One answer from its text form, blanks around words ignored:
//   pick <hex handle> | pick-at x,y[,z] | point x,y[,z] | cancel | none |
//   drag x,y[,z] | drag-cancel | button ok|cancel|yes|no|retry | number x | text LINE
// nullopt for anything else (numbers must be finite).
std::optional<ScriptAnswer> parseScriptAnswer(std::string_view text);

class InputScript {
 public:
  void push(const ScriptAnswer& answer) { answers_.push_back(answer); }
  // Adds the answers of a text, one per line; blank lines and lines starting with "#" are
  // skipped. Returns the number (1-based) of the first line that is no answer, 0 when all
  // lines were read (nothing is added then unless all lines are good).
  std::size_t pushText(std::string_view text);
  std::optional<ScriptAnswer> next();
  std::size_t size() const { return answers_.size(); }
  bool empty() const { return answers_.empty(); }
  void clear() { answers_.clear(); }

 private:
  std::deque<ScriptAnswer> answers_;
};

}  // namespace host::headless
