#pragma once
// The drawing run: the profile of the current document's section drawn into the current
// drawing at its local origin, with the frame when asked for, then dragged by the user to
// its place (or erased when the user cancels).

#include <string>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/vec.h"
#include "ruvo/section/doc_data.h"

namespace host {
class Host;
}

namespace ruvo {

struct DrawProfileOptions {
  std::string frameFolder;  // where the frame drawing is; empty: beside the module
};

struct DrawProfileResult {
  enum Outcome { NothingDrawn, Placed, Cancelled } outcome = NothingDrawn;
  std::vector<cad::ObjectId> ids;  // the run's entities, in creation order
  cad::ObjectId frame;             // the frame reference, when one was inserted
  geom::Point3d insertionPoint;    // where the local origin went when Placed
  std::string refused;             // why nothing was drawn, when the profile cannot be
};

// Runs ComputeHighRange's caller contract: the range must be current.
DrawProfileResult DrawProfile(host::Host& host, CDocData& doc, bool withFrame,
                              const DrawProfileOptions& options = {});

}  // namespace ruvo
