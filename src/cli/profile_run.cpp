#include "cli/profile_run.h"

#include "cli/program.h"
#include "platform/render/drawing_renderer.h"
#include "platform/render/svg_writer.h"
#include "platform/win/atomic_file.h"
#include "ruvo/drawing/profile_fit.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/drawing/profile_layout.h"

namespace cli {

std::string CheckDrawingSettings(const ruvo::CDocData& d) {
  // Below 0.001 the profile's sizes overflow; a data file cannot hold such a scale either.
  const auto scale = [](double v) { return v >= 0.001 && v <= 1e8; };
  if (!scale(d.XYScale) || !scale(d.XScale) || !scale(d.YScale)) {
    return "XYScale, XScale and YScale must lie in [0.001, 1e8]";
  }
  if (!(d.txtX > 0 && d.txtX <= 1000)) return "txtX must lie in (0, 1000]";
  if (!(d.txtY > 0 && d.txtY <= 500)) return "txtY must lie in (0, 500]";
  if (!(d.RodWidth >= 0.1 && d.RodWidth <= 3)) return "RodWidth must lie in [0.1, 3]";
  if (d.SideDistance < 0 || d.SideDistance > 10) return "SideDistance must lie in 0..10";
  return {};
}

std::string FrameProblem(ruvo::CDocData& doc, int kind, std::string& frameFolder) {
  const auto frames = ResourceFile("TK.dxf");
  if (!frames) return "the frame drawing TK.dxf is in none of " + ResourceFolders();
  frameFolder = frames->parent_path().string();
  doc.paperPreview.SetFrameType(kind);
  ruvo::ComputeHighRange(doc);
  const ruvo::ProfileLayout layout = ruvo::LayoutProfile(doc);
  const geom::Extents2d extent = ruvo::ProfileExtent(layout);
  if (ruvo::FitsFrame(kind, layout.geometry, extent)) return {};
  const auto fits = ruvo::SmallestFittingFrame(kind, layout.geometry, extent);
  return "the profile does not fit the frame " + ruvo::FrameCaption(kind) +
         (fits ? "; the smallest that holds it is " + ruvo::FrameCaption(*fits) + " (--frame " +
                     std::to_string(*fits) + ")"
               : "; not even the largest sheet holds it (lower the scales)");
}

ProfileOutcome DrawAndPicture(Session& session, ruvo::CDocData& doc, const ProfileRequest& req) {
  ProfileOutcome out;
  ruvo::DrawProfileOptions options;
  if (req.frame) {
    out.error = FrameProblem(doc, *req.frame, options.frameFolder);
    if (!out.error.empty()) return out;
  }
  ruvo::ComputeHighRange(doc);
  session.host().script().push(host::headless::ScriptAnswer::dragTo(req.at));
  out.result = ruvo::DrawProfile(session.host(), doc, req.frame.has_value(), options);
  if (req.frame && out.result.outcome == ruvo::DrawProfileResult::Placed &&
      out.result.frame.isNull()) {
    out.error = "the frame could not be read from " + options.frameFolder + "/TK.dxf";
    return out;
  }
  const cad::Database& db = session.document().database();
  for (const cad::ObjectId id : out.result.ids) out.extents.add(db.modelExtents().of(id).xy());
  if (req.svg.empty() || out.result.outcome != ruvo::DrawProfileResult::Placed) return out;

  geom::Extents2d window = out.extents;
  window.add(window.min - geom::Vector2d{5, 5});
  window.add(window.max + geom::Vector2d{5, 5});
  render::RenderOptions view;
  view.window = window;
  render::SvgOptions svg;
  svg.window = window;
  const render::Picture picture = render::renderModelSpace(db, view);
  std::string why;
  const auto document = render::writeSvg(picture, svg, why);
  if (!document) {
    out.error = req.svg + ": " + why;
  } else {
    out.picture = *document;
  }
  return out;
}

bool WritePicture(const ProfileOutcome& outcome, const std::string& file, std::string& error) {
  std::string why;
  if (win::writeFileAtomically(file, outcome.picture, &why)) return true;
  error = file + ": " + (why.empty() ? "cannot be written" : why);
  return false;
}

}  // namespace cli
