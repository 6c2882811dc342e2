#pragma once
// Writing a database as DXF. A drawing that was read is written in the version, form
// (ASCII or binary) and text encoding it was read in; unchanged objects are copied byte
// for byte, changed ones rewrite only the tags that changed, new ones get fresh handles.
// A drawing created from nothing is written as R2000 (AC1015).

#include <filesystem>
#include <string>
#include <vector>

#include "platform/cad/database.h"

namespace dxf {

struct WriteReport {
  cad::Status status = cad::Status::Ok;
  std::string message;             // one line when the write failed
  std::vector<std::string> notes;  // e.g. entities written in their nearest R12 form
};

// The file image of `db`.
std::string renderDrawing(const cad::Database& db, WriteReport& report);

// Writes to a temporary file in the target's folder and renames it over the target, so
// that a failed write leaves the old file as it was.
cad::Status writeDrawing(const cad::Database& db, const std::filesystem::path& path,
                         WriteReport& report);

// The DXF record type of an entity ("LINE", "LWPOLYLINE", "POLYLINE" for both old-style
// polylines, ...; an opaque entity's own type).
std::string entityTypeName(const cad::Entity& e);

}  // namespace dxf
