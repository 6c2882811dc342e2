#pragma once
// Inserting the chosen paper frame into the current drawing.

#include <string>

#include "platform/cad/object_id.h"
#include "ruvo/section/paper_choice.h"

namespace host {
class Host;
}

namespace ruvo {

// Copies the paper's frame block from the frame drawing beside the module into the current
// document and inserts it on layer "RVTK" so that the sheet is centred on a profile area of
// W x H. "TK.dwg" is read when it exists, "TK.dxf" otherwise. A null id when no frame was
// inserted (an unreadable file is reported on the command line). `folder` overrides the
// module's folder.
//
// The caller must hold the current document's write lock for the whole call: the block
// definition and the reference are written into its database here without locking.
cad::ObjectId InsertFrame(host::Host& host, const CPreviewPaper& paper, double W, double H,
                          const std::string& folder = {});

}  // namespace ruvo
