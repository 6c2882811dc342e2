#pragma once
// The list half of the section operations: everything that works on a document's section
// data alone, without the drawing. The acquisition and the point operations that need the
// drawing (get_data.h) call these.

#include <span>
#include <string>
#include <vector>

#include "ruvo/section/doc_data.h"
#include "ruvo/section/edition.h"
#include "ruvo/section/records.h"

namespace ruvo {

inline constexpr double kBulgeTolerance = 0.0001;
inline constexpr double kDistanceTolerance = 0.0001;
// 2 degrees, computed with pi taken as 3.14159 as the system always has.
inline constexpr double kStraightKneeAngle = 0.03490655555555555;

inline constexpr const char* kNoteKnee = "拐点";
inline constexpr const char* kNoteStart = "起点";
inline constexpr const char* kNoteEnd = "终点";
inline constexpr const char* kNoteAdded = "加点";
inline constexpr const char* kLayerAdded = "加点层";

double PlanDistance(const geom::Point3d& a, const geom::Point3d& b);

// Sorts the raw intersections by distance (equal distances keep the order in which they
// were found), thins them, applies the elevation range filter, adds knee, start and end
// points, numbers the list and sorts the layer list. Nothing happens without vertices.
void FinishPointList(CDocData& doc);

// Marks knee points where the section line turns by less than two degrees as deleted.
void MarkStraightKnees(CDocData& doc);

// The repair that ends every acquisition; the legacy edition has its own.
void RepairHeights(CDocData& doc, Edition edition);
void MarkAbnormalHeights(CDocData& doc);
void ExtendEndHeights(CDocData& doc);
void InterpolateHeights(CDocData& doc);
void RepairHeightsLegacy(CDocData& doc);

// Sorted ascending: the middle value, or the mean of the two middle values; 0 when empty.
double Median(std::vector<double> values);

// Points of the ticked layers become ordinary intersections, the others are hidden. Start,
// end and knee points are never touched, nor is a point without a layer name (no layer
// chooser entry can hide it).
void FilterByLayers(CDocData& doc, std::span<const std::string> tickedLayers);

// Inserts a point found by the add-point operation in distance order, renumbers the points
// after it, interpolates its elevation when it has none and lists its layer. Returns the
// new point's number, or -1 when the list is empty.
int InsertAddedPoint(CDocData& doc, CDataStruct point);

// The elevation the user typed for the point at `index`: it replaces the elevation and
// clears the revised flag. Whether it also goes into the drawing is the caller's business
// (WantsWriteBack).
bool SetTypedHeight(CDocData& doc, std::size_t index, double height);
bool WantsWriteBack(const CDocData& doc, const CDataStruct& point);

}  // namespace ruvo
