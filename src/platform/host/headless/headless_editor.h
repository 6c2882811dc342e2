#pragma once
// The headless host's editor: every input request takes the next answer of the script.
// Prompts go to the command line, so a transcript reads like a session.

#include "platform/host/command_line.h"
#include "platform/host/document_manager.h"
#include "platform/host/editor.h"
#include "platform/host/headless/headless_display.h"
#include "platform/host/headless/input_script.h"
#include "platform/host/system_variables.h"

namespace cad {
class Database;
}

namespace host::headless {

class HeadlessEditor final : public Editor {
 public:
  HeadlessEditor(InputScript& script, CommandLine& commandLine, DocumentManager& documents,
                 const HeadlessDisplay& display, const SystemVariables& variables);

  PickResult pickEntity(std::string_view prompt) override;
  PointResult getPoint(std::string_view prompt, std::optional<geom::Point3d> basePoint) override;
  RealResult getReal(std::string_view prompt) override;
  Status setInputOptions(int flags) override;
  void resetInputOptions() override { flags_ = 0; }
  Status selectCrossingPolygon(std::span<const geom::Point2d> corners, SelectionSet& out) override;
  std::unique_ptr<CrossingBatch> crossingBatch() override;
  Status selectWindow(geom::Point2d corner1, geom::Point2d corner2, SelectionSet& out) override;
  Status transformSelectionSet(const SelectionSet& set, const geom::Matrix3d& transform) override;
  DragResult dragSelectionSet(const SelectionSet& set, std::string_view prompt,
                              const DragCallback& callback) override;

  // The pick aperture in drawing units: "PICKBOX" pixels at the current view's scale.
  double aperture() const;
  // The visible model-space entity nearest to `p` within the aperture; null when none.
  cad::ObjectId entityAt(geom::Point2d p) const;

 private:
  cad::Database* database() const;
  // The next answer; nullopt when the script is exhausted (taken as Escape). Enter is
  // asked again while the options forbid it.
  std::optional<ScriptAnswer> nextAnswer(std::string_view prompt);
  void mismatch(const ScriptAnswer& answer, std::string_view request);

  InputScript& script_;
  CommandLine& commandLine_;
  DocumentManager& documents_;
  const HeadlessDisplay& display_;
  const SystemVariables& variables_;
  int flags_ = 0;
};

}  // namespace host::headless
