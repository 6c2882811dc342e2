#pragma once
// Drawing a section's profile into a drawing opened in the headless host, for `ruvo
// profile` and the demo: the scripted insertion point, the run, the saved drawing and the
// picture of the profile.

#include <optional>
#include <string>

#include "cli/session.h"
#include "platform/geom/extents.h"
#include "ruvo/drawing/draw_profile.h"

namespace cli {

// The drawing page's value ranges; an empty string when every setting is in range.
std::string CheckDrawingSettings(const ruvo::CDocData& doc);

struct ProfileRequest {
  geom::Point3d at;          // where the profile's local origin goes
  std::optional<int> frame;  // frame kind 0..9, none: without frame
  std::string svg;           // picture of the profile's extent, when not empty
};

struct ProfileOutcome {
  ruvo::DrawProfileResult result;
  geom::Extents2d extents;  // of the placed profile, frame included
  // Why the profile was not drawn as asked (a frame too small or not found: nothing is
  // drawn then) or why the picture could not be made.
  std::string error;
  // The picture asked for (SVG), written by WritePicture once the drawing is saved: a run
  // that fails to save the drawing leaves no picture of a profile that is nowhere.
  std::string picture;
};

// Writes the outcome's picture to `file`; false with `error` set when it cannot be written.
bool WritePicture(const ProfileOutcome& outcome, const std::string& file, std::string& error);

// Draws the profile at the requested point. A requested frame is drawn as asked or the
// profile not at all: a frame too small for the profile, or a frame drawing not found, is
// an error, not a note beside a result that looks right.
ProfileOutcome DrawAndPicture(Session& session, ruvo::CDocData& doc, const ProfileRequest& req);

}  // namespace cli
