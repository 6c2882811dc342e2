#include "ruvo/drawing/frame_insert.h"

#include <filesystem>

#include "platform/cad/block_ops.h"
#include "platform/host/command_line.h"
#include "platform/host/document.h"
#include "platform/host/document_manager.h"
#include "platform/host/host.h"
#include "platform/host/host_services.h"
#include "platform/win/module_path.h"
#include "ruvo/drawing/entity_ops.h"
#include "ruvo/drawing/profile_shapes.h"

namespace ruvo {

namespace {

// The frame block comes from the frame drawing that ships beside the module.

std::string ModuleFolder() {
  static const int anchor = 0;
  return win::moduleFolder(&anchor).value_or(".");
}

// "TK.dwg" as the frames are known; this platform reads the DXF twin when the DWG is absent.
std::string FrameFile(const std::string& folder) {
  const std::filesystem::path dwg = std::filesystem::path(folder) / "TK.dwg";
  std::error_code ec;
  if (std::filesystem::exists(dwg, ec)) return dwg.string();
  return (std::filesystem::path(folder) / "TK.dxf").string();
}

}  // namespace

cad::ObjectId InsertFrame(host::Host& host, const CPreviewPaper& paper, double W, double H,
                          const std::string& folder) {
  host::Document* doc = host.documents().curDocument();
  if (doc == nullptr) return {};
  auto side = host.services().readDrawingFile(FrameFile(folder.empty() ? ModuleFolder() : folder));
  if (!side.ok() || !side.value()) {
    host.commandLine().print("命令:读取图框文件失败\n");
    return {};
  }
  const std::string name = paper.GetFrameBlockName();
  const cad::ObjectId block = side.value()->blocks().getIdAt(name);
  if (block.isNull()) return {};
  auto written = cad::wblock(*side.value(), block);
  if (!written.ok() || !written.value()) return {};
  cad::Database& db = doc->database();
  if (!cad::insertBlock(db, name, *written.value()).ok()) return {};
  const geom::Point3d at{-(paper.dPaperWidth - W) / 2, -(paper.dPaperHeight - H) / 2 - 32, 0};
  return AppendToModelSpace(db, std::make_unique<cad::BlockReference>(name, at), kFrameLayer);
}

}  // namespace ruvo
