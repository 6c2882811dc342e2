#pragma once
// The small entity-creation operations of the profile: layers, texts, polylines, splines and
// linetypes in the model space of a drawing database. Each returns the new entity's id (a
// null id when nothing was created); the caller collects the ids of its run.

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/cad/database.h"

namespace ruvo {

// Creates the layer (on, thawed, unlocked) or makes an existing one usable again: clears
// its frozen, off, frozen-in-new-viewports and locked flags.
cad::ObjectId EnsureLayer(cad::Database& db, std::string_view name);

// Puts the entity on the layer with colour "by layer" and appends it to model space.
cad::ObjectId AppendToModelSpace(cad::Database& db, std::unique_ptr<cad::Entity> entity,
                                 std::string_view layerName);

// The profile's text style "RUVOZT" (typeface 宋体, GB2312 character set, width factor
// 0.8), created when missing.
cad::ObjectId EnsureTextStyle(cad::Database& db);

// A text in the profile's style, rotation 0; the alignment point is the insertion point.
cad::ObjectId AddText(cad::Database& db, geom::Point2d position, std::string text, double height,
                      int horizontalMode, int verticalMode, std::string_view layerName);

// A lightweight polyline, open, straight segments, the given width at every vertex.
cad::ObjectId AddPolyline(cad::Database& db, std::span<const geom::Point2d> points, double width,
                          std::string_view layerName);

// A cubic spline through the points as fit points (z = 0), fit tolerance 0.
cad::ObjectId AddSpline(cad::Database& db, std::span<const geom::Point2d> points,
                        std::string_view layerName);

// Sets the entity's linetype; a linetype the drawing lacks is loaded from `linFile` first.
// False (the entity keeps its linetype) when it cannot be had.
bool SetLinetype(cad::Database& db, cad::ObjectId entity, std::string_view name,
                 const std::string& linFile);

}  // namespace ruvo
