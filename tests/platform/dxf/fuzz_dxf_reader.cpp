// libFuzzer entry: any bytes must end in a database or a status, never in a crash, a hang
// or an allocation out of proportion to the input; what was read must write again.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dxf::ReadReport report;
  auto db = dxf::readDrawingBytes(std::string(reinterpret_cast<const char*>(data), size), report);
  if (db) {
    dxf::WriteReport written;
    (void)dxf::renderDrawing(*db, written);
  }
  return 0;
}
