#pragma once
// Whether a drawn profile fits the frame it is inserted with: its extent as drawn (lines, and
// texts by the size the text style gives them) against the frame sheet's inner border and
// title block. The frame is placed by FrameInsertionPoint, so the same profile sits
// differently on each sheet.

#include <optional>
#include <string>

#include "platform/geom/extents.h"
#include "ruvo/drawing/profile_layout.h"

namespace ruvo {

// The drawn extent of the layout around the profile's local origin.
geom::Extents2d ProfileExtent(const ProfileLayout& layout);

// The extent lies inside the inner border of kind's sheet, clear of its title block.
bool FitsFrame(int kind, const ProfileGeometry& g, const geom::Extents2d& extent);

// The smallest kind of the same orientation as `kind` that the extent fits; `kind` itself
// when it fits; nullopt when even A0 does not.
std::optional<int> SmallestFittingFrame(int kind, const ProfileGeometry& g,
                                        const geom::Extents2d& extent);

// The command-line warning when the chosen frame is too small for the profile, naming the
// kind that would hold it; empty when it fits.
std::string FrameTooSmallMessage(int kind, const ProfileGeometry& g, const geom::Extents2d& extent);

}  // namespace ruvo
