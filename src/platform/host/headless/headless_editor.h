#pragma once
// The headless host's editor: every input request takes the next answer of the script.
// Prompts go to the command line, so a transcript reads like a session.

#include "platform/host/command_line.h"
#include "platform/host/document_manager.h"
#include "platform/host/editor.h"
#include "platform/host/headless/headless_display.h"
#include "platform/host/headless/input_script.h"
#include "platform/host/keywords.h"
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
  StringResult getString(std::string_view prompt) override;
  Status setInputOptions(int flags) override;
  Status setKeywords(int flags, std::string_view keywords) override;
  void resetInputOptions() override {
    flags_ = 0;
    keywords_ = {};
  }
  std::string keyword() const override { return keyword_; }
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
  // asked again while the options forbid it. A typed line that is one of the request's
  // keywords comes back as Text and sets keyword_; every other answer clears it.
  std::optional<ScriptAnswer> nextAnswer(std::string_view prompt);
  // A typed line read as the point it spells ("x,y" or "x,y,z").
  static std::optional<ScriptAnswer> typedPoint(const ScriptAnswer& answer);
  void mismatch(const ScriptAnswer& answer, std::string_view request);

  InputScript& script_;
  CommandLine& commandLine_;
  DocumentManager& documents_;
  const HeadlessDisplay& display_;
  const SystemVariables& variables_;
  int flags_ = 0;
  KeywordList keywords_;
  int activeFlags_ = 0;  // of the request being answered
  std::string keyword_;
};

}  // namespace host::headless
