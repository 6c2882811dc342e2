#pragma once
// Modal input as every CAD host does it: each request runs a nested event loop until the
// user clicks in the drawing, types on the command line (a point as "x,y" or "x,y,z", Enter
// for nothing) or presses Escape, so code that asks reads the same as over the headless
// host. Only one request waits at a time.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

#include "platform/host/editor.h"
#include "platform/host/keywords.h"

class QEventLoop;

namespace cad {
class Database;
}

namespace host {
class CommandLine;
class DocumentManager;
}  // namespace host

namespace app {

class CommandLineWidget;
class DrawingView;

// The side of a pick box in pixels.
inline constexpr double kPickBoxPixels = 5.0;

// "x,y" or "x,y,z" (blanks allowed), finite numbers only.
std::optional<geom::Point3d> parsePoint(const QString& text);

class QtEditor final : public host::Editor {
 public:
  QtEditor(host::DocumentManager& documents, host::CommandLine& commandLine,
           CommandLineWidget& widget, std::function<DrawingView*()> view);

  host::PickResult pickEntity(std::string_view prompt) override;
  host::PointResult getPoint(std::string_view prompt,
                             std::optional<geom::Point3d> basePoint) override;
  host::Status setInputOptions(int flags) override;
  host::Status setKeywords(int flags, std::string_view keywords) override;
  void resetInputOptions() override {
    flags_ = 0;
    keywords_ = {};
  }
  std::string keyword() const override { return keyword_; }
  host::Status selectCrossingPolygon(std::span<const geom::Point2d> corners,
                                     host::SelectionSet& out) override;
  std::unique_ptr<host::CrossingBatch> crossingBatch() override;
  host::Status selectWindow(geom::Point2d corner1, geom::Point2d corner2,
                            host::SelectionSet& out) override;
  host::Status transformSelectionSet(const host::SelectionSet& set,
                                     const geom::Matrix3d& transform) override;
  host::DragResult dragSelectionSet(const host::SelectionSet& set, std::string_view prompt,
                                    const host::DragCallback& callback) override;

  // A number typed on the command line; asked again after anything that is not one, or
  // that the options refuse.
  host::RealResult getReal(std::string_view prompt) override;
  // A line of text (a file name, a keyword).
  host::StringResult getString(std::string_view prompt) override;

  bool waiting() const { return loop_ != nullptr; }
  // What the user gave while a request waits; false when the line answers nothing (the
  // request goes on waiting).
  bool takeLine(const QString& line);
  void takeClick(geom::Point2d world);
  // Escape, a closed document or the end of the application.
  void cancel();
  // Answers given ahead (the words of a menu macro after its command), taken by the next
  // requests before any user input.
  void queueInput(const QStringList& lines) { queued_ += lines; }
  void clearQueuedInput() { queued_.clear(); }
  // The entities picked by the running command; the view shows them dashed.
  const std::vector<cad::ObjectId>& picked() const { return picked_; }
  void clearPicked();

 private:
  enum class Want { Point, Pick, Drag, Text };
  struct Answer {
    host::Status status = host::Status::Cancel;
    geom::Point3d point;
    std::string text;
  };
  Answer wait(Want want, std::string_view prompt);
  // What a typed line answers to the request waiting now; nullopt when it answers nothing
  // (the request goes on waiting).
  std::optional<Answer> interpret(const QString& line);
  void finish(Answer answer);
  cad::Database* database() const;
  double aperture() const;

  host::DocumentManager& documents_;
  host::CommandLine& commandLine_;
  CommandLineWidget& widget_;
  std::function<DrawingView*()> view_;
  QEventLoop* loop_ = nullptr;
  Want want_ = Want::Point;
  int activeFlags_ = 0;
  host::KeywordList activeKeywords_;
  Answer answer_;
  int flags_ = 0;
  host::KeywordList keywords_;
  std::string keyword_;
  std::vector<cad::ObjectId> picked_;
  QStringList queued_;
};

}  // namespace app
