#pragma once
// Reading a DXF file (ASCII or binary, R12 and earlier to R2018) into a database. What
// the database does not model is kept with each object as the span of its record, and
// the file's layout as the database's document-level source, so that the writer can put
// everything back unchanged.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/cad/database.h"

namespace dxf {

struct ReadReport {
  cad::Status status = cad::Status::Ok;
  std::string message;                // one line, with the line (or byte) number
  std::vector<std::string> problems;  // what was repaired or skipped while reading
  std::string version;                // $ACADVER, "" when the file has none
  std::string codepage;               // $DWGCODEPAGE as given
  std::string encoding;               // what text was decoded with ("UTF-8", "GB18030", ...)
  bool binary = false;
};

// nullptr when the file cannot be read; the report says why.
std::unique_ptr<cad::Database> readDrawing(const std::filesystem::path& path, ReadReport& report);
std::unique_ptr<cad::Database> readDrawingBytes(std::string bytes, ReadReport& report);

}  // namespace dxf
