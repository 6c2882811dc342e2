#include "ruvo/drawing/draw_profile.h"

#include "platform/geom/transform.h"
#include "platform/host/command_line.h"
#include "platform/host/display.h"
#include "platform/host/document.h"
#include "platform/host/document_manager.h"
#include "platform/host/editor.h"
#include "platform/host/host.h"
#include "platform/host/host_services.h"
#include "platform/win/module_path.h"
#include "ruvo/drawing/entity_ops.h"
#include "ruvo/drawing/frame_insert.h"
#include "ruvo/drawing/profile_entities.h"
#include "ruvo/drawing/profile_fit.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/drawing/profile_layout.h"
#include "ruvo/host/host_access.h"

namespace ruvo {

namespace {

void Drag(host::Host& host, cad::Database& db, DrawProfileResult& result) {
  if (const auto at = DragIntoPlace(host, db, result.ids)) {
    result.outcome = DrawProfileResult::Placed;
    result.insertionPoint = *at;
  } else {
    result.outcome = DrawProfileResult::Cancelled;
  }
}

}  // namespace

DrawProfileResult DrawProfile(host::Host& host, CDocData& doc, bool withFrame,
                              const DrawProfileOptions& options) {
  DrawProfileResult result;
  host::DocumentLock lock(host.documents());
  if (!lock.locked()) return result;
  host.editor().resetInputOptions();
  if (doc.pointList.size() < 2) return result;
  // Checked before anything is made: an absurd range would create rulers without end, and a
  // number that is not finite would reach the drawing and no file could hold it.
  result.refused = ProfileLimitProblem(doc);
  if (!result.refused.empty()) {
    // the command line speaks Chinese; a caller without one reports the English text
    host.commandLine().print("\n命令:" + ProfileLimitProblem(doc, true) + "\n");
    return result;
  }

  cad::Database& db = lock.document()->database();
  EnsureLayer(db, kLineLayer);
  EnsureLayer(db, kFrameLayer);
  // The host's linetype file: where the host finds it, else the one beside the module.
  const auto lin = host.services().findFile("acadiso.lin");
  const std::string linFile =
      lin.ok() ? lin.value() : win::moduleFolder(&kLineLayer).value_or(".") + "/acadiso.lin";

  const ProfileLayout layout = LayoutProfile(doc);
  const ProfileGeometry& g = layout.geometry;
  CreateShapes(db, layout.graph, linFile, result.ids);
  if (withFrame) {
    result.frame = InsertFrame(host, doc.paperPreview, g.W, g.H, options.frameFolder);
    if (!result.frame.isNull()) {
      result.ids.push_back(result.frame);
      const std::string warning =
          FrameTooSmallMessage(doc.paperPreview.nFrameType, g, ProfileExtent(layout));
      if (!warning.empty()) host.commandLine().print(warning);
    }
  }
  CreateShapes(db, layout.marks, linFile, result.ids);

  Drag(host, db, result);
  host.display().updateDisplay();
  lock.unlock();
  host.commandLine().postPrompt();
  return result;
}

}  // namespace ruvo
