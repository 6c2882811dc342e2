#pragma once
// The profile's coordinate model: the elevation range snapped to the tick step, the scales,
// and where distances and elevations land relative to the profile's own origin (the left
// end of the baseline). Units are millimetres of the printed sheet.

#include <string>
#include <vector>

#include "platform/geom/vec.h"
#include "ruvo/section/doc_data.h"

namespace ruvo {

// The range snaps. Both take the C remainder (sign of the dividend), so negative values
// snap towards zero before the floor or ceiling.
double SnapUp(double v, double t);
double SnapDown(double v, double t);

// Recomputes dHighMax/dHighMin and the range the drawing uses (and, without a user range,
// the user range fields too). Does nothing for an empty point list or a step that is not
// a positive finite number.
void ComputeHighRange(CDocData& doc);

// The drawing page's variant while the user edits: one tick step lower at the bottom than
// ComputeHighRange. Sets dRangeTop/dRangeBottom from dHighMax/dHighMin.
void PageRangeRecompute(CDocData& doc);

// Whether a point takes part in the range, the profile line and the rows.
bool PointCounts(const CDataStruct& point, int KneePnt);

struct ProfileGeometry {
  double Kx = 0, Ky = 0;  // profile units per plan unit / per metre of elevation
  double L = 0;           // section length, plan units
  double W = 0, H = 0;    // profile area
  double Tx = 0, Ty = 0;  // tick spacings
  double s = 0, r = 0;    // side distance, ruler width
  double sRows = 0;       // s' : side distance used by the rows
  double x0Rows = 0;      // x0': horizontal shift of the rows
  double d0 = 0;          // first point's distance
  double rangeBottom = 0, txtY = 0;
  bool reversed = false;

  // x of a point at distance d (reversed: the last point at s).
  double X(double d) const { return reversed ? s + (L - d) * Kx : s + d * Kx; }
  // x of a vertex of the profile line, measured from the first point's distance.
  double LineX(double d) const { return reversed ? s + (L - d) * Kx : s + (d - d0) * Kx; }
  double Y(double z) const { return (z - rangeBottom + txtY) * Ky; }
  // Right end of the rows' frames.
  double RowsEnd() const { return 2 * sRows + x0Rows + r + W; }
};

// The geometry of the document's current settings and range (W and H are 0 without points).
ProfileGeometry MakeGeometry(const CDocData& doc);

// The extent handed to the frame preview: W + 35 by H + 60.
geom::Vector2d ProfileBoxSize(const ProfileGeometry& g);

// Where a frame block of the given sheet size is inserted so that the sheet is centred on
// the graph's width and lowered to make room for the rows.
geom::Point2d FrameInsertionPoint(const ProfileGeometry& g, double paperWidth, double paperHeight);

// Stored settings the drawing page would not accept, replaced by the values the page puts in
// their place (scales 1000 and 500, tick steps 5 or their upper limits, the ruler width and
// side distance kept within their limits). One note per replaced setting, e.g. "XScale 0
// replaced by 500". Scales below 0.001 (which a data file cannot even hold) count as unusable.
std::vector<std::string> ReplaceUnusableSettings(CDocData& doc);

// Why a profile of the document's settings, points and current range cannot be drawn: a
// scale out of its range, a number that is not finite, or more ruler ticks than any sheet
// holds (an absurd elevation range). Empty when it can be drawn. `chinese`: worded for
// the plug-in's command line.
std::string ProfileLimitProblem(const CDocData& doc, bool chinese = false);

// No ruler of a drawable profile has more ticks than this.
inline constexpr double kMaxRulerTicks = 5000;

// The frame list's caption of a kind, e.g. "A3图框(横向)".
std::string FrameCaption(int kind);

}  // namespace ruvo
