#pragma once
// Thin helpers over the host interface that every drawing operation of the plug-in uses:
// the current document and its database, the write lock, opening objects, the view and
// the command line.

#include <optional>
#include <string_view>
#include <vector>

#include "platform/cad/database.h"
#include "platform/host/display.h"
#include "platform/host/document_manager.h"
#include "platform/host/host.h"

namespace ruvo {

// The current document locked for writing while the guard lives, with the drawing view
// focused first as the host expects before interactive input. `locked()` is false when no
// document is open.
class WriteLockedDocument {
 public:
  explicit WriteLockedDocument(host::Host& host);
  WriteLockedDocument(const WriteLockedDocument&) = delete;
  WriteLockedDocument& operator=(const WriteLockedDocument&) = delete;

  bool locked() const { return lock_.locked(); }
  host::Document& document() const { return *lock_.document(); }
  cad::Database& database() const { return lock_.document()->database(); }
  void unlock() { lock_.unlock(); }

 private:
  host::DocumentLock lock_;
};

// Prints text on the host's command line as it is.
void Print(host::Host& host, std::string_view text);
// Shows the command prompt again after a command printed its lines.
void PostPrompt(host::Host& host);

// The current view as the system variables give it: centre "VIEWCTR", height "VIEWSIZE",
// width from the aspect of "SCREENSIZE". Falls back to the display's own record when a
// variable is missing.
host::ViewRecord SaveView(host::Host& host);

// Puts the view back on every path.
class ViewRestorer {
 public:
  explicit ViewRestorer(host::Host& host) : host_(host), view_(SaveView(host)) {}
  ViewRestorer(const ViewRestorer&) = delete;
  ViewRestorer& operator=(const ViewRestorer&) = delete;
  ~ViewRestorer() { host_.display().setCurrentView(view_); }

 private:
  host::Host& host_;
  host::ViewRecord view_;
};

// Whether the drawing is in the world coordinate system ("WORLDUCS" = 1).
bool IsWorldUcs(host::Host& host);

// Lets the user drag the entities, drawn about the origin, to their insertion point and
// moves them there; a cancelled drag erases them. The point clicked, or nullopt when the
// entities were erased. The caller holds the document's write lock.
std::optional<geom::Point3d> DragIntoPlace(host::Host& host, cad::Database& db,
                                           const std::vector<cad::ObjectId>& ids);

}  // namespace ruvo
