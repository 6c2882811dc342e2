#pragma once
// The profile laid out as shapes around its local origin, in the order a drawing run
// creates them. The frame reference, when asked for, goes between `graph` and `marks`.

#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/drawing/profile_shapes.h"

namespace ruvo {

struct ProfileLayout {
  ProfileGeometry geometry;
  ProfileShapes graph;  // profile line, baseline, title, scale line, rulers, remark labels
  ProfileShapes marks;  // azimuth arrows, then the rows under the baseline
};

// Lays out the document's profile with its current range (run ComputeHighRange first).
// Fewer than two points give an empty layout.
ProfileLayout LayoutProfile(const CDocData& doc);

// The parts, for callers and tests that need one of them.
void LayoutProfileLine(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out);
void LayoutGraphFrame(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out);
void LayoutRemarks(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out);

// Rows under the baseline and azimuth marks (profile_rows.cpp).
void LayoutDistanceRow(const ProfileGeometry& g, double txtX, ProfileShapes& out);
void LayoutSpacingRows(const CDocData& doc, const ProfileGeometry& g, double y0,
                       ProfileShapes& out);
void LayoutCoordinateRow(const CDocData& doc, const ProfileGeometry& g, double y0,
                         ProfileShapes& out);
void LayoutAzimuthRow(const CDocData& doc, const ProfileGeometry& g, double y0, ProfileShapes& out);
void LayoutAzimuthArrows(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out);
// Every row whose option is on, stacked downwards from the baseline.
void LayoutRows(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out);

}  // namespace ruvo
