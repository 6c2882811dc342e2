#include "ruvo/host/host_access.h"

#include <variant>

#include "platform/host/command_line.h"
#include "platform/host/editor.h"
#include "platform/host/system_variables.h"
#include "platform/host/user_interface.h"

namespace ruvo {
namespace {

std::optional<double> RealVariable(host::Host& host, std::string_view name) {
  auto v = host.variables().getVariable(name);
  if (!v.ok()) return std::nullopt;
  if (auto* d = std::get_if<double>(&v.value())) return *d;
  if (auto* i = std::get_if<int>(&v.value())) return *i;
  return std::nullopt;
}

std::optional<geom::Point2d> PointVariable(host::Host& host, std::string_view name) {
  auto v = host.variables().getVariable(name);
  if (!v.ok()) return std::nullopt;
  if (auto* p = std::get_if<geom::Point2d>(&v.value())) return *p;
  if (auto* p = std::get_if<geom::Point3d>(&v.value())) return p->xy();
  return std::nullopt;
}

// Interactive input goes to the drawing view, so it takes the focus before the lock.
host::DocumentManager& FocusedDocuments(host::Host& host) {
  host.userInterface().focusDrawingView();
  return host.documents();
}

}  // namespace

WriteLockedDocument::WriteLockedDocument(host::Host& host)
    : lock_(FocusedDocuments(host), host::LockMode::Write) {}

void Print(host::Host& host, std::string_view text) { host.commandLine().print(text); }

void PostPrompt(host::Host& host) { host.commandLine().postPrompt(); }

host::ViewRecord SaveView(host::Host& host) {
  host::ViewRecord view = host.display().currentView();
  auto centre = PointVariable(host, "VIEWCTR");
  auto height = RealVariable(host, "VIEWSIZE");
  auto screen = PointVariable(host, "SCREENSIZE");
  if (!centre || !height || !screen || screen->y == 0.0) return view;
  view.center = *centre;
  view.height = *height;
  view.width = screen->x / screen->y * *height;
  return view;
}

bool IsWorldUcs(host::Host& host) {
  auto v = host.variables().getVariable("WORLDUCS");
  return v.ok() && std::holds_alternative<int>(v.value()) && std::get<int>(v.value()) == 1;
}

std::optional<geom::Point3d> DragIntoPlace(host::Host& host, cad::Database& db,
                                           const std::vector<cad::ObjectId>& ids) {
  host::SelectionSet set;
  set.assignDistinct(ids);  // new entities, each once: no search per id
  const host::DragResult drag = host.editor().dragSelectionSet(
      set, "选择插入点:", [](const geom::Point3d& cursor, geom::Matrix3d& transform) {
        transform = geom::Matrix3d::translation(cursor - geom::Point3d{});
        return host::Status::Normal;
      });
  const bool placed =
      drag.status == host::Status::Normal &&
      host.editor().transformSelectionSet(set, drag.transform) == host::Status::Normal;
  set.free();
  if (placed) return drag.point;
  for (const cad::ObjectId id : ids) {
    if (auto e = db.openForWrite<cad::Entity>(id)) e.erase();
  }
  return std::nullopt;
}

}  // namespace ruvo
