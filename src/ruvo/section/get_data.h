#pragma once
// The section operations that reach into the drawing: picking and cutting the section
// line, adding a point where a user line crosses it, and writing a typed elevation back
// into the object it came from. The list work they share lives in point_list.h.
//
// Every operation works on the document data it is given, which the caller takes from the
// host's current document, and reaches the drawing only through the host interface.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "platform/geom/curves.h"
#include "platform/host/crossing_batch.h"
#include "platform/host/host.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/edition.h"
#include "ruvo/section/point_list.h"

namespace ruvo {

// Cutting modes.
inline constexpr int kModeCommon = 0;
inline constexpr int kModePrecise = 1;

// Beyond this a segment is always cut in precise mode.
inline constexpr double kLargeCoordinate = 1000000.0;

inline constexpr std::string_view kMsgCancelled = "\n命令:用户取消\n ";
inline constexpr std::string_view kMsgPickPrompt = "\n命令:请选择直线或多段线\n";
inline constexpr std::string_view kMsgNothingPicked = "\n命令:没选任何线段!!\n";
inline constexpr std::string_view kMsgSomethingWrong = "\n命令:某处有错误出现\n";
inline constexpr std::string_view kMsgNoData = "\n命令:未拾取到数据\n";
inline constexpr std::string_view kMsgOldPolyline = "\n命令:不是合适的多段线\n";
inline constexpr std::string_view kMsgNotWorldUcs =
    "图件不是世界坐标系(WCS)，请转换后继续\n方法：输入命令'UCS'回车，选择'W'回车";
inline constexpr std::string_view kPromptFirstPoint = "选择起点:\n";
inline constexpr std::string_view kPromptSecondPoint = " 选择终点:\n";
inline constexpr int kTemporaryVectorColour = 100;

class CGetData {
 public:
  explicit CGetData(host::Host& host, Edition edition = Edition::Current)
      : host_(host), edition_(edition) {}

  // Pick, cut, finish, repair. A failed pick (cancel, nothing, wrong object) leaves the
  // document's lists exactly as they were and returns false. `picked` receives the section
  // line on success.
  bool AcquireSection(CDocData& doc, int mode, cad::ObjectId* picked = nullptr);

  // The vertices of a picked line or lightweight polyline; nullopt (after the system's
  // message) for anything else.
  std::optional<std::vector<CPntList>> BuildVertexList(const cad::Entity* picked);

  // Replaces the points and layers by the raw intersections of every segment.
  void CutSection(CDocData& doc, cad::ObjectId sectionLine, int mode);

  // The raw intersections of one segment from p0 to p1 with the drawing, appended to the
  // document's points and layers.
  void CutSegment(CDocData& doc, cad::ObjectId sectionLine, double startDist,
                  const geom::Point3d& p0, const geom::Point3d& p1, double bulge, int mode);

  // The "加点" command: the number of the new point, or -1.
  int AddPoint(CDocData& doc);
  int AddPointOnSegment(CDocData& doc, const geom::LineSeg& userLine, double startDist,
                        const geom::Point3d& p0, const geom::Point3d& p1, double bulge);

  // A typed elevation: into the point, and with bFromDrawing and bSetHigh also into the
  // object it was cut from (left alone when it cannot be opened for writing). False for an
  // index outside the list.
  bool CommitTypedHeight(CDocData& doc, std::size_t index, double height);

 private:
  host::Host& host_;
  Edition edition_;
};

// Many section lines cut in a row (the cross-sections along a centreline), each with the
// points and layers CutSection gives it, bit for bit, without what one picked line needs
// and a batch does not: the view brought to each segment and put back, the count message,
// and the selection of every entity near a segment before the cut (the batch cuts first
// and asks the host's selection only about the entities a segment meets). The caller
// holds the current document locked and changes nothing in it while the batch lives.
class CBatchCut {
 public:
  // `lines`: the vertex lists of the section lines to come, in the order they will be cut
  // (a line cut that was not planned for is still cut right, only slower).
  explicit CBatchCut(host::Host& host, const std::vector<std::vector<CPntList>>& lines = {});
  ~CBatchCut();
  CBatchCut(const CBatchCut&) = delete;
  CBatchCut& operator=(const CBatchCut&) = delete;

  // As CGetData::CutSection in common mode.
  void CutSection(CDocData& doc, cad::ObjectId sectionLine);

 private:
  void CutSegment(CDocData& doc, cad::ObjectId sectionLine, double startDist,
                  const geom::Point3d& p0, const geom::Point3d& p1, double bulge);

  host::Host& host_;
  const cad::Database* db_ = nullptr;
  std::unique_ptr<host::CrossingBatch> selection_;  // null: the host has none
  std::vector<geom::BulgeArc> planned_;             // the segments of the lines to come
  std::size_t segmentsCut_ = 0;                     // the planned segment next in turn
  geom::Intersections hits_;                        // a candidate's, kept for its buffers
};

// Plan length of the arc from p0 to p1 with the given bulge.
double ArcLength(const geom::Point3d& p0, const geom::Point3d& p1, double bulge);

// The elevation a drawing object carries for the cut; nullopt for objects that carry none
// (texts, blocks, points, hatches ...).
std::optional<double> ObjectElevation(const cad::Entity& object);

// Writes an elevation into an object opened for writing; false when its type has none.
bool AssignHeightToObject(cad::Entity& object, double height);

}  // namespace ruvo
