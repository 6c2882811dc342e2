#pragma once
// What every host of this platform does the same way, whatever its input and output:
// picking, visibility, selection and moving of entities, typing a command, choosing a
// menu item, loading the modules registered for start-up. The hosts differ only in where
// the input comes from (a script, a mouse) and where the output goes.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/cad/status.h"
#include "platform/geom/transform.h"
#include "platform/geom/vec.h"
#include "platform/host/crossing_batch.h"
#include "platform/host/editor.h"
#include "platform/host/status.h"

namespace cad {
class Database;
}
namespace win {
class Registry;
}

namespace host {

class CommandLine;
class CommandStack;
class MenuModel;
class ModuleLoader;
class SystemVariables;

Status fromCad(cad::Status s);

// Drawn on screen: not erased, and its layer neither off nor frozen. An entity on a layer
// the table does not know is drawn (on the default settings).
bool isVisible(const cad::Database& db, cad::ObjectId id);

// The pick aperture in drawing units: "PICKBOX" pixels (3 when unset, at least 1) at
// `pixelSize` drawing units per pixel.
double pickAperture(const SystemVariables& variables, double pixelSize);

// The visible model-space entity nearest to `p` within `aperture` (plan distance to the
// curve, or to the extents of what is no curve); null when none. On a tie the newer entity
// wins: it is drawn on top.
cad::ObjectId entityAt(const cad::Database& db, geom::Point2d p, double aperture);

// The visible entities crossing (or, with `window`, lying inside) the polygon. `out` is
// replaced. None when nothing was found, InvalidInput for fewer than three corners or a
// corner not finite.
Status selectInPolygon(const cad::Database& db, std::span<const geom::Point2d> polygon, bool window,
                       SelectionSet& out);

// Moves every member of the set, or none: each member is opened and tried on a copy
// first, so that a member that cannot be moved (erased, on a locked layer, of a kind that
// cannot move) leaves the whole set where it was. Only translations are supported.
Status transformSelection(cad::Database& db, const SelectionSet& set,
                          const geom::Matrix3d& transform);

// Types a command as the user would; prints what a host prints for an unknown or refused
// command, then the prompt.
Status typeCommand(CommandStack& commands, CommandLine& commandLine, std::string_view name);

// The command a menu macro runs: its first word after any leading "^C" cancels; empty when
// the macro names none.
std::string macroCommand(std::string_view macro);

// A module that the registry names for loading at start-up: every key under
// root\Applications whose "LOADCTRLS" has the bit 2 and whose "LOADER" names the file.
struct StartupModule {
  std::string name;  // the key's name
  std::string file;
};
std::vector<StartupModule> startupModules(win::Registry& registry, std::string_view productRoot);

// Loads the start-up modules. A module outside the trusted folders loads only when
// `allowUntrusted` (if given) answers true for it; refusals and failures are printed with
// their reason and the others still load. Returns the number loaded.
int loadStartupModules(win::Registry* registry, std::string_view productRoot, ModuleLoader& loader,
                       CommandLine& commandLine,
                       const std::function<bool(const std::string& file)>& allowUntrusted = {});

}  // namespace host
