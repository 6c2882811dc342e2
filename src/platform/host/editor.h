#pragma once
// User input and selection in the current document: pick an entity, get a point,
// selection by crossing polygon and by window, selection sets, drag.
//
// Input calls answer Normal when the user gave what was asked, None when the user gave
// nothing (Enter, or a pick that hit nothing), Cancel for Escape, Keyword when the user
// typed one of the keywords set for the request (keyword() tells which), Error when the
// request could not be served. Every call works on the current document; with no document
// open they answer Error.

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/transform.h"
#include "platform/geom/vec.h"
#include "platform/host/crossing_batch.h"
#include "platform/host/status.h"

namespace host {

struct PickResult {
  Status status = Status::Error;
  cad::ObjectId id;
  geom::Point3d point;  // where the user picked (world coordinates)
};

struct PointResult {
  Status status = Status::Error;
  geom::Point3d point;
};

struct RealResult {
  Status status = Status::Error;
  double value = 0;
};

// A line typed on the command line, as typed (blanks around it removed) when Normal.
struct StringResult {
  Status status = Status::Error;
  std::string value;
};

struct DragResult {
  Status status = Status::Error;
  geom::Point3d point;       // the picked point when Normal
  geom::Matrix3d transform;  // what the callback answered for that point
};

// Maps the cursor position to the transform of the dragged entities. The drag shows the
// transform only while the callback answers Normal.
using DragCallback = std::function<Status(const geom::Point3d& cursor, geom::Matrix3d& transform)>;

// Input option bits for the next input request.
enum InputFlags : int {
  kInputNoNull = 1,      // Enter is not accepted
  kInputNoZero = 2,      // getReal: 0 is not accepted
  kInputNoNegative = 4,  // getReal: a number below 0 is not accepted
};

// The ids of a selection, in selection order and without repeats. A set belongs to the
// database of the document it was made in.
class SelectionSet {
 public:
  std::size_t length() const { return ids_.size(); }
  bool empty() const { return ids_.empty(); }
  // The id at `index`; a null id (and InvalidInput) beyond the end.
  Result<cad::ObjectId> name(std::size_t index) const {
    if (index >= ids_.size()) return Status::InvalidInput;
    return Result<cad::ObjectId>(ids_[index]);
  }
  bool contains(cad::ObjectId id) const {
    return std::find(ids_.begin(), ids_.end(), id) != ids_.end();
  }
  // Adds at the end; Normal also when the id is a member already (it keeps its place).
  Status add(cad::ObjectId id) {
    if (id.isNull()) return Status::InvalidInput;
    if (!contains(id)) ids_.push_back(id);
    return Status::Normal;
  }
  // NotFound when the id is no member.
  Status remove(cad::ObjectId id) {
    auto it = std::find(ids_.begin(), ids_.end(), id);
    if (it == ids_.end()) return Status::NotFound;
    ids_.erase(it);
    return Status::Normal;
  }
  void free() { std::vector<cad::ObjectId>().swap(ids_); }
  // Replaces the members by `ids`, which the caller knows to hold no id twice (a crossing
  // selection of thousands would otherwise cost a search per member).
  void assignDistinct(std::vector<cad::ObjectId> ids) { ids_ = std::move(ids); }
  std::span<const cad::ObjectId> ids() const { return ids_; }

 private:
  std::vector<cad::ObjectId> ids_;
};

class Editor {
 public:
  virtual ~Editor() = default;

  virtual PickResult pickEntity(std::string_view prompt) = 0;
  // With a base point the host draws a rubber band from it to the cursor.
  virtual PointResult getPoint(std::string_view prompt,
                               std::optional<geom::Point3d> basePoint = std::nullopt) = 0;
  // A number typed on the command line: Normal with it, None for Enter alone (the caller
  // takes its default), Cancel for Escape. A host without typed input answers Error.
  virtual RealResult getReal(std::string_view prompt) {
    (void)prompt;
    return {};
  }
  // A line of text typed on the command line (a name, an answer): Normal with it, None for
  // Enter alone, Cancel for Escape. A host without typed input answers Error.
  virtual StringResult getString(std::string_view prompt) {
    (void)prompt;
    return {};
  }
  // Options for the next input request only; reset clears them.
  virtual Status setInputOptions(int flags) = 0;
  // Options and keywords (see keywords.h) for the next input request only: besides its own
  // input the request then takes a typed keyword and answers Keyword. A word typed that is
  // neither is asked again as any unfit input is. InvalidInput, and nothing set, for a list
  // that is no list of keywords or flags below 0.
  virtual Status setKeywords(int flags, std::string_view keywords) = 0;
  virtual void resetInputOptions() = 0;
  // The keyword (as listed) of the last request that answered Keyword; empty after any
  // other answer.
  virtual std::string keyword() const = 0;

  // Entities of model space that cross or lie inside the polygon (at least three corners)
  // and are visible (their layer is neither off nor frozen). `out` is replaced. None when
  // nothing was found, InvalidInput for fewer than three corners or a corner not finite.
  virtual Status selectCrossingPolygon(std::span<const geom::Point2d> corners,
                                       SelectionSet& out) = 0;
  // The crossing selections of many section lines in a row, asked the other way round
  // (crossing_batch.h), on the current document; null when none is open or the host has no
  // such batch (the caller then selects line by line).
  virtual std::unique_ptr<CrossingBatch> crossingBatch() { return nullptr; }
  // Entities that lie entirely inside the rectangle of two opposite corners.
  virtual Status selectWindow(geom::Point2d corner1, geom::Point2d corner2, SelectionSet& out) = 0;
  // Applies the transform to every member. Every member is opened first, so a member that
  // cannot be changed (erased, on a locked layer) leaves the whole set unchanged.
  virtual Status transformSelectionSet(const SelectionSet& set,
                                       const geom::Matrix3d& transform) = 0;
  // Lets the user drag the set; nothing is changed in the drawing. Normal with the picked
  // point and the callback's transform for it, or Cancel / None.
  virtual DragResult dragSelectionSet(const SelectionSet& set, std::string_view prompt,
                                      const DragCallback& callback) = 0;
};

}  // namespace host
