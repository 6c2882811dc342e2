#pragma once
// The section line a command cuts along, as the command line names it: a handle, a point to
// pick at, or two points of a straight line. It is checked against the drawing before the
// pick, so that a wrong choice is refused with its reason rather than a bare "no line".

#include <optional>
#include <string>
#include <vector>

#include "cli/session.h"
#include "platform/cad/database.h"
#include "platform/host/headless/input_script.h"

namespace CLI {
class App;
}

namespace cli {

struct LineOptions {
  std::string handle;  // --line
  std::string pick;    // --pick X,Y
  std::string from;    // --from X,Y
  std::string to;      // --to X,Y
};

// Adds --line, --pick, --from and --to to a sub-command.
void AddLineOptions(CLI::App& sub, LineOptions& options);

// A curve of the drawing as a candidate section line.
struct LineInfo {
  cad::ObjectId id;
  std::string handle;  // upper-case hex
  std::string type;    // DXF entity type
  std::string layer;
  double length = 0.0;  // in plan
  std::size_t vertices = 0;
  std::string unusable;  // why it cannot be a section line; empty when it can
};

// The entity as a section line; nullopt for entities that are no curve at all (texts,
// blocks, ...), which `ruvo lines` does not list.
std::optional<LineInfo> DescribeLine(const cad::Database& db, cad::ObjectId id);

// The model space's candidate section lines, in handle order.
std::vector<LineInfo> CandidateLines(const cad::Database& db);

class LineChoice {
 public:
  // Checks the options against the drawing. A straight line given by --from and --to is
  // added to the drawing for the cut and removed again by Finish().
  static LineChoice Make(Session& session, const LineOptions& options);

  bool ok() const { return error_.empty(); }
  // Why there is no usable line; `usage` when the command line itself is wrong.
  const std::string& error() const { return error_; }
  bool usage() const { return usage_; }
  // Scripts the pick of the chosen line.
  void Push(Session& session) const;
  // Removes a line the choice added; call before the drawing is saved.
  void Finish(Session& session);

 private:
  std::optional<host::headless::ScriptAnswer> answer_;
  cad::ObjectId added_;
  std::string error_;
  bool usage_ = false;
};

}  // namespace cli
